// The record stream: bytes in and out unchanged, seeks beyond the end, the
// window's edges (tests use tiny windows to reach them), write-back of only
// what changed, and the counting of system calls.
#include "recfile/stream.hpp"

#include <cstring>
#include <string>

#include "tests/support.hpp"

namespace {

using rec::Stream;
using test::ReadFile;
using test::WriteFile;

class StreamTest : public test::FolderTest {
 protected:
  // Counts the reads and writes that reach the system.
  void CountCalls() {
    plat::TestHooks().before_file_op = [this](plat::FileOp op) {
      if (op == plat::FileOp::kRead) ++reads_;
      if (op == plat::FileOp::kWrite) ++writes_;
      return true;
    };
  }
  void TearDown() override {
    plat::TestHooks().before_file_op = nullptr;
    test::FolderTest::TearDown();
  }
  int reads_ = 0;
  int writes_ = 0;
};

std::string Digits(std::size_t n) {
  std::string s(n, ' ');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('0' + i % 10);
  return s;
}

TEST_F(StreamTest, ControlBytesPassUnchanged) {
  // Carriage returns, line feeds and Ctrl-Z are data like any other byte.
  std::string bytes = std::string("AB\r\nC\x1a" "D\0E", 9) + "\r";
  WriteFile("F.DAT", bytes);
  auto in = Stream::Open("F.DAT", plat::OpenMode::kRead);
  ASSERT_TRUE(in);
  char buffer[32] = {};
  EXPECT_EQ(in->Read(buffer, sizeof buffer), bytes.size());
  EXPECT_EQ(std::string(buffer, bytes.size()), bytes);
  EXPECT_TRUE(in->AtEnd());

  auto out = Stream::Open("G.DAT", plat::OpenMode::kCreate);
  out->Write(bytes);
  EXPECT_TRUE(out->Close());
  EXPECT_EQ(ReadFile("G.DAT"), bytes);
}

TEST_F(StreamTest, LineReadStopsAfterLineFeedAndAtLimit) {
  WriteFile("F.DAT", "ABCDEFG\nHI");
  auto in = Stream::Open("F.DAT", plat::OpenMode::kRead);
  char buffer[16];
  ASSERT_TRUE(in->ReadLine(buffer, 4));
  EXPECT_STREQ(buffer, "ABC");  // limit - 1 characters
  ASSERT_TRUE(in->ReadLine(buffer, 16));
  EXPECT_STREQ(buffer, "DEFG\n");  // the line feed is kept
  ASSERT_TRUE(in->ReadLine(buffer, 16));
  EXPECT_STREQ(buffer, "HI");  // the end of the file inside the field
  EXPECT_EQ(in->ReadLine(buffer, 16), nullptr);
}

TEST_F(StreamTest, SeekBeyondTheEndSucceedsAndTheReadYieldsNothing) {
  WriteFile("F.DAT", "0123456789");
  auto in = Stream::Open("F.DAT", plat::OpenMode::kRead);
  EXPECT_TRUE(in->Seek(5000));
  char buffer[8];
  EXPECT_EQ(in->ReadLine(buffer, 8), nullptr);
  EXPECT_TRUE(in->AtEnd());
  EXPECT_FALSE(in->Seek(-1));
  EXPECT_TRUE(in->Seek(8));  // a seek clears the end-of-file indicator
  EXPECT_FALSE(in->AtEnd());
  EXPECT_EQ(in->GetChar(), '8');
}

TEST_F(StreamTest, RandomAccessAcrossTinyWindowEdges) {
  std::string data = Digits(1000);
  WriteFile("F.DAT", data);
  auto in = Stream::Open("F.DAT", plat::OpenMode::kRead, 16);
  char buffer[64];
  // Forward and backward jumps, reads that straddle window edges.
  for (std::int64_t at : {0, 15, 16, 17, 500, 490, 999, 3, 250, 245}) {
    ASSERT_TRUE(in->Seek(at));
    std::size_t got = in->Read(buffer, 20);
    std::size_t want = std::min<std::size_t>(20, data.size() - static_cast<std::size_t>(at));
    ASSERT_EQ(got, want) << at;
    EXPECT_EQ(std::string(buffer, got), data.substr(static_cast<std::size_t>(at), want)) << at;
  }
}

TEST_F(StreamTest, UpdateWritesOnlyWhatChangedAndReadsItBack) {
  std::string data = Digits(300);
  WriteFile("F.DAT", data);
  {
    auto io = Stream::Open("F.DAT", plat::OpenMode::kUpdate, 32);
    char buffer[8];
    ASSERT_TRUE(io->Seek(100));
    ASSERT_EQ(io->Read(buffer, 5), 5u);
    ASSERT_TRUE(io->Seek(102));
    EXPECT_EQ(io->Write("XY"), 2u);
    // Read back through the window before anything was written out.
    ASSERT_TRUE(io->Seek(100));
    ASSERT_EQ(io->Read(buffer, 5), 5u);
    EXPECT_EQ(std::string(buffer, 5), "01XY4");
    // A write far away moves the window; the first change must survive.
    ASSERT_TRUE(io->Seek(290));
    EXPECT_EQ(io->WriteField("Z", 3), 3u);
    ASSERT_TRUE(io->Seek(10));
    EXPECT_EQ(io->Write("Q"), 1u);
    EXPECT_TRUE(io->Close());
  }
  std::string want = data;
  want.replace(102, 2, "XY");
  want.replace(290, 3, "Z  ");
  want.replace(10, 1, "Q");
  EXPECT_EQ(ReadFile("F.DAT"), want);
}

TEST_F(StreamTest, WriteBeyondTheEndLeavesAHoleOfZeros) {
  WriteFile("F.DAT", "ABC");
  auto io = Stream::Open("F.DAT", plat::OpenMode::kUpdate);
  ASSERT_TRUE(io->Seek(6));
  io->Write("D");
  EXPECT_EQ(io->Size(), 7);
  EXPECT_TRUE(io->Close());
  EXPECT_EQ(ReadFile("F.DAT"), std::string("ABC\0\0\0D", 7));
}

TEST_F(StreamTest, AppendWritesAtTheEndWhateverThePosition) {
  WriteFile("F.DAT", "12345");
  auto out = Stream::Open("F.DAT", plat::OpenMode::kAppend, 16);
  EXPECT_EQ(out->Tell(), 5);
  out->Seek(0);
  out->Write("ABCDEFGHIJKLMNOPQRSTUVWXYZ");  // more than the window holds
  EXPECT_TRUE(out->SeekEnd());
  EXPECT_EQ(out->Tell(), 31);
  EXPECT_TRUE(out->Close());
  EXPECT_EQ(ReadFile("F.DAT"), "12345ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  // Append creates a missing file.
  auto created = Stream::Open("NEW.DAT", plat::OpenMode::kAppend);
  ASSERT_TRUE(created);
  created->Write("x");
  created->Close();
  EXPECT_EQ(ReadFile("NEW.DAT"), "x");
}

TEST_F(StreamTest, CreateEmptiesAnExistingFile) {
  WriteFile("F.DAT", "old contents");
  auto out = Stream::Open("F.DAT", plat::OpenMode::kCreate);
  out->Write("new");
  out->Close();
  EXPECT_EQ(ReadFile("F.DAT"), "new");
}

TEST_F(StreamTest, OpensThatMustFail) {
  EXPECT_FALSE(Stream::Open("MISSING.DAT", plat::OpenMode::kRead));
  EXPECT_FALSE(Stream::Open("MISSING.DAT", plat::OpenMode::kUpdate));
  EXPECT_FALSE(test::FileExists("MISSING.DAT"));
  test::fs::create_directory("FOLDER");
  EXPECT_FALSE(Stream::Open("FOLDER", plat::OpenMode::kRead));
  // A read stream refuses writes and says so.
  WriteFile("F.DAT", "abc");
  auto in = Stream::Open("F.DAT", plat::OpenMode::kRead);
  EXPECT_EQ(in->Write("x"), 0u);
  EXPECT_TRUE(in->Failed());
  EXPECT_FALSE(in->Close());
  EXPECT_EQ(ReadFile("F.DAT"), "abc");
}

TEST_F(StreamTest, ReadsAndSeeksInsideTheWindowMakeNoSystemCall) {
  WriteFile("F.DAT", Digits(100000));
  auto in = Stream::Open("F.DAT", plat::OpenMode::kRead);
  CountCalls();
  char buffer[64];
  // A record-by-record walk with jumps back inside each record.
  for (int record = 0; record < 100; ++record) {
    in->Seek(record * 778 + 594);
    in->Read(buffer, 5);
    in->Seek(record * 778 + 272);
    in->Read(buffer, 31);
    in->Seek(record * 778 + 0);
    in->ReadLine(buffer, 12);
  }
  EXPECT_EQ(reads_, 1);  // the first 256 KiB window covers the whole file
}

TEST_F(StreamTest, SequentialStreamingUsesLargeBlocks) {
  const std::size_t size = 3 * 1024 * 1024 + 123;
  WriteFile("BIG.DAT", Digits(size));
  CountCalls();
  {
    auto in = Stream::Open("BIG.DAT", plat::OpenMode::kRead);
    auto out = Stream::Open("COPY.DAT", plat::OpenMode::kCreate);
    char record[1000];
    std::size_t got;
    while ((got = in->Read(record, sizeof record)) > 0) out->Write(record, got);
    EXPECT_TRUE(out->Close());
  }
  // One system call per window, not one per record.
  EXPECT_LE(reads_, 16);
  EXPECT_LE(writes_, 16);
  EXPECT_EQ(ReadFile("COPY.DAT"), Digits(size));
}

TEST_F(StreamTest, FailedWriteIsReportedAtCloseAndNotBefore) {
  // The system refuses the write-back (a full disk): the bytes were accepted
  // into the window, so only Flush/Close can tell, and they must.
  auto out = Stream::Open("F.DAT", plat::OpenMode::kCreate);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->Write("some bytes"), 10u);
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  EXPECT_FALSE(out->Close());
  EXPECT_TRUE(out->Failed());
}

TEST_F(StreamTest, FailedReadIsNotTakenForTheEndOfTheFile) {
  WriteFile("F.DAT", "abcdef");
  auto in = Stream::Open("F.DAT", plat::OpenMode::kRead);
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kRead; };
  char buffer[8];
  EXPECT_EQ(in->ReadLine(buffer, 8), nullptr);
  EXPECT_TRUE(in->Failed());
  EXPECT_FALSE(in->AtEnd());
}

TEST_F(StreamTest, StreamsCloseThemselves) {
  WriteFile("F.DAT", "abc");
  std::size_t before = rec::OpenStreamCount();
  {
    auto a = Stream::Open("F.DAT", plat::OpenMode::kRead);
    auto b = Stream::Open("G.DAT", plat::OpenMode::kAppend);
    b->Write("unsaved");
    EXPECT_EQ(rec::OpenStreamCount(), before + 2);
  }
  EXPECT_EQ(rec::OpenStreamCount(), before);
  EXPECT_EQ(ReadFile("G.DAT"), "unsaved");  // written back by the destructor
}

}  // namespace

namespace {

// A refused open counts as a failure of the command unless refusing was the
// expected answer: a missing file, or a read-only one opened for writing.
TEST_F(StreamTest, OnlyUnexpectedRefusalsCountAsFailures) {
  WriteFile("F.DAT", "abc");
  WriteFile("RO.DAT", "abc");
  plat::MakeReadOnly("RO.DAT");
  std::uint64_t before = rec::FailureCount();
  EXPECT_FALSE(Stream::Open("MISSING.DAT", plat::OpenMode::kRead));
  EXPECT_FALSE(Stream::Open("MISSING.DAT", plat::OpenMode::kUpdate));
  EXPECT_FALSE(Stream::Open("RO.DAT", plat::OpenMode::kUpdate));
  EXPECT_FALSE(Stream::Open("RO.DAT", plat::OpenMode::kAppend));
  EXPECT_EQ(rec::FailureCount(), before);
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kOpen; };
  EXPECT_FALSE(Stream::Open("F.DAT", plat::OpenMode::kRead));
  EXPECT_EQ(rec::FailureCount(), before + 1);
  EXPECT_FALSE(Stream::Open("NEW.DAT", plat::OpenMode::kCreate));  // could not be made
  EXPECT_EQ(rec::FailureCount(), before + 2);
}

}  // namespace
