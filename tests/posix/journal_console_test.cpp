// A journal in a customer's folder that this program did not write whole, met
// by the console program: every command stops with the message that names it.
#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/posix/console_support.hpp"
#include "tests/support.hpp"

namespace {

using test::Journal;

class JournalConsoleTest : public test::FolderTest {};

TEST_F(JournalConsoleTest, ADamagedOrForeignJournalStopsEveryCommandAndStays) {
  const std::string client = test::Record(1000).Set(0, 5, "00001").Set(232, 3, "1");
  const std::string victim = (folder() / "victim").string();
  const std::string journals[] = {
      Journal("R F10R2.DAT\nD " + victim + "\n"),
      Journal("R F10R2.DAT\nD ..\\victim\n"),
      Journal("R F10R2.DAT\nD \\victim\n"),  // from the root, which --root makes the test's folder
      Journal("R F10R2.DAT\nD C:\\victim\n"),
      Journal("R F10R2.DAT\nC F09R0.DAT\n").substr(0, 30),  // cut short
      "R F10R2.DAT\nD ..\\victim\nEND\n",  // the bare end line, without length and checksum
  };
  for (const std::string& journal : journals) {
    for (const char* command : {"convert", "export 1", "import 1", "regroup 1 2", "delinquency"}) {
      SCOPED_TRACE(journal + command);
      test::fs::remove_all("data");
      test::WriteFile("data/F10R2.DAT", client);
      test::WriteFile("data/F10R2.DAT.~new", "new clients");
      test::WriteFile("data/F09R0.DAT.~new", "farms");
      test::WriteFile("data/LANVO.JNL", journal);
      test::WriteFile("victim", "victim");
      test::fs::create_directory("a");
      auto before = test::Snapshot("data");

      test::ConsoleResult r = test::RunConsole(std::string("-C data --diskette a --root . ") + command);
      EXPECT_EQ(r.status, 1);
      // One message, the one that names the journal.
      EXPECT_EQ(r.out.rfind("[Lanvo] O arquivo LANVO.JNL ", 0), 0u) << r.out;
      EXPECT_EQ(r.out.find("\n["), std::string::npos) << r.out;
      EXPECT_EQ(test::Snapshot("data"), before);
      EXPECT_EQ(test::ReadFile("victim"), "victim");
    }
  }
}

}  // namespace
