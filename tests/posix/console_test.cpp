// The console program run as a process, as support technicians run it.
#include <algorithm>
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

// A file that cannot grow (the process's limit of file size; the signal
// ignored, so that the write fails with EFBIG) stops the run: its message and
// the console name the first file that failed and say why.
TEST_F(ConsoleTest, FailedRunNamesTheFileThatFailedAndWhy) {
  ASSERT_EQ(test::RunShell(std::string(LANVO_SAMPLE_EXE) + " --clients 20 --seed 7 --stage f10 data").status, 0);
  Result r = test::RunShell("trap '' XFSZ; ulimit -f 8; " + std::string(LANVO303_EXE) + " -C data convert");
  EXPECT_EQ(r.status, 1);
  const std::string cause = "Arquivo: F10R1.DAT — O arquivo ficou grande demais.";
  EXPECT_NE(r.out.find("Se o erro persistir, consulte o suporte técnico.\n\n" + cause + "\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("lanvo303: " + cause + "\n"), std::string::npos) << r.out;
}

TEST_F(ConsoleTest, UsageErrorsExitWithTwo) {
  // Each: one line that names what was wrong and the help to read.
  const std::pair<const char*, const char*> wrong[] = {
      {"frobnicate", "frobnicate"},
      {"export", "GROUP"},
      {"--yes --no convert", "--no"},
      {"convert -j 0", "-j"},
      {"-C data status other", "-C"},
  };
  for (const auto& [arguments, named] : wrong) {
    Result r = RunConsole(arguments);
    EXPECT_EQ(r.status, 2) << arguments;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << arguments << ":\n" << r.out;
    EXPECT_NE(r.out.find(named), std::string::npos) << arguments << ": " << r.out;
    EXPECT_NE(r.out.find("--help'"), std::string::npos) << arguments << ": " << r.out;
  }
  EXPECT_NE(RunConsole("export").out.find("'lanvo303 export --help'"), std::string::npos);
  EXPECT_EQ(RunConsole("-C no-such-folder convert").status, 2);
  EXPECT_FALSE(test::FileExists("CONV.DAT"));
}

TEST_F(ConsoleTest, OptionsMayFollowTheCommand) {
  test::fs::create_directory("data");
  Result r = RunConsole("convert -C data");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(test::FileExists("data/CONV.DAT"));
  // The same run of a maintenance command, its options before or after it.
  Result before = RunConsole("--root nowhere -C data delinquency");
  Result after = RunConsole("delinquency --root nowhere -C data");
  EXPECT_EQ(after.status, before.status);
  EXPECT_EQ(after.out, before.out);
  for (const char* command : {"convert", "status", "export", "delinquency"}) {
    r = RunConsole(std::string(command) + " --help");
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_NE(r.out.find(std::string("lanvo303 ") + command), std::string::npos) << r.out;
  }
  EXPECT_NE(RunConsole("convert --help").out.find("--report"), std::string::npos);
  EXPECT_NE(RunConsole("status --help").out.find("--json"), std::string::npos);
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
