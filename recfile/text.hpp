// Text, number and date routines over character buffers. Text is single-byte
// code page 1252. Each routine works in place on the caller's buffer unless it
// says otherwise; none reports anything, and only Utf8ToCp1252 allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// --- text

// Removes trailing spaces (code 32 only; a tab stays).
char* TrimRight(char* text);
// Terminates the buffer after n characters.
char* SetLength(char* buffer, int n);
// Copies the first n characters of source (fewer when it is shorter, the rest
// of the n filled with terminators) and terminates the buffer at n.
char* CopyFixed(char* buffer, const char* source, int n);
// Makes the text exactly width characters: cut, or padded with spaces.
char* PadRight(char* buffer, int width);
// The letter in upper case when it is one of a to z; any other character,
// an accented letter too, as it is. Codes and file names match in any case
// of these letters only.
char FoldToUpper(char c);
// 1 when the text holds a character other than a space, else 0.
int HasText(const char* text);
// Collapses the two-byte UTF-8 sequences of the Latin-1 range into single
// bytes: C2 80..A0 become a space, C2 A1..BF that byte, C3 xx becomes xx + 40.
char* Utf8ToLatin1(char* text);
// Utf8ToLatin1, then every code from 1 to 31 becomes a space.
char* CleanText(char* text);

// --- typed text

// What the user typed (UTF-8, as the dialogs and the console hand it over) as
// it goes into a data file: its first width characters in code page 1252, one
// byte each, so that a cut never leaves half a character. A character is a
// well-formed UTF-8 sequence or a byte that begins none. One the code page
// cannot hold and every such stray byte become "?"; a control character (C0,
// DEL, C1; NUL, tab and line ends included) becomes a space, as the import
// cleans it.
std::string Utf8ToCp1252(std::string_view text, std::size_t width);

// --- numbers

// The standard decimal text-to-integer conversion: leading blanks, an optional
// sign, digits up to the first non-digit; 0 when there is no digit.
long TextToInt(const char* text);
// Rounds to two decimals by the third decimal of the "%.6f" text.
double Round2(double value);
// A decimal number written with "," or "." as decimal separator; the
// rightmost separator is the decimal point and the others are dropped.
double ParseDecimal(const char* text);
// The value in Brazilian notation: "." between thousands, "," before the
// decimals (0 to 6). The buffer holds at least 32 characters.
char* FormatNumber(double value, int decimals, char* buffer);
// value + 1 while 0 < value < the number written as digits nines (digits
// capped at 9), else 1. Digits of 0 or less always give 1.
unsigned long NextInCycle(unsigned long value, int digits);

// --- dates

struct DateParts {
  std::int32_t year = 0;
  std::int8_t day = 0;
  std::int8_t month = 0;
};

// Reads dd/mm/yyyy; a text shorter than 10 characters gives all zeros. The
// separators are not examined and the values not range-checked.
void ParseDate(const char* text, DateParts* date);
// -1, 0 or 1 comparing the year and then the month; the day plays no part.
int CompareYearMonth(const DateParts& a, const DateParts& b);
