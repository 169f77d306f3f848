// The conversion run: the order of its work, the closing message, the rule
// that a source file goes only when its data is safe elsewhere, and what an
// I/O failure at any point of step 1 leaves behind.
#include "convert/run.hpp"

#include <cstdio>
#include <map>
#include <string>

#include "ui/text_dialog.hpp"
#include "ui/dialog.hpp"
#include "recfile/journal.hpp"
#include "tests/convert_support.hpp"
#include "tests/step1_layouts.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;
namespace fs = test::fs;

class RunTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
  // A command of its own, as the dialog runs it: refusals of an earlier one
  // are forgotten.
  void Convert() {
    plat::ClearRefusals();
    RunConversion(&dialog_);
  }
  ui::TextDialog dialog_{ui::ConversionDialogItems(), "Lanvo 3.03"};
  test::MessageLog messages_;
};

TEST_F(RunTest, EmptyFolderGetsTheLogEntryAndTheEmptyTargetsOfStepThree) {
  Convert();
  using Files = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(test::Snapshot("."), (Files{{"CONV.DAT", "219\r\n"}, {"F40.DAT", ""}, {"FTEL1.DAT", ""}}));
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0],
            (test::Message{"A conversão foi realizada.", "Lanvo", plat::kIconInformation}));
  EXPECT_EQ(dialog_.ItemText(kItemStatus), "");
  EXPECT_EQ(rec::OpenStreamCount(), 0u);
}

TEST_F(RunTest, StatusLineNamesEachStepThenEmpties) {
  Convert();
  const auto& shown = dialog_.history(kItemStatus);
  ASSERT_GE(shown.size(), 5u);
  EXPECT_EQ(shown.back(), "");
  for (std::size_t i = 0; i + 1 < shown.size(); ++i) EXPECT_NE(shown[i], "");
  EXPECT_GE(dialog_.repaints(), 4);
}

TEST_F(RunTest, SecondRunAppendsNothing) {
  Convert();
  Convert();
  EXPECT_EQ(ReadFile("CONV.DAT"), "219\r\n");
  EXPECT_EQ(messages_.messages().size(), 2u);
}

TEST_F(RunTest, SourceBesideAnExistingTargetIsBackedUpAndDeleted) {
  WriteFile("F10.DAT", "old clients");
  test::Record mid = test::IntermediateClient(test::OldClient(7));
  WriteFile("F10R1.DAT", mid.bytes());
  Convert();
  EXPECT_FALSE(FileExists("F10.DAT"));
  EXPECT_EQ(ReadFile("F10.TMP"), "old clients");
  // F10R1.DAT is converted from its own content, not from F10.DAT: the client
  // file as it was before step 2 changed it is its backup.
  EXPECT_EQ(ReadFile("F10R1.TMP"), mid.bytes());
  EXPECT_EQ(ReadFile("F10R2-250.BAK"), test::NewClientFromIntermediate(mid).bytes());
}

TEST_F(RunTest, AnOlderBackupIsNeverOverwritten) {
  WriteFile("F14.DAT", "newer forms");
  WriteFile("F14R0.DAT", "converted earlier");
  WriteFile("F14.TMP", "older backup");
  Convert();
  EXPECT_EQ(ReadFile("F14.TMP"), "older backup");
  EXPECT_FALSE(FileExists("F14.DAT"));  // its backup exists, kept from before
}

TEST_F(RunTest, SourceStaysWhenItsBackupCannotBeMade) {
  WriteFile("F10.DAT", "old clients");
  WriteFile("F10R1.DAT", "converted earlier");
  WriteFile("F14.DAT", "forms");
  WriteFile("F14R0.DAT", "converted earlier");
  plat::TestHooks().before_file_op = [](plat::FileOp op) {
    return op != plat::FileOp::kCopy && op != plat::FileOp::kRename;
  };
  Convert();
  EXPECT_EQ(ReadFile("F10.DAT"), "old clients");
  EXPECT_EQ(ReadFile("F14.DAT"), "forms");
  EXPECT_FALSE(FileExists("F10.TMP"));
}

#ifndef _WIN32
// A source whose backup name is free becomes its backup by a rename; on POSIX
// the rename reaches the disk with a flush of its folder, and a flush that
// failed is a run not done. Windows renames with write-through.
TEST_F(RunTest, ASourceBecomesItsBackupAndTheRenameIsFlushed) {
  WriteFile("F10.DAT", "old clients");
  WriteFile("F10R1.DAT", "converted earlier");
  plat::FileOp last = plat::FileOp::kOpen;
  plat::TestHooks().before_file_op = [&last](plat::FileOp op) {
    bool refused = op == plat::FileOp::kSync && last == plat::FileOp::kRename;
    last = op;
    return !refused;
  };
  Convert();
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_FALSE(FileExists("F10.DAT"));
  EXPECT_EQ(ReadFile("F10.TMP"), "old clients");
  ASSERT_FALSE(messages_.messages().empty());
  EXPECT_EQ(messages_.messages().back().flags, plat::kIconError | plat::kOk);  // not done, and said so
  Convert();
  EXPECT_EQ(messages_.messages().back().text, "A conversão foi realizada.");
  EXPECT_EQ(ReadFile("F10.TMP"), "old clients");
}
#endif

TEST_F(RunTest, SourceStaysWhenItsTargetCannotBePutInPlace) {
  // The code table has no backup: it may go only once F24.DAT exists.
  WriteFile("F13.DAT", std::string(66, 'x'));
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kRename; };
  Convert();
  EXPECT_TRUE(FileExists("F13.DAT"));
  EXPECT_FALSE(FileExists("F24.DAT"));
  plat::TestHooks().before_file_op = nullptr;
  WriteFile("F24.DAT", "");
  Convert();
  EXPECT_FALSE(FileExists("F13.DAT"));
}

TEST_F(RunTest, ReadOnlySourceIsDeletedAllTheSame) {
  WriteFile("F10.DAT", "old clients");
  WriteFile("F10R1.DAT", "converted earlier");
  plat::MakeReadOnly("F10.DAT");
  Convert();
  EXPECT_FALSE(FileExists("F10.DAT"));
  EXPECT_EQ(ReadFile("F10.TMP"), "old clients");
}

std::string OldClients(int count) {
  std::string bytes;
  for (int n = 1; n <= count; ++n) bytes += test::OldClient(n).bytes();
  return bytes;
}

TEST_F(RunTest, ExistingClientFileLeavesTheIntermediateOneUnconverted) {
  std::string current = test::Record(1000).Set(0, 11, "00077").bytes();
  std::string intermediate = test::IntermediateClient(test::OldClient(1)).bytes() +
                             test::IntermediateClient(test::OldClient(2)).bytes();
  WriteFile("F10R2.DAT", current);
  WriteFile("F10R1.DAT", intermediate);
  Convert();
  EXPECT_FALSE(FileExists("F10R1.DAT"));
  EXPECT_EQ(ReadFile("F10R1.TMP"), intermediate);
  std::string after = ReadFile("F10R2.DAT");
  EXPECT_EQ(after.size(), current.size());
  EXPECT_EQ(after.substr(0, 11), current.substr(0, 11));
}

TEST_F(RunTest, EmptyOldClientFileGivesEmptyClientFile) {
  WriteFile("F10.DAT", "");
  Convert();
  EXPECT_FALSE(FileExists("F10.DAT"));
  EXPECT_FALSE(FileExists("F10R1.DAT"));
  ASSERT_TRUE(FileExists("F10R2.DAT"));
  EXPECT_EQ(ReadFile("F10R2.DAT"), "");
  EXPECT_TRUE(FileExists("F10.TMP"));
  EXPECT_EQ(ReadFile("F10R1.TMP"), "");
}

// The inputs of step 1 in a folder of release 2.x.
void WriteOldFolder() {
  namespace l = test::layout;
  WriteFile("F10.DAT", OldClients(3));
  WriteFile("F13.DAT", test::Record(l::f13::kLength).Set(l::f13::kCode, "0341").Set(l::f13::kName, "BANCO").bytes() +
                           test::Record(l::f13::kLength).Set(l::f13::kCode, "0001").bytes());
  WriteFile("F11.DAT", test::Record(l::f11::kLength).Set(l::f11::kCode, "00008").bytes());
  WriteFile("REG/F1200008.DAT", std::string(2 * l::reg::kLength, 'r'));
  std::string form = test::Record(l::f14::kLength).Set(l::f14::kCode, "001").Set(l::f14::kSlots, "30").bytes();
  WriteFile("F14.DAT", form + form);
}

// What the conversions of step 1 leave that no later step changes.
std::map<std::string, std::string> StepOneFiles() {
  std::map<std::string, std::string> files;
  for (const char* name : {"F10.DAT", "F10.TMP", "F10R1.DAT", "F10R1.TMP", "F13.DAT", "F14.DAT", "F14.TMP",
                           "F14R0.DAT"})
    files[name] = FileExists(name) ? ReadFile(name) : "(none)";
  files["F10R2.DAT size"] = std::to_string(FileExists("F10R2.DAT") ? ReadFile("F10R2.DAT").size() : 0);
  return files;
}

// Whatever single file operation fails, no data is lost: each source is
// still there or its target is complete and its backup made, no
// half-written file is left, and the next run finishes the work.
TEST_F(RunTest, FailureOfAnyFileOperationLosesNothing) {
  fs::path top = fs::current_path();
  fs::create_directory("clean");
  fs::current_path(top / "clean");
  WriteOldFolder();
  plat::InjectFault(plat::FaultKind::kNone, 0);
  Convert();
  std::uint64_t operations = plat::FileOperationCount();
  auto done = StepOneFiles();
  // The code table made from F13.DAT: step 2 carries it on as F24R0.DAT (it
  // holds no banks) and deletes F24.DAT.
  std::string f24 = ReadFile("F24R0.DAT");
  ASSERT_GT(operations, 20u);

  std::string f10 = OldClients(3);
  for (std::uint64_t n = 1; n <= operations; ++n) {
    SCOPED_TRACE(n);
    fs::path folder = top / ("fail-" + std::to_string(n));
    fs::create_directory(folder);
    fs::current_path(folder);
    WriteOldFolder();
    std::string f13 = ReadFile("F13.DAT"), f14 = ReadFile("F14.DAT");
    plat::InjectFault(plat::FaultKind::kFail, n);
    Convert();
    plat::InjectFault(plat::FaultKind::kNone, 0);

    // Files under their pending names stay only for a journal that the next
    // run completes, or where the failure stopped every change (a name that
    // could not be looked at), the run's own clean-up included; they are whole.
    auto no_pending_files = [&] {
      for (auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().string().find(".~new"), std::string::npos) << entry.path();
    };
    if (!rec::JournalPending() && !plat::ChangesStopped()) no_pending_files();
    EXPECT_TRUE((FileExists("F10.DAT") && ReadFile("F10.DAT") == f10) || ReadFile("F10.TMP") == f10);
    EXPECT_TRUE(FileExists("F13.DAT") ? ReadFile("F13.DAT") == f13
                                      : ReadFile("F24.DAT") == f24 || ReadFile("F24R0.DAT") == f24);
    EXPECT_TRUE((FileExists("F14.DAT") && ReadFile("F14.DAT") == f14) || ReadFile("F14.TMP") == f14);
    EXPECT_TRUE(!FileExists("F14R0.DAT") || ReadFile("F14R0.DAT") == done["F14R0.DAT"]);
    EXPECT_TRUE(!FileExists("F24.DAT") || ReadFile("F24.DAT") == f24);

    Convert();
    no_pending_files();
    EXPECT_EQ(StepOneFiles(), done);
    // The code table is where step 2 puts it, or (when step 1 could make it
    // only after the split) where step 1 put it.
    EXPECT_TRUE(ReadFile("F24R0.DAT") == f24 || ReadFile("F24.DAT") == f24);
    fs::current_path(top);
  }
}

}  // namespace

namespace {

// A client record of 1000 characters with a farm (643) and a second phone (331).
std::string ClientWithFarm() {
  return test::Record(1000).Set(0, 11, "00001").Set(331, 23, "(34) 9999-1111").Set(643, 40, "FAZENDA").bytes();
}

TEST_F(RunTest, AStepCutShortIsCompletedBeforeAnythingElse) {
  WriteFile("F10R2.DAT", ClientWithFarm());
  // The split's backup cannot be made: its journal stays behind.
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kCopy; };
  Convert();
  EXPECT_FALSE(FileExists("F09R0.DAT"));
  EXPECT_FALSE(FileExists("FTEL1.DAT"));  // nothing works on a client file about to be replaced
  EXPECT_EQ(ReadFile("F10R2.DAT"), ClientWithFarm());
  // Still no copy: the next run does nothing either, and says it is done.
  Convert();
  EXPECT_FALSE(FileExists("F09R0.DAT"));
  EXPECT_EQ(messages_.messages().size(), 2u);
  plat::TestHooks().before_file_op = nullptr;
  Convert();
  EXPECT_EQ(ReadFile("F10R2-250.BAK"), ClientWithFarm());
  EXPECT_EQ(ReadFile("F09R0.DAT").size(), 815u);
  // The split happened before the phones moved.
  EXPECT_EQ(ReadFile("F10R2.DAT").substr(290, 17), " / (34) 9999-1111");
  EXPECT_EQ(ReadFile("F10R2.DAT").substr(643, 40), std::string(40, ' '));
}

}  // namespace

namespace {

constexpr char kNotDone[] =
    "A conversão não foi concluída: houve erro ao ler ou gravar arquivos.\n"
    "Execute a conversão novamente. Se o erro persistir, consulte o suporte técnico.";

// The registration fix is logged once it is done: one that could not be
// written is done again by the next run, and the run does not claim success.
TEST_F(RunTest, RegistrationFixIsLoggedOnlyWhenDone) {
  WriteOldFolder();
  std::string registration = ReadFile("REG/F1200008.DAT");
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  Convert();
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_FALSE(FileExists("CONV.DAT"));
  EXPECT_EQ(ReadFile("REG/F1200008.DAT"), registration);
  ASSERT_EQ(messages_.messages().size(), 1u);
  // The closing message names the first file that could not be written.
  EXPECT_EQ(messages_.messages()[0].text,
            std::string(kNotDone) + "\n\nArquivo: F10R1.DAT — Espaço insuficiente no disco.");
  Convert();
  EXPECT_EQ(ReadFile("CONV.DAT"), "219\r\n");
  EXPECT_NE(ReadFile("REG/F1200008.DAT"), registration);
  EXPECT_EQ(messages_.texts().back(), "A conversão foi realizada.");
}

TEST_F(RunTest, MissingFilesAreNotFailures) {
  WriteFile("F10R1.DAT", "");  // converted from, nothing else there
  plat::MakeReadOnly("F10R1.DAT");
  Convert();
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{"A conversão foi realizada."});
}

}  // namespace

namespace {

TEST_F(RunTest, ASourceWhoseBackupNameHoldsSomethingElseGoesToTheNextFreeNumber) {
  WriteFile("F10.DAT", "old clients");
  WriteFile("F10R1.DAT", "converted earlier");
  WriteFile("F10.TMP", "older backup");
  WriteFile("F10-1.TMP", "another file");
  WriteFile("F14.DAT", "forms");
  WriteFile("F14R0.DAT", "converted earlier");
  test::fs::create_directory("F14.TMP");  // a folder at the backup's name
  Convert();
  EXPECT_FALSE(FileExists("F10.DAT"));
  EXPECT_EQ(ReadFile("F10.TMP"), "older backup");
  EXPECT_EQ(ReadFile("F10-1.TMP"), "another file");
  EXPECT_EQ(ReadFile("F10-2.TMP"), "old clients");
  EXPECT_FALSE(FileExists("F14.DAT"));
  EXPECT_EQ(ReadFile("F14-1.TMP"), "forms");
  // The run says where they went.
  std::string said;
  for (const std::string& text : messages_.texts()) said += text;
  EXPECT_NE(said.find("F10.DAT -> F10-2.TMP"), std::string::npos) << said;
  EXPECT_NE(said.find("F14.DAT -> F14-1.TMP"), std::string::npos) << said;
  // A source whose bytes a file of the series holds already simply goes.
  WriteFile("F10.DAT", "old clients");
  Convert();
  EXPECT_FALSE(FileExists("F10.DAT"));
  EXPECT_FALSE(FileExists("F10-3.TMP"));
}

TEST_F(RunTest, ASourceWrittenToWhileItWasConvertedStays) {
  WriteFile("F10.DAT", std::string(400, 'A'));
  // Another program appends to F10.DAT once the new client file is written.
  bool appended = false;
  plat::TestHooks().before_file_op = [&appended](plat::FileOp op) {
    if (op == plat::FileOp::kRename && !appended) {
      appended = true;
      std::FILE* f = std::fopen("F10.DAT", "ab");
      std::fputs("appended meanwhile", f);
      std::fclose(f);
    }
    return true;
  };
  Convert();
  EXPECT_TRUE(FileExists("F10R1.DAT"));
  EXPECT_EQ(ReadFile("F10.DAT"), std::string(400, 'A') + "appended meanwhile");
  EXPECT_FALSE(FileExists("F10.TMP"));
  EXPECT_EQ(messages_.messages().back().flags, plat::kIconError | plat::kOk);
  // No file service failed: the message names no file.
  EXPECT_EQ(messages_.messages().back().text, kNotDone);
}

}  // namespace

namespace {

TEST_F(RunTest, AReadOnlyClientFileIsNotSplitAndTheRunSaysSo) {
  WriteFile("F10R2.DAT", std::string(1000, ' '));
  ASSERT_TRUE(plat::MakeReadOnly("F10R2.DAT"));
  Convert();
  EXPECT_FALSE(FileExists("F09R0.DAT"));
  std::vector<std::string> said = messages_.texts();
  ASSERT_GE(said.size(), 2u);
  EXPECT_NE(said[said.size() - 2].find("F10R2.DAT é somente leitura"), std::string::npos);
}

}  // namespace
