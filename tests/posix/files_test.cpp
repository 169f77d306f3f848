// What only the POSIX side of the platform layer does: Windows names on Linux,
// letter case, the temporary folder. What both sides do is tested in
// tests/platform_files_test.cpp.
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace
