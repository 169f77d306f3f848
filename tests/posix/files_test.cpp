// What only the POSIX side of the platform layer does: Windows names on Linux,
// letter case, the temporary folder, the lock that marks a writer. What both
// sides do is tested in tests/platform_files_test.cpp.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
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
// The kernel copies between files of different file systems only where both
// support it; elsewhere the copy goes through a buffer. Here the test folder
// lies in memory (/dev/shm) and the other one in the system's temporary
// folder, which is on a disk on most machines.
TEST_F(PosixFilesTest, CopyBetweenFileSystemsIsWholeOrAbsent) {
  fs::path other = fs::temp_directory_path() / ("lanvo-copy-" + std::to_string(::getpid()));
  fs::create_directories(other);
  plat::posix::SetDisketteFolder(other.string());
  std::string bytes(20 << 20, 'x');
  for (std::size_t i = 0; i < bytes.size(); i += 4093) bytes[i] = static_cast<char>('a' + i % 26);
  bytes += "the last bytes, not a whole chunk";
  WriteFile(other / "F10.DAT", bytes);
  EXPECT_TRUE(plat::CopyNoReplace("A:\\F10.DAT", "F10.TMP"));
  EXPECT_EQ(ReadFile("F10.TMP"), bytes);
  EXPECT_TRUE(plat::CopyNoReplace("F10.TMP", "A:\\F10B.TMP"));
  EXPECT_EQ(ReadFile(other / "F10B.TMP"), bytes);
  int writes = 0;
  plat::TestHooks().before_file_op = [&writes](plat::FileOp op) {
    return op != plat::FileOp::kWrite || ++writes < 3;
  };
  EXPECT_FALSE(plat::CopyNoReplace("A:\\F10.DAT", "F10C.TMP"));
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_FALSE(FileExists("F10C.TMP"));
  EXPECT_FALSE(FileExists("F10C.TMP.~part"));
  fs::remove_all(other);
}

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

// Replacements for entries of the table of system calls: each fails as the
// system does, with its own errno.
ssize_t FullDisk(int, const void*, size_t, off_t) {
  errno = ENOSPC;
  return -1;
}
int DiskError(int, const char*, struct stat*, int) {
  errno = EIO;
  return -1;
}
struct dirent* ListingError(DIR*) {
  errno = EIO;
  return nullptr;
}
int LockError(int, int, ...) {
  errno = EIO;
  return -1;
}

// Counts the opens of the folder's lock file, then opens as the system does.
using Openat = int (*)(int, const char*, int, ...);
Openat g_openat = nullptr;
int g_lock_opens = 0;
int CountingOpenat(int dir, const char* path, int flags, ...) {
  if (std::string_view(path) == "LANVO.LCK") ++g_lock_opens;
  va_list args;
  va_start(args, flags);
  mode_t mode = (flags & O_CREAT) ? static_cast<mode_t>(va_arg(args, int)) : 0;
  va_end(args);
  return g_openat(dir, path, flags, mode);
}

template <typename F>
plat::SystemCall Call(F* f) {
  return reinterpret_cast<plat::SystemCall>(f);
}

class SystemCallTest : public PosixFilesTest {
 protected:
  void TearDown() override {
    for (std::string_view name = plat::NextSystemCall(""); !name.empty(); name = plat::NextSystemCall(name))
      plat::SetSystemCall(name, nullptr);
    plat::ClearRefusals();
    PosixFilesTest::TearDown();
  }
};

TEST_F(SystemCallTest, EntriesAreReplacedAndRestoredByName) {
  std::vector<std::string> names;
  for (std::string_view name = plat::NextSystemCall(""); !name.empty(); name = plat::NextSystemCall(name))
    names.emplace_back(name);
  for (const char* name : {"openat", "pread", "pwrite", "fstatat", "readdir", "fcntl", "fsync", "renameat2", "close"})
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  EXPECT_FALSE(plat::SetSystemCall("no_such_call", Call(&FullDisk)));
  EXPECT_EQ(plat::GetSystemCall("no_such_call"), nullptr);
  plat::SystemCall system = plat::GetSystemCall("pwrite");
  ASSERT_TRUE(plat::SetSystemCall("pwrite", Call(&FullDisk)));
  EXPECT_EQ(plat::GetSystemCall("pwrite"), Call(&FullDisk));
  plat::SetSystemCall("pwrite", nullptr);
  EXPECT_EQ(plat::GetSystemCall("pwrite"), system);
}

TEST_F(SystemCallTest, AFailedWriteKeepsTheFileAndTheSystemsCause) {
  plat::Handle h = plat::OpenFile("F10R1.DAT", plat::OpenMode::kCreate);
  ASSERT_NE(h, plat::kNoHandle);
  plat::SetSystemCall("pwrite", Call(&FullDisk));
  EXPECT_EQ(plat::WriteAt(h, 0, "abc", 3), 0);
  plat::SetSystemCall("pwrite", nullptr);
  plat::Error error = plat::LastError();
  EXPECT_EQ(error.op, plat::FileOp::kWrite);
  EXPECT_EQ(error.name, "F10R1.DAT");
  EXPECT_EQ(error.code, std::errc::no_space_on_device);
  EXPECT_EQ(plat::Describe(error.code), "Espaço insuficiente no disco.");
  // A service that succeeds leaves the cause of the last failure alone.
  EXPECT_EQ(plat::WriteAt(h, 0, "abc", 3), 3);
  EXPECT_EQ(plat::LastError().name, "F10R1.DAT");
  EXPECT_TRUE(plat::CloseFile(h));
}

// The services that only look fail as a folder that cannot be searched: the
// entry is not taken for missing, and nothing more is changed.
TEST_F(SystemCallTest, LookupsListingsAndTheBusyTestFailThroughTheTable) {
  WriteFile("F34.DAT", "x");
  plat::SetSystemCall("fstatat", Call(&DiskError));
  EXPECT_TRUE(plat::Exists("MISSING.DAT"));
  EXPECT_EQ(plat::FileSize("F34.DAT"), -1);
  plat::SetSystemCall("fstatat", nullptr);
  EXPECT_TRUE(plat::ChangesStopped());
  EXPECT_EQ(plat::LastError().op, plat::FileOp::kLookup);
  EXPECT_EQ(plat::LastError().code, std::errc::io_error);
  plat::ClearRefusals();

  plat::SetSystemCall("readdir", Call(&ListingError));
  EXPECT_TRUE(plat::FindFiles("", "*.DAT").empty());
  plat::SetSystemCall("readdir", nullptr);
  EXPECT_TRUE(plat::ChangesStopped());
  EXPECT_EQ(plat::LastError().op, plat::FileOp::kList);
  plat::ClearRefusals();
  EXPECT_EQ(plat::FindFiles("", "*.DAT"), std::vector<std::string>{"F34.DAT"});

  plat::SetSystemCall("fcntl", Call(&LockError));
  EXPECT_EQ(plat::BusyTest("F34.DAT"), 1);
  plat::SetSystemCall("fcntl", nullptr);
  EXPECT_EQ(plat::LastError().op, plat::FileOp::kBusy);
  EXPECT_EQ(plat::BusyTest("F34.DAT"), 0);
}

// A link, a FIFO or a device where the lock file goes is refused before
// anything opens it; a file there is taken as the lock file.
TEST_F(SystemCallTest, WhatHoldsTheLockFilesNameIsLookedAtBeforeItIsOpened) {
  WriteFile("F34.DAT", "x");
  g_openat = reinterpret_cast<Openat>(plat::GetSystemCall("openat"));
  ASSERT_TRUE(plat::SetSystemCall("openat", Call(&CountingOpenat)));
  ASSERT_EQ(::mkfifo("LANVO.LCK", 0666), 0);
  EXPECT_EQ(plat::LockFolder(), plat::FolderLock::kNone);
  EXPECT_TRUE(plat::ChangesStopped());
  ASSERT_EQ(plat::RefusedEntries().size(), 1u);
  EXPECT_EQ(plat::RefusedEntries()[0].name, "LANVO.LCK");
  EXPECT_EQ(plat::RefusedEntries()[0].why, plat::Refusal::kNotRegular);
  plat::ClearRefusals();
  ASSERT_EQ(::unlink("LANVO.LCK"), 0);
  ASSERT_EQ(::symlink("F34.DAT", "LANVO.LCK"), 0);
  EXPECT_EQ(plat::LockFolder(), plat::FolderLock::kNone);
  ASSERT_EQ(plat::RefusedEntries().size(), 1u);
  EXPECT_EQ(plat::RefusedEntries()[0].why, plat::Refusal::kLink);
  EXPECT_EQ(g_lock_opens, 0);
  EXPECT_EQ(ReadFile("F34.DAT"), "x");
  plat::ClearRefusals();
  ASSERT_EQ(::unlink("LANVO.LCK"), 0);
  EXPECT_EQ(plat::LockFolder(), plat::FolderLock::kTaken);
  EXPECT_EQ(g_lock_opens, 1);
  plat::UnlockFolder();
  EXPECT_FALSE(FileExists("LANVO.LCK"));
}

}  // namespace
