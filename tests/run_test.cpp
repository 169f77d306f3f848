// The conversion run around the step-1 conversions: guards, backups and
// deletions, and what an I/O failure at any point leaves behind.
#include <map>
#include <string>

#include "app/text_dialog.hpp"
#include "convert/conversion.hpp"
#include "tests/convert_support.hpp"
#include "tests/step1_layouts.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;
namespace fs = test::fs;

class RunTest : public test::FolderTest {
 protected:
  void Run() {
    test::MessageLog log;
    app::TextDialog dialog(app::ConversionDialogItems(), "Lanvo 3.03");
    RunConversion(&dialog);
  }
};

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
  Run();
  EXPECT_FALSE(FileExists("F10R1.DAT"));
  EXPECT_EQ(ReadFile("F10R1.TMP"), intermediate);
  std::string after = ReadFile("F10R2.DAT");
  EXPECT_EQ(after.size(), current.size());
  EXPECT_EQ(after.substr(0, 11), current.substr(0, 11));
}

TEST_F(RunTest, EmptyOldClientFileGivesEmptyClientFile) {
  WriteFile("F10.DAT", "");
  Run();
  EXPECT_FALSE(FileExists("F10.DAT"));
  EXPECT_FALSE(FileExists("F10R1.DAT"));
  ASSERT_TRUE(FileExists("F10R2.DAT"));
  EXPECT_EQ(ReadFile("F10R2.DAT"), "");
  EXPECT_TRUE(FileExists("F10.TMP"));
  EXPECT_EQ(ReadFile("F10R1.TMP"), "");
}

TEST_F(RunTest, OldBackupIsKeptAndSourceStillGoes) {
  WriteFile("F10.DAT", OldClients(2));
  WriteFile("F10.TMP", "an older backup");
  Run();
  EXPECT_EQ(ReadFile("F10.TMP"), "an older backup");
  EXPECT_FALSE(FileExists("F10.DAT"));
  EXPECT_EQ(ReadFile("F10R2.DAT").size(), 2000u);
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
  Run();
  std::uint64_t operations = plat::FileOperationCount();
  auto done = StepOneFiles();
  std::string f24 = ReadFile("F24.DAT");
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
    Run();
    plat::InjectFault(plat::FaultKind::kNone, 0);

    for (auto& entry : fs::directory_iterator(folder))
      EXPECT_EQ(entry.path().string().find(".~new"), std::string::npos) << entry.path();
    EXPECT_TRUE((FileExists("F10.DAT") && ReadFile("F10.DAT") == f10) || ReadFile("F10.TMP") == f10);
    EXPECT_TRUE(FileExists("F13.DAT") ? ReadFile("F13.DAT") == f13 : ReadFile("F24.DAT") == f24);
    EXPECT_TRUE((FileExists("F14.DAT") && ReadFile("F14.DAT") == f14) || ReadFile("F14.TMP") == f14);
    EXPECT_TRUE(!FileExists("F14R0.DAT") || ReadFile("F14R0.DAT") == done["F14R0.DAT"]);
    EXPECT_TRUE(!FileExists("F24.DAT") || ReadFile("F24.DAT") == f24);

    Run();
    EXPECT_EQ(StepOneFiles(), done);
    fs::current_path(top);
  }
}

}  // namespace
