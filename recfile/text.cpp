#include "recfile/text.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

char* TrimRight(char* text) {
  std::size_t n = std::strlen(text);
  while (n > 0 && text[n - 1] == ' ') --n;
  text[n] = '\0';
  return text;
}

char* SetLength(char* buffer, int n) {
  buffer[n < 0 ? 0 : n] = '\0';
  return buffer;
}

char* CopyFixed(char* buffer, const char* source, int n) {
  if (n < 0) n = 0;
  std::strncpy(buffer, source, static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return buffer;
}

char* PadRight(char* buffer, int width) {
  if (width < 0) width = 0;
  std::size_t n = std::strlen(buffer);
  for (std::size_t i = n; i < static_cast<std::size_t>(width); ++i) buffer[i] = ' ';
  buffer[width] = '\0';
  return buffer;
}

char FoldToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int HasText(const char* text) {
  for (; *text; ++text)
    if (*text != ' ') return 1;
  return 0;
}

char* Utf8ToLatin1(char* text) {
  auto* t = reinterpret_cast<unsigned char*>(text);
  std::size_t read = 0, write = 0;
  while (t[read]) {
    unsigned char lead = t[read], next = t[read + 1];
    if ((lead == 0xC2 || lead == 0xC3) && next >= 0x80 && next <= 0xBF) {
      if (lead == 0xC2)
        t[write++] = next <= 0xA0 ? ' ' : next;
      else
        t[write++] = static_cast<unsigned char>(next + 0x40);
      read += 2;
    } else {
      t[write++] = t[read++];
    }
  }
  t[write] = '\0';
  return text;
}

char* CleanText(char* text) {
  Utf8ToLatin1(text);
  for (char* p = text; *p; ++p) {
    auto c = static_cast<unsigned char>(*p);
    if (c >= 1 && c <= 31) *p = ' ';
  }
  return text;
}

namespace {

// What code page 1252 puts from 0x80 to 0x9F, where Latin-1 has its C1
// controls; 0 where the code page leaves a byte undefined.
constexpr char32_t kCp1252From80[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// The first character of a non-empty text: its length, and its code point in
// code (kNoCharacter for a byte that begins no well-formed sequence, which is
// a character of one byte). Overlong forms, surrogates and code points beyond
// U+10FFFF are not well formed.
std::size_t DecodeUtf8(std::string_view text, char32_t* code) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  *code = kNoCharacter;
  if (lead < 0x80) {
    *code = lead;
    return 1;
  }
  std::size_t length;
  char32_t value;
  // The range of the second byte; the later ones run from 80 to BF.
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;   // overlong below
    if (lead == 0xED) high = 0x9F;  // surrogates above
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;   // overlong below
    if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF above
  } else {
    return 1;
  }
  if (text.size() < length) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char next = byte(i);
    if (next < low || next > high) return 1;
    low = 0x80;
    high = 0xBF;
    value = (value << 6) | (next & 0x3Fu);
  }
  *code = value;
  return length;
}

char Cp1252Byte(char32_t code) {
  if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return ' ';
  if (code < 0x7F || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (std::size_t i = 0; i < std::size(kCp1252From80); ++i)
    if (kCp1252From80[i] == code) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

std::string Utf8ToCp1252(std::string_view text, std::size_t width) {
  std::string bytes;
  while (!text.empty() && bytes.size() < width) {
    char32_t code;
    text.remove_prefix(DecodeUtf8(text, &code));
    bytes += Cp1252Byte(code);
  }
  return bytes;
}

long TextToInt(const char* text) {
  // The same result on both systems: the range of the conversion where a long
  // has 32 bits (Windows), a value beyond it taken as its nearest end.
  long long value = std::strtoll(text, nullptr, 10);
  return static_cast<long>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

double Round2(double value) {
  // The third decimal decides for the magnitude; a negative value is rounded
  // as its magnitude is, so that -1234.567 gives -1234.57 and not -1234.55
  // (cut toward zero, then 0.01 added toward plus).
  if (value < 0) return -Round2(-value);
  char text[400];
  std::snprintf(text, sizeof text, "%.6f", value);
  char* dot = std::strrchr(text, '.');
  if (!dot) return std::strtod(text, nullptr);
  double addend = (dot[1] && dot[2] && dot[3] >= '5' && dot[3] <= '9') ? 0.01 : 0.0;
  if (dot[1] && dot[2]) dot[3] = '\0';
  return std::strtod(text, nullptr) + addend;
}

double ParseDecimal(const char* text) {
  char source[31];
  std::strncpy(source, text, 30);
  source[30] = '\0';
  // Built from the right: the rightmost separator is the decimal point.
  char number[31];
  int n = static_cast<int>(std::strlen(source));
  int out = 30;
  number[out] = '\0';
  bool point = false;
  for (int i = n - 1; i >= 0; --i) {
    char c = source[i];
    if (c == '.' || c == ',') {
      if (point) continue;
      point = true;
      c = '.';
    } else if (c == 'e' || c == 'E') {
      continue;
    }
    number[--out] = c;
  }
  return std::strtod(number + out, nullptr);
}

char* FormatNumber(double value, int decimals, char* buffer) {
  // Not a number goes the way of a magnitude too large: it would print as
  // "nan", which has fewer characters than the decimals that are copied.
  if (!(std::fabs(value) < 1e15)) value = 0;
  if (decimals > 6) decimals = 6;
  if (decimals < 0) decimals = 0;
  if (decimals == 2) value = Round2(value);
  bool negative = value < 0;
  char digits[64];
  // The magnitude: a negative zero (what Round2 makes of -0.004) prints "0",
  // without a sign, as any zero.
  std::snprintf(digits, sizeof digits, "%.*f", decimals, std::fabs(value));
  int length = static_cast<int>(std::strlen(digits));
  int integer_digits = decimals > 0 ? length - (decimals + 1) : length;
  char* out = buffer;
  if (negative) *out++ = '-';
  for (int i = 0; i < integer_digits; ++i) {
    if (i > 0 && (integer_digits - i) % 3 == 0) *out++ = '.';
    *out++ = digits[i];
  }
  if (decimals > 0) {
    *out++ = ',';
    std::memcpy(out, digits + integer_digits + 1, static_cast<std::size_t>(decimals));
    out += decimals;
  }
  *out = '\0';
  return buffer;
}

unsigned long NextInCycle(unsigned long value, int digits) {
  if (digits <= 0) return 1;
  if (digits > 9) digits = 9;
  unsigned long nines = 0;
  for (int i = 0; i < digits; ++i) nines = nines * 10 + 9;
  return (value > 0 && value < nines) ? value + 1 : 1;
}

void ParseDate(const char* text, DateParts* date) {
  *date = DateParts{};
  if (std::strlen(text) < 10) return;
  char part[5];
  CopyFixed(part, text, 2);
  date->day = static_cast<std::int8_t>(TextToInt(part));
  CopyFixed(part, text + 3, 2);
  date->month = static_cast<std::int8_t>(TextToInt(part));
  CopyFixed(part, text + 6, 4);
  date->year = static_cast<std::int32_t>(TextToInt(part));
}

int CompareYearMonth(const DateParts& a, const DateParts& b) {
  if (a.year != b.year) return a.year < b.year ? -1 : 1;
  if (a.month != b.month) return a.month < b.month ? -1 : 1;
  return 0;
}
