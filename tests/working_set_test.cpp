// The working set of the delinquency update: whole texts compared with the
// letters of code page 1252 folded, every addition counted, and lookups that
// stay right while the table grows to a member file's size.
#include <string>

#include "maintenance/working_set.hpp"
#include "tests/support.hpp"

namespace {

TEST(WorkingSet, WholeTextsWithLetterCaseIgnoredAndDuplicatesCounted) {
  maint::WorkingSet set;
  set.Add("123.456.789-00    ");
  set.Add("12ABc");
  set.Add("12abc");
  EXPECT_EQ(set.Count(), 3);
  EXPECT_TRUE(set.Contains("123.456.789-00    "));
  EXPECT_FALSE(set.Contains("123.456.789-00"));  // the whole text, not a prefix
  EXPECT_FALSE(set.Contains("12345678900       "));
  EXPECT_TRUE(set.Contains("12ABC"));
  set.Add("\xC7\xC3");  // ÇÃ
  EXPECT_TRUE(set.Contains("\xE7\xE3"));  // çã
  set.Clear();
  EXPECT_EQ(set.Count(), 0);
  EXPECT_FALSE(set.Contains("12abc"));
}

TEST(WorkingSet, TextsSurviveTheTableGrowingManyTimes) {
  maint::WorkingSet set;
  auto taxpayer = [](int n) { return "CPF-" + std::to_string(n) + "-XX"; };
  constexpr int kCount = 200000;  // the table grows from 1024 slots to 256 Ki
  for (int n = 0; n < kCount; n += 2) set.Add(taxpayer(n));
  for (int n = 0; n < kCount; n += 1000) set.Add(taxpayer(n));  // duplicates, added after growing
  EXPECT_EQ(set.Count(), kCount / 2 + kCount / 1000);
  int found = 0, wrong = 0;
  for (int n = 0; n < kCount; ++n) {
    bool in = set.Contains(taxpayer(n));
    found += in;
    wrong += in != (n % 2 == 0);
  }
  EXPECT_EQ(found, kCount / 2);
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(set.Contains("cpf-4-xx"));  // folded after growing too
}

TEST(WorkingSet, EmptyAndLongTexts) {
  maint::WorkingSet set;
  EXPECT_FALSE(set.Contains(""));
  set.Add("");
  EXPECT_TRUE(set.Contains(""));
  EXPECT_FALSE(set.Contains(" "));
  std::string long_text(5000, 'A');
  set.Add(long_text);
  EXPECT_TRUE(set.Contains(std::string(5000, 'a')));
  EXPECT_FALSE(set.Contains(std::string(4999, 'a')));
  EXPECT_EQ(set.Count(), 2);
}

}  // namespace
