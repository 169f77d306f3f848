// The POSIX mark of a file held for writing: writers hold an open-file-
// description write lock, and the busy test tries a read lock.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <fcntl.h>
#include <unistd.h>

#include <thread>

#include "platform/posix/posix.hpp"
#include "tests/support.hpp"

namespace {

class WriteMarkTest : public test::FolderTest {};

TEST_F(WriteMarkTest, WritersMakeAFileBusyReadersDoNot) {
  test::WriteFile("F.DAT", "x");
  plat::Handle reader = plat::OpenFile("F.DAT", plat::OpenMode::kRead);
  EXPECT_EQ(plat::BusyTest("F.DAT"), 0);
  for (plat::OpenMode mode : {plat::OpenMode::kUpdate, plat::OpenMode::kAppend, plat::OpenMode::kCreate}) {
    plat::Handle writer = plat::OpenFile("F.DAT", mode);
    ASSERT_NE(writer, plat::kNoHandle);
    EXPECT_EQ(plat::BusyTest("F.DAT"), 1);
    plat::CloseFile(writer);
    EXPECT_EQ(plat::BusyTest("F.DAT"), 0);
  }
  plat::CloseFile(reader);
  EXPECT_EQ(plat::BusyTest("MISSING.DAT"), 0);
}

// A writer that opens while a busy test holds its read lock must still end up
// marked, or it would look free to everyone for as long as it writes.
TEST_F(WriteMarkTest, WriterOpeningDuringABusyTestIsStillMarked) {
  test::WriteFile("F.DAT", "x");
  int probe = ::open(plat::posix::NativeName("F.DAT").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(probe, 0);
  struct flock lock = {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  ASSERT_EQ(::fcntl(probe, F_OFD_SETLK, &lock), 0);
  std::thread release([probe] {
    plat::SleepMs(20);
    ::close(probe);
  });
  plat::Handle writer = plat::OpenFile("F.DAT", plat::OpenMode::kUpdate);
  release.join();
  ASSERT_NE(writer, plat::kNoHandle);
  EXPECT_EQ(plat::BusyTest("F.DAT"), 1);
  plat::CloseFile(writer);
}

}  // namespace
