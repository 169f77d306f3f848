// The folder moves of the clean-up: the park of R02 in the temporary area and
// the merges of R03 and R04, with numbered names where a name is taken.
#include "convert/folder_moves.hpp"

#include "tests/support.hpp"

namespace {

using convert::MergeFolder;
using convert::ParkFolder;
using test::FileExists;
using test::ReadFile;
using test::WriteFile;
namespace fs = test::fs;

class FolderMovesTest : public test::FolderTest {
 protected:
  void SetUp() override {
    test::FolderTest::SetUp();
    fs::create_directory("tmp");
    temp_ = (folder() / "tmp").string() + "/";
  }
  void TearDown() override {
    plat::TestHooks().before_file_op = nullptr;
    test::FolderTest::TearDown();
  }
  std::string temp_;
};

TEST_F(FolderMovesTest, ParkedBelowTheTemporaryFolder) {
  WriteFile("R02/FOTO001.BMP", "photo");
  WriteFile("R02/ANTIGO/X.BMP", "x");
  EXPECT_TRUE(ParkFolder("R02", "Vamk\\Lanvo", temp_));
  EXPECT_FALSE(FileExists("R02"));
  EXPECT_EQ(ReadFile("tmp/Vamk/Lanvo/R02/FOTO001.BMP"), "photo");
  EXPECT_EQ(ReadFile("tmp/Vamk/Lanvo/R02/ANTIGO/X.BMP"), "x");
}

TEST_F(FolderMovesTest, ParkedTwiceGoesToTheNextNumber) {
  fs::create_directories("tmp/Vamk/Lanvo/R02");
  fs::create_directories("tmp/Vamk/Lanvo/R02.001");
  WriteFile("R02/LOTE.DAT", "second");
  EXPECT_TRUE(ParkFolder("R02", "Vamk\\Lanvo", temp_));
  EXPECT_EQ(ReadFile("tmp/Vamk/Lanvo/R02.002/LOTE.DAT"), "second");
  WriteFile("R02/LOTE.DAT", "third");
  EXPECT_TRUE(ParkFolder("R02", "Vamk\\Lanvo", temp_));
  EXPECT_EQ(ReadFile("tmp/Vamk/Lanvo/R02.003/LOTE.DAT"), "third");
}

TEST_F(FolderMovesTest, AfterAHundredNumbersTheFolderStays) {
  fs::create_directories("tmp/Vamk/Lanvo/R02");
  for (int i = 1; i <= 100; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "tmp/Vamk/Lanvo/R02.%03d", i);
    fs::create_directories(name);
  }
  WriteFile("R02/LOTE.DAT", "kept");
  EXPECT_FALSE(ParkFolder("R02", "Vamk\\Lanvo", temp_));
  EXPECT_EQ(ReadFile("R02/LOTE.DAT"), "kept");
}

TEST_F(FolderMovesTest, ATemporaryFolderWithoutSeparatorGetsOne) {
  WriteFile("R02/LOTE.DAT", "lot");
  EXPECT_TRUE(ParkFolder("R02", "Vamk\\Lanvo", temp_.substr(0, temp_.size() - 1)));
  EXPECT_EQ(ReadFile("tmp/Vamk/Lanvo/R02/LOTE.DAT"), "lot");
}

TEST_F(FolderMovesTest, NoFolderNothingParked) {
  EXPECT_FALSE(ParkFolder("R02", "Vamk\\Lanvo", temp_));
  EXPECT_FALSE(FileExists("tmp/Vamk"));
}

TEST_F(FolderMovesTest, MergeIntoAMissingFolderIsARename) {
  WriteFile("R03/A.DAT", "a");
  WriteFile("R03/FOTO.BMP", "photo");
  fs::create_directory("R03/VAZIA");
  MergeFolder("R03", "R60");
  EXPECT_FALSE(FileExists("R03"));
  EXPECT_EQ(ReadFile("R60/A.DAT"), "a");
  EXPECT_EQ(ReadFile("R60/FOTO.BMP"), "photo");
  EXPECT_TRUE(fs::is_directory("R60/VAZIA"));
}

TEST_F(FolderMovesTest, MergeWithClashesAndOtherKindsOfFiles) {
  WriteFile("R03/A.DAT", "new a");
  WriteFile("R03/b.dat", "new b");
  WriteFile("R03/C.DAT", "c");
  WriteFile("R03/LEIA.TXT", "read me");
  WriteFile("R60/A.DAT", "old a");
  WriteFile("R60/A.DAT.001", "older a");
  WriteFile("R60/B.DAT", "old b");
  MergeFolder("R03", "R60");
  EXPECT_EQ(ReadFile("R60/A.DAT"), "old a");
  EXPECT_EQ(ReadFile("R60/A.DAT.001"), "older a");
  EXPECT_EQ(ReadFile("R60/A.DAT.002"), "new a");
  EXPECT_EQ(ReadFile("R60/B.DAT"), "old b");
  EXPECT_EQ(ReadFile("R60/b.dat.001"), "new b");  // taken in any letter case
  EXPECT_EQ(ReadFile("R60/C.DAT"), "c");
  // A file of another kind keeps the source folder.
  EXPECT_EQ(ReadFile("R03/LEIA.TXT"), "read me");
  EXPECT_EQ(test::Snapshot("R03").size(), 1u);
}

TEST_F(FolderMovesTest, MergeEmptiesAndRemovesTheSource) {
  WriteFile("R04/A.DAT", "a");
  WriteFile("R65/B.DAT", "b");
  MergeFolder("R04", "R65");
  EXPECT_FALSE(FileExists("R04"));
  EXPECT_EQ(ReadFile("R65/A.DAT"), "a");
}

TEST_F(FolderMovesTest, MergeOfAMissingFolderCreatesNothing) {
  MergeFolder("R03", "R60");
  EXPECT_FALSE(FileExists("R60"));
  fs::create_directory("R60");
  MergeFolder("R03", "R60");
  EXPECT_TRUE(fs::is_directory("R60"));
}

}  // namespace

namespace {

// A move that fails for another reason than a name already taken (a passing
// fault) must not send the folder to the next number: the next run parks it
// under the name this one would have used.
TEST_F(FolderMovesTest, AMoveThatFailsForAnotherReasonWaitsForTheNextRun) {
  WriteFile("R02/LOTE.DAT", "lots");
  WriteFile("R03/A.DAT", "a");
  WriteFile("R04/B.DAT", "b");
  WriteFile("R04/LEIA.TXT", "readme");
  fs::create_directory("R65");
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kRename; };
  EXPECT_FALSE(ParkFolder("R02", "Vamk\\Lanvo", temp_));
  MergeFolder("R03", "R60");
  MergeFolder("R04", "R65");
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(ReadFile("R02/LOTE.DAT"), "lots");
  EXPECT_FALSE(FileExists("tmp/Vamk/Lanvo/R02.001"));
  EXPECT_FALSE(FileExists("R60"));  // not made, file by file, into a new folder
  EXPECT_EQ(ReadFile("R03/A.DAT"), "a");
  EXPECT_EQ(ReadFile("R04/B.DAT"), "b");
  EXPECT_FALSE(FileExists("R65/B.DAT.001"));

  EXPECT_TRUE(ParkFolder("R02", "Vamk\\Lanvo", temp_));
  MergeFolder("R03", "R60");
  MergeFolder("R04", "R65");
  EXPECT_EQ(ReadFile("tmp/Vamk/Lanvo/R02/LOTE.DAT"), "lots");
  EXPECT_EQ(ReadFile("R60/A.DAT"), "a");
  EXPECT_EQ(ReadFile("R65/B.DAT"), "b");
  EXPECT_EQ(ReadFile("R04/LEIA.TXT"), "readme");
}

}  // namespace
