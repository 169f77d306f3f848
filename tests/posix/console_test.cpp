// The console program run as a process, as support technicians run it.
#include <string>

#include "lanvo_version.hpp"
#include "tests/posix/console_support.hpp"
#include "tests/support.hpp"

namespace {

using Result = test::ConsoleResult;
using test::RunConsole;

class ConsoleTest : public test::FolderTest {};

TEST_F(ConsoleTest, ConvertsAnEmptyFolder) {
  test::fs::create_directory("data");
  Result r = RunConsole("-C data convert");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "[Lanvo] A conversão foi realizada.\n");
  // The log entry, and the two targets of step 3 that are made even from
  // nothing: an empty phone index and an empty text-document file.
  using Files = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(test::Snapshot("data"), (Files{{"CONV.DAT", "219\r\n"}, {"F40.DAT", ""}, {"FTEL1.DAT", ""}}));
  // Again: the same message and nothing appended.
  r = RunConsole("-C data convert");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(test::ReadFile("data/CONV.DAT"), "219\r\n");
}

TEST_F(ConsoleTest, UsageErrorsExitWithTwo) {
  for (const char* wrong : {"frobnicate", "export", "--yes --no convert", "convert extra"}) {
    Result r = RunConsole(wrong);  // "export": the group is required
    EXPECT_EQ(r.status, 2) << wrong;
    // What was wrong, then the usage with the commands.
    EXPECT_NE(r.out.find("--diskette"), std::string::npos) << wrong << ":\n" << r.out;
    EXPECT_NE(r.out.find("regroup"), std::string::npos) << wrong;
  }
  EXPECT_EQ(RunConsole("-C no-such-folder convert").status, 2);
  EXPECT_FALSE(test::FileExists("CONV.DAT"));
}

TEST_F(ConsoleTest, HelpListsTheCommands) {
  Result r = RunConsole("--help");
  EXPECT_EQ(r.status, 0);
  for (const char* word : {"convert", "export", "import", "regroup", "delinquency", "--diskette", "--root"})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  r = RunConsole("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("lanvo303 ") + LANVO_VERSION + "\n");
}

TEST_F(ConsoleTest, DialogOnTheTerminalClosesWithoutInput) {
  test::fs::create_directory("data");
  Result r = RunConsole("-C data");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Lanvo 3.03"), std::string::npos);
  EXPECT_NE(r.out.find("Pasta:"), std::string::npos);
  EXPECT_NE(r.out.find("Converter Versões"), std::string::npos);
  EXPECT_FALSE(test::FileExists("data/CONV.DAT"));  // nothing was pressed
}

}  // namespace
