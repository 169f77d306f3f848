// An import cut short anywhere (killed, the power gone) is taken back whole
// by the next start, and a F10R2.LEN that this program did not write is
// never taken for one of its own.
#include "maintenance/append_guard.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ui/text_dialog.hpp"
#include "maintenance/export_import.hpp"
#include "platform/posix/posix.hpp"
#include "recfile/client_record.hpp"
#include "ui/dialog.hpp"
#include "tests/posix/console_support.hpp"
#include "tests/support.hpp"

namespace {

using test::Message;

std::string Client(const std::string& code, const std::string& name) {
  return test::Record(client::kLength).Set(client::kCodeAt, 11, code).Set(11, 40, name).Set(client::kGroupAt, 3, "1");
}

std::string Clients(int first, int count) {
  std::string file;
  for (int code = first; code < first + count; ++code) file += Client(std::to_string(code), "Cliente");
  return file;
}

class AppendGuardTest : public test::FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    plat::posix::SetDisketteFolder((folder() / "diskette").string());
    // The code map is always 102030045.tmp.
    plat::TestHooks().now = [] { return plat::LocalTime{2026, 3, 15, 10, 20, 30, 456}; };
  }
  void TearDown() override {
    plat::posix::SetDisketteFolder("");
    plat::TestHooks().now = nullptr;
    FolderTest::TearDown();
  }
  // The data folder holding only the client file, and the diskette file.
  void Prepare(const std::string& clients, const std::string& diskette) {
    for (const auto& entry : test::fs::directory_iterator(folder())) test::fs::remove_all(entry.path());
    test::WriteFile("F10R2.DAT", clients);
    test::WriteFile(folder() / "diskette" / "F10R2.BAK", diskette);
  }
  static void Import() {
    ui::TextDialog dialog({kItemGroupField}, "Lanvo 3.03");
    dialog.SetItemText(kItemGroupField, "7");
    ExportImportClients(&dialog, 1);
  }
  // Imports in a child process that ends on the spot, as a killed one, at
  // its n-th file operation (never, for 0); answers the child's count of
  // operations when it was not killed.
  static std::uint64_t ImportInChild(std::uint64_t n) {
    int ends[2];
    if (pipe(ends) != 0) return 0;
    pid_t child = fork();
    if (child == 0) {
      close(ends[0]);
      test::MessageLog quiet;
      plat::InjectFault(n ? plat::FaultKind::kCrash : plat::FaultKind::kNone, n);
      Import();
      std::uint64_t count = plat::FileOperationCount();
      std::_Exit(write(ends[1], &count, sizeof count) == sizeof count ? 0 : 1);
    }
    close(ends[1]);
    std::uint64_t count = 0;
    if (read(ends[0], &count, sizeof count) != sizeof count) count = 0;
    close(ends[0]);
    waitpid(child, nullptr, 0);
    return count;
  }
};

TEST_F(AppendGuardTest, AnImportKilledAnywhereIsTakenBackWhole) {
  // Three blocks of records from the diskette; the local file of whole
  // records, then one whose last record is cut short (the import completes it).
  const std::string diskette = Clients(1, 700);
  for (const std::string& local : {Clients(1, 3), Clients(1, 3) + Client("4", "Curto").substr(0, 600)}) {
    Prepare(local, diskette);
    std::uint64_t operations = ImportInChild(0);
    const std::string imported = test::ReadFile("F10R2.DAT");
    ASSERT_EQ(imported.size(), 703u * client::kLength + (local.size() % client::kLength ? client::kLength : 0));
    ASSERT_GT(operations, 20u);
    int taken_back = 0;
    for (std::uint64_t n = 1; n <= operations; ++n) {
      Prepare(local, diskette);
      ImportInChild(n);
      std::string left = test::ReadFile("F10R2.DAT");
      ASSERT_TRUE(maint::RecoverInterruptedAppend()) << "killed at operation " << n;
      std::string after = test::ReadFile("F10R2.DAT");
      ASSERT_EQ(test::Snapshot(folder()).size(), 3u) << "killed at operation " << n << ": a file of the import is left";
      // Killed after its last change: the import is whole, and done.
      if (after == imported) continue;
      ASSERT_TRUE(after == local) << "killed at operation " << n << ": " << after.size() << " bytes";
      taken_back += left != local;
      test::MessageLog messages;
      Import();
      ASSERT_TRUE(test::ReadFile("F10R2.DAT") == imported) << "killed at operation " << n << ", then run again";
      ASSERT_EQ(messages.texts(), std::vector<std::string>{"Foram importados 700 clientes."});
    }
    EXPECT_GE(taken_back, 3) << "blocks appended before a kill were taken back";
  }
}

TEST_F(AppendGuardTest, ALengthFileNotOfThisProgramIsLeftAlone) {
  const std::string local = Clients(1, 3);
  Prepare(local, Clients(1, 2));
  test::WriteFile("F10R2.LEN", "1000\r\n");
  test::WriteFile("102030045.tmp", "notes of the user");
  EXPECT_TRUE(maint::RecoverInterruptedAppend());
  EXPECT_EQ(test::ReadFile("F10R2.DAT"), local);
  EXPECT_EQ(test::ReadFile("F10R2.LEN"), "1000\r\n");
  EXPECT_EQ(test::ReadFile("102030045.tmp"), "notes of the user");
  // While it is there the import cannot record the length of the client file,
  // and appends nothing.
  test::MessageLog messages;
  Import();
  EXPECT_EQ(test::ReadFile("F10R2.DAT"), local);
  EXPECT_EQ(messages.messages().front().flags, static_cast<unsigned>(plat::kIconError));
}

}  // namespace

namespace {

// Every command, of the console as of the dialogs, first takes back what a
// killed import appended.
TEST_F(AppendGuardTest, EveryCommandFirstTakesBackAKilledImport) {
  for (const char* command : {"convert", "regroup 001 002", "delinquency", "export 001"}) {
    const std::string local = Clients(1, 2);
    Prepare(local, Clients(1, 1));
    test::WriteFile("F10R2.LEN", "F10R2.DAT " + std::to_string(local.size()) + "\r\n");
    test::WriteFile("F10R2.DAT", local + std::string(client::kLength / 2, 'x'));  // half a record
    auto r = test::RunConsole(std::string("--yes ") + command);
    EXPECT_EQ(test::ReadFile("F10R2.DAT").size() % client::kLength, 0u) << command << "\n" << r.out;
    EXPECT_EQ(test::ReadFile("F10R2.DAT").find('x'), std::string::npos) << command;
    EXPECT_FALSE(test::FileExists("F10R2.LEN")) << command;
  }
}

}  // namespace
