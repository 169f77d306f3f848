#include "recfile/text.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
