#include "maintenance/client_file.hpp"

#include <string>

#include "recfile/recfile.hpp"
#include "tests/support.hpp"

namespace {

using maint::ReadRecordAt;
using maint::SameCodeIgnoringCase;

TEST(SameCodeIgnoringCase, ComparesOnlyTheTypedLength) {
  EXPECT_TRUE(SameCodeIgnoringCase("1  ", "1", 1));
  EXPECT_TRUE(SameCodeIgnoringCase("10 ", "1", 1));
  EXPECT_TRUE(SameCodeIgnoringCase("123", "12", 2));
  EXPECT_FALSE(SameCodeIgnoringCase("2  ", "1", 1));
  EXPECT_FALSE(SameCodeIgnoringCase("001", "1  ", 3));
}

TEST(SameCodeIgnoringCase, IgnoresTheCaseOfAToZOnly) {
  EXPECT_TRUE(SameCodeIgnoringCase("AB ", "ab", 2));
  EXPECT_TRUE(SameCodeIgnoringCase("Ab ", "aB", 2));
  // é (E9) and É (C9) in code page 1252 are different codes.
  EXPECT_FALSE(SameCodeIgnoringCase("\xC9", "\xE9", 1));
  // '@' and '`' differ from 'A' and 'a' by the same bit and must not match them.
  EXPECT_FALSE(SameCodeIgnoringCase("@", "`", 1));
}

TEST(SameCodeIgnoringCase, AFieldThatEndsEarlyDiffers) {
  EXPECT_FALSE(SameCodeIgnoringCase("1", "1  ", 3));
  EXPECT_TRUE(SameCodeIgnoringCase("1", "1", 3));
}

class ReadRecordAtTest : public test::FolderTest {};

TEST_F(ReadRecordAtTest, ReadsWholeRecordsThenTheShortLastOne) {
  test::WriteFile("F.DAT", std::string(1000, 'a') + std::string(1000, 'b') + std::string(300, 'c'));
  StreamPtr file = OpenToRead("F.DAT");
  ASSERT_TRUE(file);
  char buffer[1001];
  EXPECT_EQ(ReadRecordAt(*file, 0, buffer, 1000), 1000u);
  EXPECT_EQ(std::string(buffer), std::string(1000, 'a'));
  EXPECT_EQ(ReadRecordAt(*file, 1, buffer, 1000), 1000u);
  EXPECT_EQ(ReadRecordAt(*file, 2, buffer, 1000), 300u);
  EXPECT_EQ(std::string(buffer), std::string(300, 'c'));
  EXPECT_EQ(ReadRecordAt(*file, 3, buffer, 1000), 0u);
  EXPECT_EQ(std::string(buffer), "");
}

TEST_F(ReadRecordAtTest, ANullByteDoesNotEndTheRecord) {
  std::string record = test::Record(1000).Set(0, "AB").Set(500, "XY");
  record[2] = '\0';
  test::WriteFile("F.DAT", record);
  StreamPtr file = OpenToRead("F.DAT");
  char buffer[1001];
  ASSERT_EQ(ReadRecordAt(*file, 0, buffer, 1000), 1000u);
  std::string text(buffer);
  ASSERT_EQ(text.size(), 1000u);
  EXPECT_EQ(text.substr(0, 3), "AB ");
  EXPECT_EQ(text.substr(500, 2), "XY");
}

TEST_F(ReadRecordAtTest, NullBytesAtTheEdgesAndSideBySideAllBecomeSpaces) {
  std::string record = test::Record(1000).Set(0, "ABCD").Set(996, "WXYZ");
  for (std::size_t at : {0u, 2u, 3u, 999u}) record[at] = '\0';
  test::WriteFile("F.DAT", record + record);
  StreamPtr file = OpenToRead("F.DAT");
  char buffer[1001];
  for (int n = 0; n < 2; ++n) {
    ASSERT_EQ(ReadRecordAt(*file, n, buffer, 1000), 1000u);
    std::string text(buffer);
    ASSERT_EQ(text.size(), 1000u);
    EXPECT_EQ(text.substr(0, 4), " B  ");
    EXPECT_EQ(text.substr(996, 4), "WXY ");
  }
}

// Found by fuzzing: read as lines, a line feed cut its record in two and
// every later record began inside the one before.
TEST_F(ReadRecordAtTest, ALineFeedNeitherEndsItsRecordNorMovesTheNext) {
  std::string first = test::Record(1000).Set(0, "A\nB").Set(232, "123");
  std::string second = test::Record(1000).Set(0, "C\r\x1A").Set(232, "456");
  test::WriteFile("F.DAT", first + second);
  StreamPtr file = OpenToRead("F.DAT");
  char buffer[1001];
  ASSERT_EQ(ReadRecordAt(*file, 0, buffer, 1000), 1000u);
  EXPECT_EQ(std::string(buffer), first);
  ASSERT_EQ(ReadRecordAt(*file, 1, buffer, 1000), 1000u);
  EXPECT_EQ(std::string(buffer), second);
}

}  // namespace
