// The conversion log: prefix match over pieces of at most 9 characters, and
// entries that are only ever appended.
#include "convert/conversion_log.hpp"

#include "tests/support.hpp"

namespace {

using test::ReadFile;
using test::WriteFile;

class ConversionLogTest : public test::FolderTest {};

TEST_F(ConversionLogTest, MissingLogFindsNothing) {
  EXPECT_EQ(LogTest("219"), 0);
  EXPECT_FALSE(test::FileExists("CONV.DAT"));
}

TEST_F(ConversionLogTest, TestAndMarkAppendsOnce) {
  EXPECT_EQ(LogTestAndMark("219"), 0);
  EXPECT_EQ(ReadFile("CONV.DAT"), "219\r\n");
  EXPECT_EQ(LogTestAndMark("219"), 1);
  EXPECT_EQ(ReadFile("CONV.DAT"), "219\r\n");
  EXPECT_EQ(LogTestAndMark("300"), 0);
  EXPECT_EQ(ReadFile("CONV.DAT"), "219\r\n300\r\n");
}

TEST_F(ConversionLogTest, EntriesMatchByPrefix) {
  WriteFile("CONV.DAT", "2190\r\n");
  EXPECT_EQ(LogTest("219"), 1);
  WriteFile("CONV.DAT", "21\r\n9\r\n");
  EXPECT_EQ(LogTest("219"), 0);
}

TEST_F(ConversionLogTest, LongLinesAreReadInPiecesOfNine) {
  // The second piece of this line begins with the code, and counts.
  WriteFile("CONV.DAT", "ABCDEFGHI219\r\n");
  EXPECT_EQ(LogTest("219"), 1);
  WriteFile("CONV.DAT", "ABCDEFGH219\r\n");
  EXPECT_EQ(LogTest("219"), 0);
}

TEST_F(ConversionLogTest, ReadOnlyLogIsMadeWritableForTheAppend) {
  WriteFile("CONV.DAT", "100\r\n");
  plat::MakeReadOnly("CONV.DAT");
  EXPECT_EQ(LogTestAndMark("219"), 0);
  EXPECT_EQ(ReadFile("CONV.DAT"), "100\r\n219\r\n");
}

TEST_F(ConversionLogTest, LogInAnotherLetterCaseIsTheLog) {
  WriteFile("Conv.dat", "219\r\n");
  EXPECT_EQ(LogTestAndMark("219"), 1);
  EXPECT_EQ(test::Snapshot(".").size(), 1u);
}

}  // namespace
