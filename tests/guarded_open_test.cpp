#include "recfile/guarded_open.hpp"

#include <chrono>
#include <cstdlib>
#include <limits>

#include "tests/support.hpp"

namespace {

using test::FolderTest;
using test::Message;
using test::MessageLog;
using test::ReadFile;
using test::Record;
using test::WriteFile;

constexpr int kLength = 30;
constexpr char kOpenFailed[] =
    "Erro ao abrir o arquivo.\n"
    "O compartilhamento de arquivos no servidor precisa ter permissão para gravação.";

Message Refusal(const std::string& text) { return {text, "FOpen2", plat::kIconError}; }

// A live record of kLength characters, or a deleted one ('+' in its last place).
std::string Live(char fill) { return std::string(kLength, fill); }
std::string Deleted(char fill) {
  return Record(kLength).Set(0, kLength - 1, std::string(kLength - 1, fill)).Set(kLength - 1, "+");
}

// A file of the given size that costs no disk: its bytes are a hole.
void SparseFile(const char* name, std::uintmax_t size) {
  WriteFile(name, "");
  test::fs::resize_file(name, size);
}

// Writes one record through the stream FOpen2 returned, and closes it.
void WriteRecord(StreamPtr& stream, const std::string& record) {
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->Write(record), record.size());
  EXPECT_TRUE(FCloseIf(stream));
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
      .count();
}

// A second process (lanvo-hold-file) that holds a file of the working folder
// open for writing. The constructor returns once the file is held; the
// destructor waits until it has been let go.
class HeldFile {
 public:
  HeldFile(const std::string& name, int milliseconds) {
    std::string args = name + " " + std::to_string(milliseconds) + " hold.ready hold.done";
#ifdef _WIN32
    std::string command = "start \"\" /b \"" LANVO_HOLD_FILE_EXE "\" " + args;
#else
    std::string command = "'" LANVO_HOLD_FILE_EXE "' " + args + " &";
#endif
    started_ = std::system(command.c_str()) == 0 && WaitFor("hold.ready");
  }
  ~HeldFile() {
    if (started_) WaitFor("hold.done");
  }
  bool started() const { return started_; }

 private:
  static bool WaitFor(const char* marker) {
    for (int i = 0; i < 400; ++i) {
      if (test::FileExists(marker)) return true;
      plat::SleepMs(25);
    }
    return false;
  }
  bool started_ = false;
};

// ---------------------------------------------------------------------------
// New records

class NewRecordTest : public FolderTest {};

TEST_F(NewRecordTest, IncompleteLastRecordIsPaddedAndTheNewRecordFollowsIt) {
  WriteFile("F.DAT", Live('A') + Live('B') + "CCCCC");  // 65 bytes
  std::int64_t index = 7;
  StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kAlwaysAppend);
  EXPECT_EQ(index, 3);
  WriteRecord(stream, Live('D'));
  EXPECT_EQ(ReadFile("F.DAT"), Live('A') + Live('B') + "CCCCC" + std::string(25, ' ') + Live('D'));
}

TEST_F(NewRecordTest, WholeRecordsAreLeftAsTheyAre) {
  WriteFile("F.DAT", Live('A') + Live('B'));
  std::int64_t index = 0;
  StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kAlwaysAppend);
  EXPECT_EQ(index, 2);
  ASSERT_TRUE(stream);
  FCloseIf(stream);
  EXPECT_EQ(ReadFile("F.DAT"), Live('A') + Live('B'));
}

TEST_F(NewRecordTest, MissingFileIsCreated) {
  MessageLog log;
  std::int64_t index = 5;
  StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kAlwaysAppend);
  EXPECT_EQ(index, 0);
  WriteRecord(stream, Live('A'));
  EXPECT_EQ(ReadFile("F.DAT"), Live('A'));
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(NewRecordTest, FileThatCannotBeOpenedIsRefused) {
  MessageLog log;
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kOpen; };
  std::int64_t index = 0;
  EXPECT_FALSE(FOpen2("F.DAT", kLength, &index, kNewRecord, kAlwaysAppend));
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(log.messages(), std::vector<Message>{Refusal(kOpenFailed)});
}

// The padding goes to the disk before the caller writes: a record written
// after a padding that failed would land inside the broken record.
TEST_F(NewRecordTest, PaddingThatCannotBeWrittenIsARefusal) {
  WriteFile("F.DAT", Live('A') + "BBBBB");
  MessageLog log;
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  std::int64_t index = 0;
  EXPECT_FALSE(FOpen2("F.DAT", kLength, &index, kNewRecord, kAlwaysAppend));
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(index, -1);
  EXPECT_EQ(log.messages(), std::vector<Message>{Refusal("Erro ao conferir posições dos registros.")});
  EXPECT_EQ(ReadFile("F.DAT"), Live('A') + "BBBBB");
}

// ---------------------------------------------------------------------------
// Reuse of deleted records

class ReuseTest : public FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    WriteFile("F.DAT", Original());
  }
  // Records 1 and 3 are deleted.
  static std::string Original() {
    return Live('A') + Deleted('B') + Live('C') + Deleted('D') + Live('E');
  }
  // The file after the record of the given index was replaced by Z's.
  static std::string Replaced(int at) {
    return Original().replace(static_cast<std::size_t>(at) * kLength, kLength, Live('Z'));
  }
};

TEST_F(ReuseTest, FirstDeletedRecordIsTaken) {
  std::int64_t index = 3;  // the caller's value plays no part
  StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kReuseFirstDeleted);
  EXPECT_EQ(index, 1);
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->Tell(), kLength);
  WriteRecord(stream, Live('Z'));
  EXPECT_EQ(ReadFile("F.DAT"), Replaced(1));
}

TEST_F(ReuseTest, DeletedRecordAfterTheGivenIndexIsTaken) {
  std::int64_t index = 1;
  StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kReuseDeletedAfterIndex);
  EXPECT_EQ(index, 3);
  WriteRecord(stream, Live('Z'));
  EXPECT_EQ(ReadFile("F.DAT"), Replaced(3));
}

TEST_F(ReuseTest, IndexOfZeroOrLessSearchesFromTheStart) {
  for (std::int64_t given : {0, -4}) {
    std::int64_t index = given;
    StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kReuseDeletedAfterIndex);
    EXPECT_EQ(index, 1) << given;
    EXPECT_TRUE(stream);
  }
}

TEST_F(ReuseTest, NoDeletedRecordLeftMeansAppend) {
  std::int64_t index = 3;
  StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kReuseDeletedAfterIndex);
  EXPECT_EQ(index, 5);
  WriteRecord(stream, Live('Z'));
  EXPECT_EQ(ReadFile("F.DAT"), Original() + Live('Z'));
}

TEST_F(ReuseTest, IndexBeyondTheFileMeansAppend) {
  for (std::int64_t given : {std::int64_t{100}, std::numeric_limits<std::int64_t>::max()}) {
    std::int64_t index = given;
    StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kReuseDeletedAfterIndex);
    EXPECT_EQ(index, 5) << given;
    EXPECT_TRUE(stream);
  }
  EXPECT_EQ(ReadFile("F.DAT"), Original());
}

// A record cut short is not a deleted one, even with '+' in its last byte
// present: it is completed and the new record appended after it.
TEST_F(ReuseTest, IncompleteLastRecordIsNotReused) {
  WriteFile("F.DAT", Live('A') + "++");
  std::int64_t index = 0;
  StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kReuseFirstDeleted);
  EXPECT_EQ(index, 2);
  WriteRecord(stream, Live('Z'));
  EXPECT_EQ(ReadFile("F.DAT"), Live('A') + "++" + std::string(28, ' ') + Live('Z'));
}

// A read that fails never sets the end of the file; the scan must stop on it
// rather than walk on forever.
TEST_F(ReuseTest, ReadErrorEndsTheScanAndTheRecordIsAppended) {
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kRead; };
  std::int64_t index = 0;
  StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kReuseFirstDeleted);
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(index, 5);
  WriteRecord(stream, Live('Z'));
  EXPECT_EQ(ReadFile("F.DAT"), Original() + Live('Z'));
}

// ---------------------------------------------------------------------------
// Rewrite of an existing record

class RewriteTest : public FolderTest {};

TEST_F(RewriteTest, StreamIsPositionedAtTheRecord) {
  WriteFile("F.DAT", Live('A') + Live('B') + Live('C'));
  std::int64_t index = 1;
  StreamPtr stream = FOpen2("F.DAT", kLength, &index, kRewriteRecord, kAlwaysAppend);
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->Tell(), kLength);
  WriteRecord(stream, Live('Z'));
  EXPECT_EQ(ReadFile("F.DAT"), Live('A') + Live('Z') + Live('C'));
}

TEST_F(RewriteTest, RecordBeyondTheLastIsRefused) {
  WriteFile("F.DAT", Live('A') + Live('B'));
  MessageLog log;
  for (std::int64_t given : {2, -1}) {
    std::int64_t index = given;
    EXPECT_FALSE(FOpen2("F.DAT", kLength, &index, kRewriteRecord, kAlwaysAppend));
  }
  EXPECT_EQ(log.messages(), std::vector<Message>(2, Refusal("Erro ao posicionar arquivo.")));
  EXPECT_EQ(ReadFile("F.DAT"), Live('A') + Live('B'));
}

TEST_F(RewriteTest, MissingFileIsRefusedAndNotCreated) {
  MessageLog log;
  std::int64_t index = 0;
  EXPECT_FALSE(FOpen2("F.DAT", kLength, &index, kRewriteRecord, kAlwaysAppend));
  EXPECT_EQ(log.messages(), std::vector<Message>{Refusal("Arquivo inexistente.")});
  EXPECT_FALSE(test::FileExists("F.DAT"));
}

TEST_F(RewriteTest, ExistingFileThatCannotBeOpenedIsRefused) {
  WriteFile("F.DAT", Live('A'));
  MessageLog log;
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kOpen; };
  std::int64_t index = 0;
  EXPECT_FALSE(FOpen2("F.DAT", kLength, &index, kRewriteRecord, kAlwaysAppend));
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(log.messages(), std::vector<Message>{Refusal(kOpenFailed)});
}

// ---------------------------------------------------------------------------
// Size limits, on sparse files

class SizeLimitTest : public FolderTest {
 protected:
  static constexpr int kBig = 1000;  // a length that divides the limits
  static std::string Question(const std::string& size) {
    return "O arquivo já possui mais de 512 MB.\nTamanho: " + size +
           " bytes\n\nAvise o suporte técnico.\n\nDeseja continuar?";
  }
  static std::string TooLarge(const std::string& size) {
    return "O arquivo ultrapassou o limite permitido (2 GB).\nTamanho: " + size + " bytes";
  }
  static constexpr unsigned kQuestionFlags = plat::kYesNo | plat::kIconQuestion | plat::kDefaultButton2;
};

TEST_F(SizeLimitTest, AtTheQuestionLimitNothingIsAsked) {
  SparseFile("F.DAT", 512000000);
  MessageLog log;
  std::int64_t index = 0;
  EXPECT_TRUE(FOpen2("F.DAT", kBig, &index, kNewRecord, kAlwaysAppend));
  EXPECT_EQ(index, 512000);
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(SizeLimitTest, AboveItYesGoesOn) {
  SparseFile("F.DAT", 512000001);
  MessageLog log(plat::kIdYes);
  std::int64_t index = 0;
  EXPECT_TRUE(FOpen2("F.DAT", kBig, &index, kNewRecord, kAlwaysAppend));
  EXPECT_EQ(index, 512001);
  EXPECT_EQ(log.messages(), (std::vector<Message>{{Question("512.000.001"), "FOpen2", kQuestionFlags}}));
}

TEST_F(SizeLimitTest, AboveItNoStopsWithoutTouchingTheFile) {
  for (std::uintmax_t size : {512000001ull, 2000000000ull}) {
    SparseFile("F.DAT", size);
    MessageLog log(plat::kIdNo);
    std::int64_t index = 0;
    EXPECT_FALSE(FOpen2("F.DAT", kBig, &index, kNewRecord, kAlwaysAppend)) << size;
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].flags, kQuestionFlags);
    EXPECT_EQ(test::fs::file_size("F.DAT"), size);
  }
}

TEST_F(SizeLimitTest, AboveTwoGigabytesIsRefused) {
  SparseFile("F.DAT", 2000000001);
  MessageLog log(plat::kIdYes);
  std::int64_t index = 0;
  EXPECT_FALSE(FOpen2("F.DAT", kBig, &index, kNewRecord, kAlwaysAppend));
  EXPECT_EQ(log.messages(), std::vector<Message>{Refusal(TooLarge("2.000.000.001"))});
  EXPECT_EQ(test::fs::file_size("F.DAT"), 2000000001u);
}

// 4 GiB + 1000: its low 32 bits alone would say 1000 bytes.
TEST_F(SizeLimitTest, AboveFourGigabytesIsRefusedWithItsTrueSize) {
  SparseFile("F.DAT", 4294968296ull);
  MessageLog log(plat::kIdYes);
  std::int64_t index = 0;
  EXPECT_FALSE(FOpen2("F.DAT", kBig, &index, kNewRecord, kAlwaysAppend));
  EXPECT_EQ(log.messages(), std::vector<Message>{Refusal(TooLarge("4.294.968.296"))});
}

// ---------------------------------------------------------------------------
// Position check

class CheckPosTest : public FolderTest {};

TEST_F(CheckPosTest, OnlyPositionsInsideTheFileAreTaken) {
  WriteFile("F.DAT", Live('A'));
  StreamPtr stream = FOpenRead("F.DAT");
  ASSERT_TRUE(stream);
  EXPECT_TRUE(FCheckPos(stream.get(), 29));
  EXPECT_EQ(stream->Tell(), 29);
  EXPECT_EQ(stream->GetChar(), 'A');
  EXPECT_FALSE(FCheckPos(stream.get(), 30));
  EXPECT_FALSE(FCheckPos(stream.get(), 31));
  EXPECT_FALSE(FCheckPos(stream.get(), -1));
  EXPECT_FALSE(FCheckPos(nullptr, 0));
}

// ---------------------------------------------------------------------------
// Busy test

class FileBusyTest : public FolderTest {};

TEST_F(FileBusyTest, FreeOrMissingFileAnswersAtOnce) {
  WriteFile("F.DAT", Live('A'));
  StreamPtr reader = FOpenRead("F.DAT");  // readers never make a file busy
  MessageLog log;
  auto start = std::chrono::steady_clock::now();
  for (int kind : {kBusySilent, kBusyWithMessage, kBusyWaitOnly}) {
    EXPECT_EQ(FileBusy("F.DAT", kind), 0);
    EXPECT_EQ(FileBusy("MISSING.DAT", kind), 0);
  }
  EXPECT_LT(MillisecondsSince(start), 500);
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(FileBusyTest, FileHeldForWritingByAnotherProcess) {
  WriteFile("F.DAT", Live('A') + Deleted('B'));
  HeldFile held("F.DAT", 6500);
  ASSERT_TRUE(held.started());
  MessageLog log;

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FileBusy("F.DAT", kBusyWithMessage), 1);
  EXPECT_GE(MillisecondsSince(start), 950);  // 20 waits of 50 ms
  EXPECT_EQ(log.messages(),
            (std::vector<Message>{{"Sistema ocupado, tente novamente.", "FileBusy", plat::kIconWarning}}));

  start = std::chrono::steady_clock::now();
  EXPECT_EQ(FileBusy("F.DAT", kBusySilent), 1);
  EXPECT_EQ(FileBusy("F.DAT", kBusyWaitOnly), 0);
  EXPECT_GE(MillisecondsSince(start), 1900);
  EXPECT_EQ(log.messages().size(), 1u);

  // The deleted record is not reused while another process writes the file;
  // the record is appended, silently, after the wait.
  std::int64_t index = 0;
  StreamPtr stream = FOpen2("F.DAT", kLength, &index, kNewRecord, kReuseFirstDeleted);
  EXPECT_EQ(index, 2);
  EXPECT_TRUE(stream);
  EXPECT_EQ(log.messages().size(), 1u);
}

}  // namespace
