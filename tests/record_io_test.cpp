// Reading and changing records in memory: fields that a record cut short does
// not have, and changes that never make a record longer.
#include "recfile/record_io.hpp"

#include "recfile/recfile.hpp"
#include "tests/support.hpp"

namespace {

using namespace rec;
using test::ReadFile;
using test::WriteFile;

TEST(FillsRecord, FieldsMustLieBackToBackUpToTheLength) {
  EXPECT_TRUE(FillsRecord({{0, 4}, {4, 6}}, 10));
  EXPECT_FALSE(FillsRecord({{0, 4}, {5, 5}}, 10));
  EXPECT_FALSE(FillsRecord({{0, 4}, {4, 5}}, 10));
}

TEST(FieldOf, TakesWhatTheRecordHas) {
  EXPECT_EQ(FieldOf("ABCDEFGH", 2, 3), "CDE");
  EXPECT_EQ(FieldOf("ABCDEFGH", 6, 5), "GH");  // the record ends inside the field
  EXPECT_EQ(FieldOf("ABCDEFGH", 8, 5), "");    // and before it
  EXPECT_EQ(FieldOf("AB\nCDEF", 0, 5), "AB\n");  // a field read ends after a line feed
}

TEST(FieldAsText, EndsAtANullAndNeverReadsPastTheRecord) {
  char buffer[6];
  ASSERT_TRUE(FieldAsText(std::string_view("AB\0CDEF", 7), 1, buffer, 5));
  EXPECT_STREQ(buffer, "B");
  ASSERT_TRUE(FieldAsText("ABC", 2, buffer, 5));
  EXPECT_STREQ(buffer, "C");
  ASSERT_TRUE(FieldAsText("A\nBCDEF", 0, buffer, 5));
  EXPECT_STREQ(buffer, "A\n");
  EXPECT_FALSE(FieldAsText("ABC", 3, buffer, 5));
}

TEST(TrimmedRight, OnlySpaces) {
  EXPECT_EQ(TrimmedRight("AB  "), "AB");
  EXPECT_EQ(TrimmedRight("AB\t"), "AB\t");
  EXPECT_EQ(TrimmedRight("   "), "");
}

TEST(AppendField, PaddedOrCutToItsWidth) {
  std::string record = "X";
  AppendField(record, "AB", 4);
  AppendField(record, "CDEFG", 3);
  AppendField(record, "", 2);
  EXPECT_EQ(record, "XAB  CDE  ");
}

class RecordIoTest : public test::FolderTest {};

TEST_F(RecordIoTest, ReadRecordGivesTheCharactersThatExist) {
  WriteFile("F.DAT", "0123456789ABC");
  StreamPtr file = OpenToRead("F.DAT");
  std::string buffer;
  EXPECT_EQ(ReadRecord(*file, 0, 10, buffer), "0123456789");
  EXPECT_EQ(ReadRecord(*file, 10, 10, buffer), "ABC");
  EXPECT_EQ(ReadRecord(*file, 20, 10, buffer), "");
}

TEST(PutInRecord, ARecordKeepsItsLength) {
  std::string record = "0123456789";
  PutInRecord(record, 8, "xyz");
  BlankInRecord(record, 1, 2);
  PutInRecord(record, 10, "beyond");
  BlankInRecord(record, 12, 3);
  EXPECT_EQ(record, "0  34567xy");
}

}  // namespace
