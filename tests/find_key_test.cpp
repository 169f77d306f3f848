#include "recfile/find_key.hpp"

#include "tests/support.hpp"

namespace {

using test::FolderTest;
using test::Record;
using test::WriteFile;

// A table of 40-character records: a code of 8 at 2, a kind of 3 at 12, a
// branch of 15 at 20 (wider than the cap of a second or third key part), and
// the deleted mark at 39.
constexpr int kLength = 40;
constexpr int kCodeAt = 2, kCodeWidth = 8;
constexpr int kKindAt = 12, kKindWidth = 3;
constexpr int kBranchAt = 20, kBranchWidth = 15;
constexpr int kMarkAt = 39;

std::string Row(const std::string& code, const std::string& kind = "", const std::string& branch = "",
                bool deleted = false) {
  Record r(kLength);
  r.Set(kCodeAt, kCodeWidth, code).Set(kKindAt, kKindWidth, kind).Set(kBranchAt, kBranchWidth, branch);
  if (deleted) r.Set(kMarkAt, "+");
  return r;
}

class FindKeyTest : public FolderTest {
 protected:
  std::int64_t index = 99;
  int Find(const char* code, int width = kCodeWidth) {
    return FFindKey(std::string("T.DAT"), kLength, code, kCodeAt, width, &index);
  }
  int Find(std::span<const KeyPart> parts, FindMode mode = FindMode::kAny, std::int64_t except = -1) {
    return FFindKey(std::string("T.DAT"), kLength, parts, mode, except, &index);
  }
};

TEST_F(FindKeyTest, FirstLiveMatchWins) {
  WriteFile("T.DAT", Row("AAA") + Row("BBB", "", "", true) + Row("BBB", "1") + Row("BBB", "2"));
  EXPECT_EQ(Find("BBB"), 1);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(Find("AAA"), 1);
  EXPECT_EQ(index, 0);
}

TEST_F(FindKeyTest, NoMatchAnswersMinusOne) {
  WriteFile("T.DAT", Row("AAA") + Row("BBB", "", "", true));
  EXPECT_EQ(Find("BBB"), 0);  // only a deleted record holds it
  EXPECT_EQ(index, -1);
  EXPECT_EQ(Find("CCC"), 0);
  EXPECT_EQ(index, -1);
}

TEST_F(FindKeyTest, KeyIsCutAndPaddedToItsWidthAndComparedExactly) {
  WriteFile("T.DAT", Row("ABC") + Row("abcd"));
  EXPECT_EQ(Find("ABC"), 1);  // "ABC     " against the field of 8
  EXPECT_EQ(index, 0);
  EXPECT_EQ(Find("abcdXYZ", 4), 1);  // cut to "abcd"
  EXPECT_EQ(index, 1);
  EXPECT_EQ(Find("abc"), 0);  // letter case counts, and "abc     " is not "abcd    "
}

TEST_F(FindKeyTest, BlankKeyFindsNothingWithoutReadingTheFile) {
  WriteFile("T.DAT", Row("") + Row("AAA"));
  std::uint64_t before = plat::FileOperationCount();
  EXPECT_EQ(Find("   "), 0);
  EXPECT_EQ(Find(""), 0);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(plat::FileOperationCount(), before);
}

TEST_F(FindKeyTest, FurtherPartsMustMatchToo) {
  WriteFile("T.DAT", Row("AAA", "X", "NORTE") + Row("AAA", "Y", "NORTE") + Row("AAA", "Y", "SUL"));
  KeyPart parts[] = {{"AAA", kCodeAt, kCodeWidth}, {"Y", kKindAt, kKindWidth}, {"SUL", kBranchAt, 5}};
  EXPECT_EQ(Find(parts), 1);
  EXPECT_EQ(index, 2);
  // A part of width 0 takes no part.
  parts[2].width = 0;
  EXPECT_EQ(Find(parts), 1);
  EXPECT_EQ(index, 1);
}

TEST_F(FindKeyTest, WidthsAreCapped) {
  // Two records alike in their first 10 branch characters.
  WriteFile("T.DAT", Row("AAA", "", "ABCDEFGHIJ-one") + Row("AAA", "", "ABCDEFGHIJ-two"));
  KeyPart parts[] = {{"AAA", kCodeAt, kCodeWidth}, {"ABCDEFGHIJ-two", kBranchAt, kBranchWidth}};
  EXPECT_EQ(Find(parts), 1);
  EXPECT_EQ(index, 0);  // only 10 characters of the second part are compared

  // The first part compares at most 50 characters.
  const int wide = 60;
  WriteFile("W.DAT", std::string(50, 'K') + "1234567890" + std::string(39, ' ') + "." +
                         std::string(50, 'K') + "0000000000" + std::string(40, ' '));
  std::string key(wide, 'K');
  EXPECT_EQ(FFindKey(std::string("W.DAT"), 100, key.c_str(), 0, wide, &index), 1);
  EXPECT_EQ(index, 0);
}

TEST_F(FindKeyTest, ExceptModePassesOverTheExcludedRecord) {
  WriteFile("T.DAT", Row("AAA") + Row("BBB") + Row("CCC") + Row("BBB"));
  KeyPart parts[] = {{"BBB", kCodeAt, kCodeWidth}};
  EXPECT_EQ(Find(parts, FindMode::kAnyExcept, 1), 1);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(Find(parts, FindMode::kAnyExcept, 3), 1);
  EXPECT_EQ(index, 1);
  KeyPart only[] = {{"CCC", kCodeAt, kCodeWidth}};
  EXPECT_EQ(Find(only, FindMode::kAnyExcept, 2), 0);
  EXPECT_EQ(index, -1);
}

TEST_F(FindKeyTest, RecordCutShortInsideTheKeyDoesNotMatch) {
  WriteFile("T.DAT", Row("AAA") + Row("BBB").substr(0, kCodeAt + 5));
  EXPECT_EQ(Find("BBB"), 0);
  // Cut after the key, without its mark, the record is live.
  WriteFile("T.DAT", Row("AAA") + Row("BBB").substr(0, 20));
  EXPECT_EQ(Find("BBB"), 1);
  EXPECT_EQ(index, 1);
}

TEST_F(FindKeyTest, MissingFileFindsNothingAndNoStreamStaysOpen) {
  std::size_t open = rec::OpenStreamCount();
  EXPECT_EQ(Find("AAA"), 0);
  EXPECT_EQ(index, -1);
  WriteFile("T.DAT", Row("AAA"));
  EXPECT_EQ(Find("AAA"), 1);
  EXPECT_EQ(rec::OpenStreamCount(), open);
}

TEST_F(FindKeyTest, GivenStreamStaysOpenForMoreSearches) {
  WriteFile("T.DAT", Row("AAA") + Row("BBB"));
  StreamPtr stream = FOpenRead("T.DAT");
  ASSERT_TRUE(stream);
  EXPECT_EQ(FFindKey(stream.get(), kLength, "BBB", kCodeAt, kCodeWidth, &index), 1);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(FFindKey(stream.get(), kLength, "AAA", kCodeAt, kCodeWidth, &index), 1);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(FFindKey(nullptr, kLength, "AAA", kCodeAt, kCodeWidth, &index), 0);
}

// Without a record length or a first field the walk would never move on.
TEST_F(FindKeyTest, ZeroLengthOrWidthFindsNothing) {
  WriteFile("T.DAT", Row("AAA"));
  EXPECT_EQ(FFindKey(std::string("T.DAT"), 0, "AAA", kCodeAt, kCodeWidth, &index), 0);
  EXPECT_EQ(Find("AAA", 0), 0);
  EXPECT_EQ(index, -1);
}

}  // namespace
