// The record-file routines: field reads at the end of a file, the deleted
// mark, the read-only attribute, temporary names and forced deletion.
#include "recfile/recfile.hpp"

#include "tests/support.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;

class RecFileTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
};

TEST_F(RecFileTest, FieldReadAtTheEndOfAFile) {
  WriteFile("F.DAT", "ABCDEFG");
  StreamPtr in = FOpenRead("F.DAT");
  ASSERT_TRUE(in);
  char buffer[8];
  ASSERT_TRUE(FReadField(in.get(), buffer, 4));
  EXPECT_STREQ(buffer, "ABCD");
  // The file ends inside the field: what remains, then null.
  ASSERT_TRUE(FReadField(in.get(), buffer, 5));
  EXPECT_STREQ(buffer, "EFG");
  EXPECT_EQ(FReadField(in.get(), buffer, 5), nullptr);
  EXPECT_EQ(FReadField(nullptr, buffer, 5), nullptr);
}

TEST_F(RecFileTest, FieldReadSeeksToARecordBeyondTheEnd) {
  WriteFile("F.DAT", std::string(30, 'x'));
  StreamPtr in = FOpenRead("F.DAT");
  char buffer[12];
  EXPECT_TRUE(in->Seek(7 * 30));
  EXPECT_EQ(FReadField(in.get(), buffer, 10), nullptr);
}

TEST_F(RecFileTest, DeletedMarkIsTheLastCharacterOfTheRecord) {
  // Three records of 5: live, deleted, and a last one a character short.
  WriteFile("F.DAT", "AAAA BBBB+CCC");
  StreamPtr in = FOpenRead("F.DAT");
  EXPECT_FALSE(FIsDeleted(in.get(), 0, 5));
  EXPECT_TRUE(FIsDeleted(in.get(), 1, 5));
  EXPECT_FALSE(FIsDeleted(in.get(), 2, 5));   // ends one character short
  EXPECT_FALSE(FIsDeleted(in.get(), 40, 5));  // beyond the end
  EXPECT_FALSE(FIsDeleted(nullptr, 1, 5));
}

TEST_F(RecFileTest, PaddedFieldWritesAreNotCut) {
  StreamPtr out = OpenToCreate("F.DAT");
  EXPECT_EQ(out->WriteField("AB", 3), 3u);
  EXPECT_EQ(out->WriteField("ABCD", 3), 4u);  // a longer value is written whole
  out->Close();
  EXPECT_EQ(ReadFile("F.DAT"), "AB ABCD");
}

TEST_F(RecFileTest, UpdateOpenClearsTheReadOnlyAttributeTheDirectOpenDoesNot) {
  WriteFile("F.DAT", "abc");
  ASSERT_TRUE(plat::MakeReadOnly("F.DAT"));
  EXPECT_FALSE(OpenToUpdate("F.DAT"));  // what a text-mode "r+t" open does
  EXPECT_TRUE(plat::IsReadOnly("F.DAT"));
  StreamPtr io = FOpenUpdate("F.DAT");
  ASSERT_TRUE(io);
  EXPECT_FALSE(plat::IsReadOnly("F.DAT"));
  io->Seek(1);
  io->Write("X");
  io->Close();
  EXPECT_EQ(ReadFile("F.DAT"), "aXc");
}

TEST_F(RecFileTest, AppendOpenClearsTheReadOnlyAttributeAndCreates) {
  WriteFile("F.DAT", "abc");
  plat::MakeReadOnly("F.DAT");
  EXPECT_FALSE(OpenToAppend("F.DAT"));
  StreamPtr out = FOpenAppend("F.DAT");
  ASSERT_TRUE(out);
  out->Write("d");
  FCloseIf(out);
  EXPECT_FALSE(out);
  EXPECT_EQ(ReadFile("F.DAT"), "abcd");
  EXPECT_TRUE(FOpenAppend("NEW.DAT"));
  EXPECT_TRUE(FileExists("NEW.DAT"));
  FMakeWritable("MISSING.DAT");  // a missing file stays missing
  EXPECT_FALSE(FileExists("MISSING.DAT"));
}

TEST_F(RecFileTest, TempFileNameFromTheLocalTime) {
  plat::TestHooks().now = [] { return plat::LocalTime{2026, 12, 8, 9, 5, 3, 70}; };
  char name[14];
  EXPECT_STREQ(TempFileName(name), "090503007.tmp");
  plat::TestHooks().now = [] { return plat::LocalTime{2026, 12, 8, 23, 59, 59, 999}; };
  EXPECT_STREQ(TempFileName(name), "235959099.tmp");
}

TEST_F(RecFileTest, ForcedDeletion) {
  WriteFile("F.DAT", "abc");
  plat::MakeReadOnly("F.DAT");
  EXPECT_FALSE(plat::RemoveFile("F.DAT"));  // a read-only file resists a plain delete
  EXPECT_EQ(FDelete("F.DAT"), 0);
  EXPECT_FALSE(FileExists("F.DAT"));
  EXPECT_EQ(FDelete("F.DAT"), -1);
}

TEST_F(RecFileTest, NamesMatchInAnyLetterCase) {
  WriteFile("conv.dat", "219\r\n");
  EXPECT_TRUE(plat::Exists("CONV.DAT"));
  StreamPtr in = FOpenRead("CONV.DAT");
  ASSERT_TRUE(in);
  char buffer[8];
  EXPECT_STREQ(FReadField(in.get(), buffer, 3), "219");
  // Appending through another spelling writes to the existing file.
  StreamPtr out = FOpenAppend("Conv.Dat");
  out->Write("X");
  out->Close();
  // ... and makes no second file beside it.
  using Entries = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(test::Snapshot("."), (Entries{{"conv.dat", "219\r\nX"}}));
}

}  // namespace
