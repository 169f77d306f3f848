// Text, number and date routines: the cases where a slip changes what lands
// in a data file or which member counts as up to date.
#include "recfile/text.hpp"

#include <cmath>
#include <cstring>
#include <string>

#include "tests/support.hpp"

namespace {

std::string Trim(std::string s) {
  s.push_back('\0');
  return TrimRight(s.data());
}

std::string Pad(std::string s, int width) {
  s.resize(64, '\0');
  return PadRight(s.data(), width);
}

std::string Latin(const std::string& s) {
  std::string buffer = s + '\0';
  return Utf8ToLatin1(buffer.data());
}

std::string Clean(const std::string& s) {
  std::string buffer = s + '\0';
  return CleanText(buffer.data());
}

// The UTF-8 of a code point below U+0800.
std::string Utf8Of(unsigned code) {
  if (code < 0x80) return std::string(1, static_cast<char>(code));
  return {static_cast<char>(0xC0 | code >> 6), static_cast<char>(0x80 | (code & 0x3F))};
}

std::string Format(double value, int decimals) {
  char buffer[40];
  return FormatNumber(value, decimals, buffer);
}

TEST(TextRoutines, TrimRightRemovesSpacesOnly) {
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("ab\t"), "ab\t");
  EXPECT_EQ(Trim("ab \t  "), "ab \t");
  EXPECT_EQ(Trim(" a b "), " a b");
}

TEST(TextRoutines, PadRightCutsOrPads) {
  EXPECT_EQ(Pad("ABCD", 3), "ABC");
  EXPECT_EQ(Pad("", 3), "   ");
  EXPECT_EQ(Pad("1", 3), "1  ");
}

TEST(TextRoutines, CopyFixedAndSetLength) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  CopyFixed(buffer, "AB", 5);
  EXPECT_STREQ(buffer, "AB");
  EXPECT_EQ(buffer[4], '\0');  // the rest of the n filled with terminators
  EXPECT_EQ(buffer[5], '\0');
  CopyFixed(buffer, "ABCDEFG", 3);
  EXPECT_STREQ(buffer, "ABC");
  char text[] = "ABCDEF";
  EXPECT_STREQ(SetLength(text, 2), "AB");
}

TEST(TextRoutines, HasText) {
  EXPECT_EQ(HasText(""), 0);
  EXPECT_EQ(HasText("    "), 0);
  EXPECT_EQ(HasText("  x "), 1);
  EXPECT_EQ(HasText("\t"), 1);
}

TEST(TextRoutines, Utf8PairsOfTheLatin1RangeCollapse) {
  EXPECT_EQ(Latin("\xC3\xA7"), "\xE7");                  // ç
  EXPECT_EQ(Latin("\xC2\xA0"), " ");                     // no-break space
  EXPECT_EQ(Latin("\xC2\x80"), " ");                     // C2 80..A0 become a space
  EXPECT_EQ(Latin("\xC2\xBA"), "\xBA");                  // º stays that byte
  EXPECT_EQ(Latin("\xC3\x41"), "\xC3\x41");              // not a pair
  EXPECT_EQ(Latin("ab\xC3"), "ab\xC3");                  // lone lead byte at the end
  EXPECT_EQ(Latin("S\xC3\xA3o Jo\xC3\xA3o"), "S\xE3o Jo\xE3o");
  EXPECT_EQ(Latin("\xC3\xC3\xA9"), "\xC3\xE9");          // the second lead byte pairs
}

TEST(TextRoutines, CleanTextBlanksControlCharacters) {
  EXPECT_EQ(Clean("a\r\nb"), "a  b");
  EXPECT_EQ(Clean("\ttab\x1a"), " tab ");
  EXPECT_EQ(Clean("\xE9\x80\xFF"), "\xE9\x80\xFF");  // 128 to 255 stay
  EXPECT_EQ(Clean("\xC3\xA7\x01"), "\xE7 ");
}

// Code page 1252 from 0x80 to 0x9F as a user types it; null where the code
// page leaves the byte undefined.
const char* const kTypedFrom80[32] = {
    "€",     nullptr, "‚", "ƒ", "„", "…", "†", "‡", "ˆ", "‰", "Š", "‹", "Œ", nullptr, "Ž", nullptr,
    nullptr, "‘",     "’", "“", "”", "•", "–", "—", "˜", "™", "š", "›", "œ", nullptr, "ž", "Ÿ",
};

TEST(TypedText, EveryCharacterOfTheCodePageBecomesItsByte) {
  std::string typed, bytes;
  for (unsigned i = 0; i < 32; ++i) {
    // U+0080 to U+009F are controls, not the characters of those bytes.
    EXPECT_EQ(Utf8ToCp1252(Utf8Of(0x80 + i), 3), " ") << i;
    if (!kTypedFrom80[i]) continue;
    std::string byte(1, static_cast<char>(0x80 + i));
    EXPECT_EQ(Utf8ToCp1252(kTypedFrom80[i], 3), byte) << kTypedFrom80[i];
    typed += kTypedFrom80[i];
    bytes += byte;
  }
  EXPECT_EQ(bytes.size(), 27u);
  EXPECT_EQ(Utf8ToCp1252(typed, 27), bytes);
  // From 0xA0 on the code page is Latin-1, the no-break space included.
  for (unsigned code = 0xA0; code <= 0xFF; ++code)
    EXPECT_EQ(Utf8ToCp1252(Utf8Of(code), 3), std::string(1, static_cast<char>(code))) << code;
  EXPECT_EQ(Utf8ToCp1252(" AZaz09~", 8), " AZaz09~");
}

TEST(TypedText, WhatTheCodePageCannotHoldIsAQuestionMarkAndAControlASpace) {
  EXPECT_EQ(Utf8ToCp1252("😀→中\xEF\xBF\xBD", 9), "????");
  EXPECT_EQ(Utf8ToCp1252("a\nb\r\tc", 9), "a b  c");
  EXPECT_EQ(Utf8ToCp1252(std::string("\0\x1A\x7F", 3), 9), "   ");
  // Every byte that begins no well-formed sequence is a "?" of its own.
  EXPECT_EQ(Utf8ToCp1252("\x80" "a\xFF", 9), "?a?");
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82" "a\xF0\x9F\x98", 9), "??a???");  // cut short
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF\xE0\x82\xAC", 9), "?????");      // overlong
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80\xF4\x90\x80\x80", 9), "???????");  // surrogate, beyond U+10FFFF
}

TEST(TypedText, TheCutCountsCharactersAndNeverSplitsOne) {
  EXPECT_EQ(Utf8ToCp1252("éé€x", 3), "\xE9\xE9\x80");
  EXPECT_EQ(Utf8ToCp1252("😀😀😀😀", 3), "???");
  EXPECT_EQ(Utf8ToCp1252("ab", 3), "ab");
  EXPECT_EQ(Utf8ToCp1252("ab", 0), "");
}

TEST(NumberRoutines, TextToIntStopsAtTheFirstNonDigit) {
  EXPECT_EQ(TextToInt("  42abc"), 42);
  EXPECT_EQ(TextToInt("-3"), -3);
  EXPECT_EQ(TextToInt("+7 "), 7);
  EXPECT_EQ(TextToInt("abc"), 0);
  EXPECT_EQ(TextToInt(""), 0);
  EXPECT_EQ(TextToInt("00012"), 12);
  // Beyond 32 bits the nearest end, on either system.
  EXPECT_EQ(TextToInt("4294967298"), 2147483647L);
  EXPECT_EQ(TextToInt("-99999999999"), -2147483647L - 1);
}

TEST(NumberRoutines, Round2ByTheThirdDecimal) {
  EXPECT_DOUBLE_EQ(Round2(1.234), 1.23);
  EXPECT_DOUBLE_EQ(Round2(1.235), 1.24);
  EXPECT_DOUBLE_EQ(Round2(2.999), 3.0);
  EXPECT_DOUBLE_EQ(Round2(7.0), 7.0);
}

// Found by fuzzing: cut toward zero and then raised by 0.01, a negative value
// moved the wrong way (-0.005 became 0.01, -1234.567 became -1234.55).
TEST(NumberRoutines, Round2OfANegativeValueRoundsItsMagnitude) {
  EXPECT_DOUBLE_EQ(Round2(-1234.567), -1234.57);
  EXPECT_DOUBLE_EQ(Round2(-1.234), -1.23);
  EXPECT_DOUBLE_EQ(Round2(-0.005), -0.01);
  EXPECT_EQ(Format(-0.005, 2), "-0,01");
  EXPECT_EQ(Format(-1234.567, 2), "-1.234,57");
}

TEST(NumberRoutines, ParseDecimalTakesTheRightmostSeparator) {
  EXPECT_DOUBLE_EQ(ParseDecimal("1.234,56"), 1234.56);
  EXPECT_DOUBLE_EQ(ParseDecimal("1,234.56"), 1234.56);
  EXPECT_DOUBLE_EQ(ParseDecimal("12,5"), 12.5);
  EXPECT_DOUBLE_EQ(ParseDecimal("1.000"), 1.0);
  EXPECT_DOUBLE_EQ(ParseDecimal("R$ 12,50"), 0.0);
  EXPECT_DOUBLE_EQ(ParseDecimal(" 12,50"), 12.5);
  EXPECT_DOUBLE_EQ(ParseDecimal("1e5"), 15.0);  // exponents are dropped
  EXPECT_DOUBLE_EQ(ParseDecimal("                "), 0.0);
  // Only the first 30 characters count.
  EXPECT_DOUBLE_EQ(ParseDecimal("000000000000000000000000000001999"), 1.0);
}

TEST(NumberRoutines, FormatNumberInBrazilianNotation) {
  EXPECT_EQ(Format(999, 0), "999");
  EXPECT_EQ(Format(1000, 0), "1.000");
  EXPECT_EQ(Format(-1234.5, 2), "-1.234,50");
  EXPECT_EQ(Format(2000000001.0, 0), "2.000.000.001");
  EXPECT_EQ(Format(4294967296.0 + 5, 0), "4.294.967.301");
  EXPECT_EQ(Format(0, 0), "0");
  EXPECT_EQ(Format(123456, 0), "123.456");
  EXPECT_EQ(Format(1.5, 9), "1,500000");  // decimals above 6 become 6
  EXPECT_EQ(Format(1e15, 0), "0");
}

// Found by fuzzing: not a number printed as "nan", and the decimals were
// copied from before the start of that text.
TEST(NumberRoutines, FormatNumberOfWhatIsNotAFiniteNumberIsZero) {
  EXPECT_EQ(Format(std::nan(""), 6), "0,000000");
  EXPECT_EQ(Format(-std::nan(""), 2), "0,00");
  EXPECT_EQ(Format(HUGE_VAL, 0), "0");
  EXPECT_EQ(Format(-HUGE_VAL, 3), "0,000");
}

// A negative zero is no negative value: no sign, and no "-" taken for a digit.
TEST(NumberRoutines, FormatNumberOfANegativeZeroHasNoSign) {
  EXPECT_EQ(Format(-0.0, 0), "0");
  EXPECT_EQ(Format(-0.0, 3), "0,000");
  EXPECT_EQ(Format(-0.004, 2), "0,00");  // Round2 gives -0.0
  EXPECT_EQ(Format(ParseDecimal("-0,001"), 2), "0,00");
}

TEST(NumberRoutines, NextInCycle) {
  EXPECT_EQ(NextInCycle(998, 3), 999u);
  EXPECT_EQ(NextInCycle(999, 3), 1u);
  EXPECT_EQ(NextInCycle(0, 3), 1u);
  EXPECT_EQ(NextInCycle(5, 0), 1u);
  EXPECT_EQ(NextInCycle(5, -2), 1u);
  EXPECT_EQ(NextInCycle(999999998, 12), 999999999u);  // digits capped at 9
  EXPECT_EQ(NextInCycle(999999999, 12), 1u);
}

TEST(DateRoutines, ParseDate) {
  DateParts d;
  ParseDate("05/13/2024", &d);
  EXPECT_EQ(d.day, 5);
  EXPECT_EQ(d.month, 13);  // no range test
  EXPECT_EQ(d.year, 2024);
  ParseDate("5/1/2024", &d);
  EXPECT_EQ(d.day, 0);
  EXPECT_EQ(d.month, 0);
  EXPECT_EQ(d.year, 0);
  ParseDate("10-12-2025xyz", &d);  // separators are not examined
  EXPECT_EQ(d.day, 10);
  EXPECT_EQ(d.month, 12);
  EXPECT_EQ(d.year, 2025);
}

TEST(DateRoutines, CompareYearMonthIgnoresTheDay) {
  DateParts a, b;
  ParseDate("01/03/2024", &a);
  ParseDate("31/03/2024", &b);
  EXPECT_EQ(CompareYearMonth(a, b), 0);
  ParseDate("15/11/2025", &a);
  ParseDate("31/12/2025", &b);
  EXPECT_EQ(CompareYearMonth(a, b), -1);
  EXPECT_EQ(CompareYearMonth(b, a), 1);
  ParseDate("01/01/2026", &a);
  EXPECT_EQ(CompareYearMonth(a, b), 1);  // the year first
}

TEST(FoldToUpper, OnlyTheLettersAToZ) {
  EXPECT_EQ(FoldToUpper('a'), 'A');
  EXPECT_EQ(FoldToUpper('z'), 'Z');
  EXPECT_EQ(FoldToUpper('A'), 'A');
  EXPECT_EQ(FoldToUpper('`'), '`');  // the neighbours of a and z
  EXPECT_EQ(FoldToUpper('{'), '{');
  EXPECT_EQ(FoldToUpper('\xE9'), '\xE9');  // an accented letter stays as it is
  EXPECT_EQ(FoldToUpper('1'), '1');
}

}  // namespace
