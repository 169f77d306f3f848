// The phone index of step 3 on any bytes: the company file F00R0.DAT and the
// client file F10R2.DAT, whose phone fields shrink to the 3.03 layout while
// what no longer fits goes into FTEL1.DAT. The index and both files are
// checked against what the step does, worked out here from the bytes.
#include <cstdio>
#include <string>
#include <string_view>

#include "convert/phone_index.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

using fuzz::Check;

constexpr char kIndex[] = "FTEL1.DAT";
constexpr std::size_t kRecord = 1000, kLine = 40;
constexpr std::size_t kKeyWidth = 10, kFirstAt = 290, kFirstWidth = 41, kSecondAt = 331, kSecondWidth = 23;
constexpr std::size_t kKept = 37;

struct Source {
  const char* name;
  int number;
};
constexpr Source kSources[] = {{"F00R0.DAT", 0}, {"F10R2.DAT", 10}};

std::string Field(const std::string& record, std::size_t at, std::size_t width) {
  std::string text = fuzz::LineField(record, at, width).value_or("");
  return text.erase(text.find_last_not_of(' ') + 1);
}

std::string Line(int number, const char* kind, bool joined, const std::string& key, const std::string& phone) {
  char head[8];
  std::snprintf(head, sizeof head, "%02d%s%c", number, kind, joined ? '1' : '0');
  std::string line = head + key.substr(0, kKeyWidth);
  line.resize(5 + kKeyWidth, ' ');
  line += phone.substr(0, kSecondWidth);
  line.resize(kLine - 2, ' ');
  return line + "\r\n";
}

// Moves the phones of one record: its lines go to index, the record changes
// in place and keeps its length.
std::string MovePhones(std::string record, int number, std::string* index) {
  std::string key = fuzz::LineField(record, 0, kKeyWidth).value_or("");
  std::string first = Field(record, kFirstAt, kFirstWidth);
  std::string second = Field(record, kSecondAt, kSecondWidth);
  if (first.compare(0, second.size(), second) == 0) second.clear();
  auto put = [&](std::size_t at, const std::string& text) {
    for (std::size_t i = 0; i < text.size() && at + i < record.size(); ++i) record[at + i] = text[i];
  };
  if (first.size() > kKept) {
    *index += Line(number, "01", false, key, first.substr(kKept));
    put(kFirstAt + kKept, "    ");
  }
  bool joined = !second.empty() && first.size() + 3 + second.size() <= kKept;
  if (joined) put(kFirstAt + first.size(), " / " + second);
  if (!second.empty()) {
    *index += Line(number, "02", joined, key, second);
    put(kSecondAt, std::string(kSecondWidth, ' '));
  }
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  auto parts = fuzz::SplitInput(data, size, 3);
  // The first byte of the last part says which sources are missing.
  std::uint8_t missing = fuzz::Script(parts[2]).Byte();
  for (int s = 0; s < 2; ++s)
    if (!(missing & (1 << s))) ws.Write(kSources[s].name, parts[static_cast<std::size_t>(s)]);

  convert::BuildPhoneIndex();

  std::string index;
  for (int s = 0; s < 2; ++s) {
    const std::string& source = parts[static_cast<std::size_t>(s)];
    if (missing & (1 << s)) {
      Check(!ws.Has(kSources[s].name), std::string(kSources[s].name) + " made by the phone index");
      continue;
    }
    std::string expected;
    for (std::size_t start = 0; start < source.size(); start += kRecord)
      expected += MovePhones(source.substr(start, kRecord), kSources[s].number, &index);
    Check(ws.Read(kSources[s].name) == expected,
          std::string(kSources[s].name) + " is not what the phone index makes of it");
  }
  fuzz::ExpectWholeRecords(ws, kIndex, kLine);
  Check(ws.Read(kIndex) == index, "the phone index is not the phones that moved");
  ws.ExpectOnly({kIndex, kSources[0].name, kSources[1].name});
  return 0;
}
