#include "maintenance/client_file.hpp"

#include <string>

#include "recfile/recfile.hpp"
#include "tests/support.hpp"

namespace {

using maint::ReadRecordLine;
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

class ReadRecordLineTest : public test::FolderTest {};

TEST_F(ReadRecordLineTest, ReadsWholeRecordsThenTheShortLastOne) {
  test::WriteFile("F.DAT", std::string(1000, 'a') + std::string(1000, 'b') + std::string(300, 'c'));
  StreamPtr file = OpenToRead("F.DAT");
  ASSERT_TRUE(file);
  char buffer[1001];
  EXPECT_EQ(ReadRecordLine(*file, buffer, 1000), 1000u);
  EXPECT_EQ(std::string(buffer), std::string(1000, 'a'));
  EXPECT_EQ(ReadRecordLine(*file, buffer, 1000), 1000u);
  EXPECT_EQ(ReadRecordLine(*file, buffer, 1000), 300u);
  EXPECT_EQ(std::string(buffer), std::string(300, 'c'));
  EXPECT_EQ(ReadRecordLine(*file, buffer, 1000), 0u);
}

TEST_F(ReadRecordLineTest, ANullByteDoesNotEndTheRecord) {
  std::string record = test::Record(1000).Set(0, "AB").Set(500, "XY");
  record[2] = '\0';
  test::WriteFile("F.DAT", record);
  StreamPtr file = OpenToRead("F.DAT");
  char buffer[1001];
  ASSERT_EQ(ReadRecordLine(*file, buffer, 1000), 1000u);
  std::string text(buffer);
  ASSERT_EQ(text.size(), 1000u);
  EXPECT_EQ(text.substr(0, 3), "AB ");
  EXPECT_EQ(text.substr(500, 2), "XY");
}

TEST_F(ReadRecordLineTest, ALineFeedEndsTheLineReadAfterIt) {
  test::WriteFile("F.DAT", "abc\ndef");
  StreamPtr file = OpenToRead("F.DAT");
  char buffer[1001];
  EXPECT_EQ(ReadRecordLine(*file, buffer, 1000), 4u);
  EXPECT_EQ(std::string(buffer), "abc\n");
  EXPECT_EQ(ReadRecordLine(*file, buffer, 1000), 3u);
}

}  // namespace
