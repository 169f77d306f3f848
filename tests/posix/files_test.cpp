// What only the POSIX side of the platform layer does: Windows names on Linux,
// letter case, the temporary folder, the lock that marks a writer. What both
// sides do is tested in tests/platform_files_test.cpp.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "platform/platform.hpp"
#include "platform/posix/posix.hpp"
#include "tests/support.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;
namespace fs = test::fs;

class PosixFilesTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::posix::SetDisketteFolder("");
    plat::posix::SetRootFolder("/");
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
};

TEST_F(PosixFilesTest, WindowsNamesMapToTheirFolders) {
  fs::create_directories("disk");
  fs::create_directories("root/Vamk/Rud");
  std::string here = fs::current_path().string();
  plat::posix::SetDisketteFolder(here + "/disk");
  plat::posix::SetRootFolder(here + "/root");
  EXPECT_EQ(plat::posix::NativeName("A:\\F10R2.BAK"), here + "/disk/F10R2.BAK");
  EXPECT_EQ(plat::posix::NativeName("a:\\x"), here + "/disk/x");
  EXPECT_EQ(plat::posix::NativeName("\\Vamk\\Rud\\F10R4.DAT"), here + "/root/Vamk/Rud/F10R4.DAT");
  EXPECT_EQ(plat::posix::NativeName("REG\\F1200008.DAT"), "REG/F1200008.DAT");
  plat::posix::SetDisketteFolder("");
  // Without a diskette, drive A: holds nothing and nothing can be made there.
  EXPECT_FALSE(plat::Exists("A:\\"));
  EXPECT_EQ(plat::OpenFile("A:\\F10R2.BAK", plat::OpenMode::kCreate), plat::kNoHandle);
}

TEST_F(PosixFilesTest, ExistingNamesAreFoundInAnyLetterCase) {
  WriteFile("reg/F12abc.dat", "x");
  EXPECT_TRUE(plat::Exists("REG\\F12ABC.DAT"));
  EXPECT_EQ(plat::posix::NativeName("REG\\F12ABC.DAT"), "reg/F12abc.dat");
  // A new file in an existing folder takes the folder's spelling and its own.
  EXPECT_EQ(plat::posix::NativeName("REG\\NEW.DAT"), "reg/NEW.DAT");
  EXPECT_FALSE(plat::Exists("REG\\F12ABD.DAT"));
}

TEST_F(PosixFilesTest, TemporaryFolderEndsInASeparator) {
  std::string here = fs::current_path().string();
  setenv("TMPDIR", here.c_str(), 1);
  EXPECT_EQ(plat::TempFolder(), here + "/");
  unsetenv("TMPDIR");
  EXPECT_EQ(plat::TempFolder(), "/tmp/");
}

// The busy test of another process holds a read lock for a moment. A writer
// that opens just then must still end up marked, or it would look free to
// everyone for as long as it writes.
TEST_F(PosixFilesTest, WriterOpeningDuringABusyTestIsStillMarked) {
  WriteFile("F34.DAT", "x");
  int probe = ::open(plat::posix::NativeName("F34.DAT").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(probe, 0);
  struct flock lock = {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  ASSERT_EQ(::fcntl(probe, F_OFD_SETLK, &lock), 0);
  std::thread release([probe] {
    plat::SleepMs(20);
    ::close(probe);
  });
  plat::Handle writer = plat::OpenFile("F34.DAT", plat::OpenMode::kUpdate);
  release.join();
  ASSERT_NE(writer, plat::kNoHandle);
  EXPECT_EQ(plat::BusyTest("F34.DAT"), 1);
  plat::CloseFile(writer);
  // Appending and creating writers mark the file as well.
  for (auto mode : {plat::OpenMode::kAppend, plat::OpenMode::kCreate}) {
    writer = plat::OpenFile("F34.DAT", mode);
    EXPECT_EQ(plat::BusyTest("F34.DAT"), 1);
    plat::CloseFile(writer);
  }
  EXPECT_EQ(plat::BusyTest("F34.DAT"), 0);
}

}  // namespace
