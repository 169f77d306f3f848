// The console's message boxes, reached through the guarded open: printed as
// "[caption] text"; a Yes/No question takes the answer of --yes or --no, and
// without either is answered No when there is no terminal to ask on.
#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/posix.hpp"
#include "recfile/guarded_open.hpp"
#include "tests/support.hpp"

namespace {

using plat::posix::Answer;

constexpr char kQuestion[] =
    "[FOpen2] O arquivo já possui mais de 512 MB.\nTamanho: 512.000.001 bytes\n\n"
    "Avise o suporte técnico.\n\nDeseja continuar?\n";

class ConsoleQuestionTest : public test::FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    // One byte above the limit of the question, as a hole that costs no disk.
    test::WriteFile("F.DAT", "");
    test::fs::resize_file("F.DAT", 512000001);
  }
  void TearDown() override {
    plat::posix::SetAnswer(Answer::kAsk);
    FolderTest::TearDown();
  }
  // FOpen2 of a new record; true when it went on. *printed is the console's output.
  static bool Open(std::string* printed) {
    std::int64_t index = 0;
    testing::internal::CaptureStdout();
    bool opened = FOpen2("F.DAT", 1000, &index, kNewRecord, kAlwaysAppend) != nullptr;
    *printed = testing::internal::GetCapturedStdout();
    return opened;
  }
};

TEST_F(ConsoleQuestionTest, AnswerFromTheCommandLine) {
  std::string printed;
  plat::posix::SetAnswer(Answer::kNo);
  EXPECT_FALSE(Open(&printed));
  EXPECT_EQ(printed, kQuestion);
  EXPECT_EQ(test::fs::file_size("F.DAT"), 512000001u);

  plat::posix::SetAnswer(Answer::kYes);
  EXPECT_TRUE(Open(&printed));
  EXPECT_EQ(printed, kQuestion);
}

TEST_F(ConsoleQuestionTest, NoTerminalMeansNo) {
  int saved = ::dup(STDIN_FILENO);
  int null_input = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(saved, 0);
  ASSERT_GE(null_input, 0);
  ::dup2(null_input, STDIN_FILENO);
  std::string printed;
  bool opened = Open(&printed);
  ::dup2(saved, STDIN_FILENO);
  ::close(saved);
  ::close(null_input);
  EXPECT_FALSE(opened);
  EXPECT_EQ(printed, kQuestion);  // asked, but no prompt waits for an answer
}

}  // namespace
