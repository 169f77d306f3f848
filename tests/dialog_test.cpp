// The dialog routines: numbers and codes read from and written to items.
#include "ui/dialog.hpp"

#include "ui/text_dialog.hpp"
#include "tests/support.hpp"

namespace {

std::string Code(const std::string& typed, int width = 3) {
  ui::TextDialog dialog({111}, "");
  dialog.SetItemText(111, typed);
  SetDlgCode(&dialog, 111, width);
  return dialog.ItemText(111);
}

TEST(DialogRoutines, SetDlgCodeMakesAZeroPaddedCode) {
  EXPECT_EQ(Code("-5"), "005");
  EXPECT_EQ(Code("1000"), "001");
  EXPECT_EQ(Code("4294967298"), "001");  // beyond 32 bits: no wrap to 2
  EXPECT_EQ(Code("abc"), "001");
  EXPECT_EQ(Code(""), "001");
  EXPECT_EQ(Code("0"), "001");
  EXPECT_EQ(Code("999"), "999");
  EXPECT_EQ(Code("42x"), "042");
  EXPECT_EQ(Code("9999", 4), "9999");
  EXPECT_EQ(Code("10000", 4), "0001");
  EXPECT_EQ(Code("12", 6), "000012");
  EXPECT_EQ(Code("12", 2), "");
  EXPECT_EQ(Code("12", 7), "");
}

TEST(DialogRoutines, GetDlgNumberDropsTheSignAndWritesTheValueBack) {
  ui::TextDialog dialog({100}, "");
  dialog.SetItemText(100, "  -42abc");
  EXPECT_EQ(GetDlgNumber(&dialog, 100), 42u);
  EXPECT_EQ(dialog.ItemText(100), "42");
  // At most 11 characters are read.
  dialog.SetItemText(100, "000000000012345");
  EXPECT_EQ(GetDlgNumber(&dialog, 100), 1u);
}

TEST(DialogRoutines, SetDlgNumberIsSignedDecimal) {
  ui::TextDialog dialog({101}, "");
  SetDlgNumber(&dialog, 101, -7);
  EXPECT_EQ(dialog.ItemText(101), "-7");
  SetDlgNumber(&dialog, 101, 1000000);
  EXPECT_EQ(dialog.ItemText(101), "1000000");
}

TEST(DialogRoutines, ItemTextForADataFileIsCodePage1252) {
  ui::TextDialog dialog({100}, "");
  dialog.SetItemText(100, "\xC3\x81" "b");  // "Áb" in UTF-8
  EXPECT_EQ(ItemTextLatin1(&dialog, 100, 3), "\xC1" "b");
  dialog.SetItemText(100, "abcdef");
  EXPECT_EQ(ItemTextLatin1(&dialog, 100, 3), "abc");
}

}  // namespace
