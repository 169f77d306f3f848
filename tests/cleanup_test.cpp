// Step 4 on a folder: the 41 rows of the clean-up, the rename of F09.DAT, and
// the folders that go or merge. (The park of R02 is in folder_moves_test.cpp
// and, with the system's temporary folder, in the end-to-end test.)
#include "convert/cleanup.hpp"

#include <cctype>

#include "tests/support.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;
namespace fs = test::fs;

// Every file of the clean-up list but F09.DAT and F24.DAT, which have rules
// of their own.
const char* const kObsolete[] = {
    "Acc001.dat", "Accnew.001", "CONF0.SAT", "CONFIG1.DAT", "config2.dat", "config3.dat",
    "config4.dat", "lan01.txt", "normas.txt", "C01.DAT", "CONF3R0.DAT", "C03.DAT",
    "contrato.txt", "contrat2.txt", "c04.dat", "c04b.dat", "C04R0.DAT", "C04R0B.DAT",
    "C05.DAT", "C06AUX.DAT", "C06.DAT", "C06B.DAT", "C10.DAT", "d03.den", "d401.den",
    "d402.den", "d403.den", "d406.xls", "ExpCli.bat", "F15.DAT", "F18.DAT", "F19R0.DAT",
    "F19R1.DAT", "Lanvo219.con", "Lanvo240.con", "COMPRESS.EXE", "Lanvo.hlp", "Lanvo.gid"};

// Swaps the letter case of a name.
std::string OtherCase(std::string name) {
  for (char& c : name) c = std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                                       : static_cast<char>(std::toupper(c));
  return name;
}

class CleanUpTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
  static void CleanUp() { convert::CleanUpFolder(); }
};

TEST_F(CleanUpTest, EveryObsoleteFileGoesInAnyLetterCaseReadOnlyOrNot) {
  bool read_only = false;
  for (const char* name : kObsolete) {
    std::string written = (read_only = !read_only) ? std::string(name) : OtherCase(name);
    WriteFile(written, "old");
    if (read_only) plat::MakeReadOnly(written);
  }
  WriteFile("F10R2.DAT", "clients");
  WriteFile("F09R0.DAT", "farms");
  CleanUp();
  using Files = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(test::Snapshot("."), (Files{{"F09R0.DAT", "farms"}, {"F10R2.DAT", "clients"}}));
}

TEST_F(CleanUpTest, OldTextsAreRenamed) {
  WriteFile("f09.dat", "older texts");
  CleanUp();
  EXPECT_EQ(ReadFile("F90.DAT"), "older texts");
  EXPECT_FALSE(FileExists("f09.dat"));
  EXPECT_FALSE(FileExists("F09.TMP"));
}

TEST_F(CleanUpTest, OldTextsBesideNewerOnesGoAfterABackup) {
  WriteFile("F09.DAT", "older texts");
  WriteFile("F90.DAT", "texts");
  CleanUp();
  EXPECT_EQ(ReadFile("F90.DAT"), "texts");
  EXPECT_FALSE(FileExists("F09.DAT"));
  EXPECT_EQ(ReadFile("F09.TMP"), "older texts");
}

TEST_F(CleanUpTest, OldTextsWithoutABackupStay) {
  WriteFile("F09.DAT", "older texts");
  WriteFile("F90.DAT", "texts");
  plat::TestHooks().before_file_op = [](plat::FileOp op) {
    return op != plat::FileOp::kCopy && op != plat::FileOp::kRename;
  };
  CleanUp();
  plat::TestHooks() = plat::Hooks{};
  EXPECT_EQ(ReadFile("F09.DAT"), "older texts");
}

TEST_F(CleanUpTest, TheBankTableGoesOnlyOnceCopied) {
  WriteFile("F24.DAT", "table");
  CleanUp();
  EXPECT_EQ(ReadFile("F24.DAT"), "table");
  WriteFile("F24R0.DAT", "copy");
  CleanUp();
  EXPECT_FALSE(FileExists("F24.DAT"));
  EXPECT_EQ(ReadFile("F24R0.DAT"), "copy");
}

TEST_F(CleanUpTest, EmptyFoldersGoFoldersWithFilesStay) {
  fs::create_directory("R01");
  WriteFile("R01/X.TXT", "x");
  fs::create_directory("r401");
  CleanUp();
  EXPECT_EQ(ReadFile("R01/X.TXT"), "x");
  EXPECT_FALSE(FileExists("r401"));
}

TEST_F(CleanUpTest, FoldersMergeAndASecondRunChangesNothing) {
  WriteFile("R03/A.DAT", "a");
  WriteFile("R04/B.DAT", "b");
  WriteFile("R65/B.DAT", "older b");
  CleanUp();
  EXPECT_EQ(ReadFile("R60/A.DAT"), "a");
  EXPECT_EQ(ReadFile("R65/B.DAT"), "older b");
  EXPECT_EQ(ReadFile("R65/B.DAT.001"), "b");
  auto after = test::Snapshot(".");
  CleanUp();
  EXPECT_EQ(test::Snapshot("."), after);
}

}  // namespace
