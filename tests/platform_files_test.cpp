// The file services of the platform layer as the core relies on them, on
// both systems: the read-only attribute, renames and copies that never
// replace, the pattern search, folders, 64-bit sizes, the busy test, the
// injected faults.
#include <filesystem>

#include "platform/platform.hpp"
#include "tests/support.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;
namespace fs = test::fs;

class PlatformFilesTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
};

TEST_F(PlatformFilesTest, ReadOnlyRefusesWritersEvenToRoot) {
  WriteFile("F.DAT", "abc");
  ASSERT_TRUE(plat::MakeReadOnly("F.DAT"));
  EXPECT_TRUE(plat::IsReadOnly("F.DAT"));
  for (auto mode : {plat::OpenMode::kUpdate, plat::OpenMode::kAppend, plat::OpenMode::kCreate})
    EXPECT_EQ(plat::OpenFile("F.DAT", mode), plat::kNoHandle);
  EXPECT_FALSE(plat::RemoveFile("F.DAT"));
  plat::Handle h = plat::OpenFile("F.DAT", plat::OpenMode::kRead);
  EXPECT_NE(h, plat::kNoHandle);
  plat::CloseFile(h);
  EXPECT_TRUE(plat::MakeWritable("F.DAT"));
  EXPECT_FALSE(plat::IsReadOnly("F.DAT"));
  EXPECT_TRUE(plat::RemoveFile("F.DAT"));
}

TEST_F(PlatformFilesTest, RenameNeverReplacesFilesOrFolders) {
  WriteFile("A.DAT", "a");
  WriteFile("b.dat", "b");
  EXPECT_FALSE(plat::RenameNoReplace("A.DAT", "B.DAT"));  // b.dat is B.DAT
  EXPECT_EQ(ReadFile("b.dat"), "b");
  EXPECT_TRUE(plat::RenameNoReplace("A.DAT", "C.DAT"));
  EXPECT_EQ(ReadFile("C.DAT"), "a");
  fs::create_directories("R03/sub");
  fs::create_directories("R60");
  EXPECT_FALSE(plat::RenameNoReplace("R03", "R60"));
  EXPECT_TRUE(plat::RenameNoReplace("R03", "R61"));
  EXPECT_TRUE(fs::is_directory("R61/sub"));
  EXPECT_FALSE(plat::RenameNoReplace("MISSING", "R62"));
}

TEST_F(PlatformFilesTest, CreatingANewFileNeverTakesAnExistingOne) {
  WriteFile("map.tmp", "the user's");
  EXPECT_EQ(plat::OpenFile("MAP.TMP", plat::OpenMode::kCreateNew), plat::kNoHandle);  // in any letter case
  EXPECT_EQ(ReadFile("map.tmp"), "the user's");
  plat::Handle h = plat::OpenFile("NEW.TMP", plat::OpenMode::kCreateNew);
  ASSERT_NE(h, plat::kNoHandle);
  EXPECT_EQ(plat::WriteAt(h, 0, "1", 1), 1);
  EXPECT_TRUE(plat::CloseFile(h));
  EXPECT_EQ(ReadFile("NEW.TMP"), "1");
}

TEST_F(PlatformFilesTest, CopyNeverReplacesAndIsWholeOrAbsent) {
  WriteFile("F10.DAT", std::string(20 << 20, 'x'));  // several chunks of either copy loop
  WriteFile("OLD.TMP", "older");
  EXPECT_FALSE(plat::CopyNoReplace("F10.DAT", "old.tmp"));
  EXPECT_EQ(ReadFile("OLD.TMP"), "older");
  EXPECT_TRUE(plat::CopyNoReplace("F10.DAT", "F10.TMP"));
  EXPECT_EQ(ReadFile("F10.TMP"), ReadFile("F10.DAT"));
  // A disk that fills up half-way leaves no partial backup behind.
  int writes = 0;
  plat::TestHooks().before_file_op = [&writes](plat::FileOp op) {
    return op != plat::FileOp::kWrite || ++writes < 2;
  };
  EXPECT_FALSE(plat::CopyNoReplace("F10.DAT", "F10B.TMP"));
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_FALSE(FileExists("F10B.TMP"));
  EXPECT_EQ(test::Snapshot(".").size(), 3u);
  EXPECT_FALSE(plat::CopyNoReplace("MISSING.DAT", "X.TMP"));
  EXPECT_FALSE(FileExists("X.TMP"));
}

TEST_F(PlatformFilesTest, PatternSearchIgnoresLetterCase) {
  WriteFile("R03/a.dat", "");
  WriteFile("R03/B.DAT", "");
  WriteFile("R03/C.TXT", "");
  WriteFile("R03/D.DATX", "");
  EXPECT_EQ(plat::FindFiles("r03", "*.DAT"), (std::vector<std::string>{"B.DAT", "a.dat"}));
  EXPECT_TRUE(plat::FindFiles("MISSING", "*.DAT").empty());
}

TEST_F(PlatformFilesTest, FoldersAreMadeAndRemovedOnlyWhenEmpty) {
  EXPECT_TRUE(plat::MakeFolder("r01"));
  EXPECT_FALSE(plat::MakeFolder("R01"));
  WriteFile("r01/x", "");
  EXPECT_FALSE(plat::RemoveFolder("R01"));
  fs::remove("r01/x");
  EXPECT_TRUE(plat::RemoveFolder("R01"));
  EXPECT_FALSE(plat::IsFolder("r01"));
}

TEST_F(PlatformFilesTest, SizeIsTheTrue64BitSize) {
  WriteFile("BIG.DAT", "");
  fs::resize_file("BIG.DAT", 5000000000ULL);  // sparse: costs no disk
  EXPECT_EQ(plat::FileSize("BIG.DAT"), 5000000000LL);
  EXPECT_EQ(plat::FileSize("MISSING.DAT"), -1);
}

TEST_F(PlatformFilesTest, TruncationCutsAnOpenFileAndWritesGoOnFromThere) {
  WriteFile("F.DAT", "0123456789");
  plat::Handle h = plat::OpenFile("F.DAT", plat::OpenMode::kUpdate);
  ASSERT_NE(h, plat::kNoHandle);
  EXPECT_TRUE(plat::TruncateFile(h, 4));
  EXPECT_EQ(plat::SizeOf(h), 4);
  EXPECT_EQ(plat::WriteAt(h, 4, "ab", 2), 2);
  EXPECT_TRUE(plat::CloseFile(h));
  EXPECT_EQ(ReadFile("F.DAT"), "0123ab");
}

TEST_F(PlatformFilesTest, FileHeldForWritingIsBusy) {
  WriteFile("F34.DAT", "x");
  EXPECT_EQ(plat::BusyTest("F34.DAT"), 0);
  EXPECT_EQ(plat::BusyTest("MISSING.DAT"), 0);
  plat::Handle writer = plat::OpenFile("F34.DAT", plat::OpenMode::kUpdate);
  ASSERT_NE(writer, plat::kNoHandle);
  EXPECT_EQ(plat::BusyTest("F34.DAT"), 1);
  plat::Handle reader = plat::OpenFile("F34.DAT", plat::OpenMode::kRead);
  plat::CloseFile(reader);  // a reader does not make it busy
  plat::CloseFile(writer);
  EXPECT_EQ(plat::BusyTest("F34.DAT"), 0);
}

TEST_F(PlatformFilesTest, InjectedFaultFailsExactlyTheNthOperation) {
  plat::InjectFault(plat::FaultKind::kFail, 2);
  plat::Handle h = plat::OpenFile("F.DAT", plat::OpenMode::kCreate);  // 1
  ASSERT_NE(h, plat::kNoHandle);
  EXPECT_EQ(plat::WriteAt(h, 0, "abc", 3), 0);  // 2: fails
  EXPECT_EQ(plat::WriteAt(h, 0, "abc", 3), 3);  // 3
  plat::CloseFile(h);
  EXPECT_EQ(plat::FileOperationCount(), 4u);
  plat::InjectFault(plat::FaultKind::kNone, 0);
}

}  // namespace
