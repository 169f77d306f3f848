// The text, number and date routines on any bytes: each is given the input
// as a text (its bytes up to the first null character), and the number
// routines also a double made of its first 8 bytes, so that infinities, NaN
// and the smallest values reach them.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "recfile/text.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

// The buffer that FormatNumber's callers give.
constexpr std::size_t kNumberBuffer = 32;

void CheckCleanText(const std::string& text) {
  std::vector<char> latin(text.begin(), text.end());
  latin.push_back('\0');
  Utf8ToLatin1(latin.data());
  std::size_t pairs = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    auto lead = static_cast<unsigned char>(text[i]), next = static_cast<unsigned char>(text[i + 1]);
    if ((lead == 0xC2 || lead == 0xC3) && next >= 0x80 && next <= 0xBF) {
      ++pairs;
      ++i;
    }
  }
  fuzz::Check(std::strlen(latin.data()) == text.size() - pairs, "Utf8ToLatin1 did not take one byte per pair");

  // CleanText is Utf8ToLatin1, then a space for every code from 1 to 31.
  std::vector<char> clean(text.begin(), text.end());
  clean.push_back('\0');
  CleanText(clean.data());
  fuzz::Check(std::strlen(clean.data()) == std::strlen(latin.data()), "CleanText changed the length");
  for (std::size_t i = 0; latin[i]; ++i) {
    auto c = static_cast<unsigned char>(latin[i]);
    fuzz::Check(clean[i] == (c < 32 ? ' ' : latin[i]), "CleanText changed a character it should keep, or kept a control");
  }
}

void CheckTrimAndPad(const std::string& text, int width) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.resize(std::max<std::size_t>(text.size(), static_cast<std::size_t>(width)) + 1, '\0');
  TrimRight(buffer.data());
  std::size_t n = std::strlen(buffer.data());
  fuzz::Check(n == 0 || buffer[n - 1] != ' ', "TrimRight left a space at the end");
  PadRight(buffer.data(), width);
  fuzz::Check(std::strlen(buffer.data()) == static_cast<std::size_t>(width), "PadRight missed its width");
  fuzz::Check(HasText(buffer.data()) == (std::strspn(buffer.data(), " ") < static_cast<std::size_t>(width)),
              "HasText is wrong");
}

// "-1.234.567,89": an optional sign, digits in groups of three after the
// first, and the decimals after a comma.
bool BrazilianNotation(const char* text, int decimals) {
  if (*text == '-') ++text;
  std::size_t integer = std::strcspn(text, ",");
  if (integer == 0) return false;
  std::size_t first = (integer % 4 == 0) ? 0 : integer % 4;
  if (first == 0 || first > 3) return false;
  for (std::size_t i = 0; i < integer; ++i) {
    bool dot_place = i >= first && (i - first) % 4 == 0;
    if (dot_place ? text[i] != '.' : !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  const char* rest = text + integer;
  if (decimals == 0) return *rest == '\0';
  if (*rest != ',' || std::strlen(rest + 1) != static_cast<std::size_t>(decimals)) return false;
  return std::strspn(rest + 1, "0123456789") == static_cast<std::size_t>(decimals);
}

void CheckFormatNumber(double value, int decimals) {
  char buffer[kNumberBuffer];
  FormatNumber(value, decimals, buffer);
  int shown = std::min(std::max(decimals, 0), 6);
  fuzz::Check(BrazilianNotation(buffer, shown), std::string("FormatNumber wrote ") + buffer);
  if (!std::isfinite(value) || std::fabs(value) >= 1e15) return;
  // Read back, the text is the value to its last decimal.
  std::string plain;
  for (const char* p = buffer; *p; ++p)
    if (*p != '.') plain += *p == ',' ? '.' : *p;
  double back = std::strtod(plain.c_str(), nullptr);
  fuzz::Check(std::fabs(back - value) <= 1.01 * std::pow(10.0, -shown) + std::fabs(value) * 1e-12,
              std::string("FormatNumber wrote ") + buffer + " for " + std::to_string(value));
}

void CheckDate(const std::string& text) {
  DateParts date;
  ParseDate(text.c_str(), &date);
  if (std::strlen(text.c_str()) < 10)
    fuzz::Check(date.day == 0 && date.month == 0 && date.year == 0, "a short date is not all zeros");
  fuzz::Check(date.year > -1000 && date.year < 10000, "a year of more than four characters");
  DateParts other;
  ParseDate(text.c_str() + std::min<std::size_t>(text.size(), 1), &other);
  fuzz::Check(CompareYearMonth(date, other) == -CompareYearMonth(other, date), "CompareYearMonth is not antisymmetric");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string text = bytes.c_str();
  double raw = 0;
  std::memcpy(&raw, bytes.data(), std::min<std::size_t>(size, sizeof raw));
  int decimals = size > 8 ? static_cast<std::int8_t>(data[8]) : 2;
  int width = size > 9 ? data[9] : 0;

  CheckCleanText(text);
  CheckTrimAndPad(text, width);
  CheckDate(text);
  double parsed = ParseDecimal(text.c_str());
  CheckFormatNumber(parsed, decimals);
  CheckFormatNumber(raw, decimals);
  CheckFormatNumber(Round2(raw), 2);
  long integer = TextToInt(text.c_str());
  unsigned long next = NextInCycle(static_cast<unsigned long>(integer), decimals);
  fuzz::Check(next >= 1 && next <= 999999999, "NextInCycle out of its cycle");
  return 0;
}
