// The text documents of step 3 on any bytes: F90.DAT, records of a key of 11
// characters, a length N of 5 and N characters of text, with lengths that are
// negative, huge or not numbers. F40.DAT is checked against what the step
// does, worked out here from the bytes; a length that cannot say where the
// next record starts stops the reading, and F90.DAT is then kept in F90.TMP.
#include <algorithm>
#include <cctype>
#include <string>

#include "convert/text_documents.hpp"
#include "recfile/text.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

using fuzz::Check;

constexpr char kOld[] = "F90.DAT";
constexpr char kBackup[] = "F90.TMP";
constexpr char kTexts[] = "F40.DAT";
constexpr std::size_t kKeyWidth = 11, kLengthWidth = 5, kHeader = 16, kRecord = 500;
constexpr long kTextLimit = 300;

std::string Padded(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

// A length field that the standard conversion reads as a number: blanks, an
// optional sign, then a digit.
bool IsNumber(const std::string& field) {
  std::size_t i = 0;
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) ++i;
  return i < field.size() && std::isdigit(static_cast<unsigned char>(field[i]));
}

struct Converted {
  std::string texts;
  bool stopped = false;  // at a length that is negative or not a number
};

Converted Convert(const std::string& old) {
  Converted out;
  for (std::size_t at = 0; at < old.size();) {
    std::string key = old.substr(at, kKeyWidth);
    std::string field = key.size() == kKeyWidth ? old.substr(std::min(old.size(), at + kKeyWidth), kLengthWidth) : "";
    long n = TextToInt(field.c_str());
    if (!IsNumber(field) || n < 0) {
      out.stopped = true;
      break;
    }
    long used = std::min(n, kTextLimit);
    std::string text = old.substr(std::min(old.size(), at + kHeader), static_cast<std::size_t>(used));
    if (key[0] == '1' && (used == 0 || !text.empty())) {
      std::string number = std::to_string(used);
      out.texts += "100" + std::string(10, ' ') + "110" + Padded(key.substr(1), 10) + Padded(number, 6) +
                   Padded(number, 4) + "0  1" + Padded(text, kRecord - 40);
    }
    at += kHeader + static_cast<std::size_t>(n);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  std::string old(reinterpret_cast<const char*>(data), size);
  ws.Write(kOld, old);

  convert::ConvertTextDocuments();

  Converted expected = Convert(old);
  fuzz::ExpectWholeRecords(ws, kTexts, kRecord);
  Check(ws.Read(kTexts) == expected.texts, "F40.DAT is not the documents of F90.DAT");
  Check(!ws.Has(kOld), "F90.DAT is still there after its conversion");
  if (expected.stopped)
    Check(ws.Read(kBackup) == old, "F90.DAT was not kept for the documents after a bad length");
  else
    Check(!ws.Has(kBackup), "a backup of F90.DAT without a bad length");
  ws.ExpectOnly({kOld, kBackup, kTexts});
  return 0;
}
