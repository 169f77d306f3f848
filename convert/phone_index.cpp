// The phone index of step 3. In 3.03 the first phone field of a company or
// client record holds 37 characters and the second phone has no field of its
// own: what no longer fits moves into FTEL1.DAT, lines of 40 bytes ending in
// CR LF, all of F00R0.DAT before all of F10R2.DAT.
//
// The index is written under a temporary name first and the records are
// changed only once it is in place: its presence is what keeps a later run
// from moving the phones again, and a phone blanked in a record must already
// be in the index.
#include <cstdio>

#include "convert/phones_texts.hpp"
#include "convert/record_io.hpp"
#include "recfile/recfile.hpp"

namespace convert {
namespace {

using namespace phones;

constexpr char kIndex[] = "FTEL1.DAT";

struct Source {
  const char* name;
  int file_number;
};
constexpr Source kSources[] = {{"F00R0.DAT", 0}, {"F10R2.DAT", 10}};

constexpr char kKindFirstTail[] = "01";
constexpr char kKindSecond[] = "02";

// Walks the records of a source: fn(start, record) for each record that has at
// least one character.
template <typename Fn>
void ForEachRecord(rec::Stream& source, Fn fn) {
  std::string buffer;
  for (std::int64_t start = 0;; start += kRecordLength) {
    std::string_view record = ReadRecord(source, start, kRecordLength, buffer);
    if (record.empty()) return;
    fn(start, record);
  }
}

PhoneMoves PlanFor(std::string_view record) {
  return PlanPhoneMoves(FieldOf(record, kFirstPhoneAt, kFirstPhoneWidth),
                        FieldOf(record, kSecondPhoneAt, kSecondPhoneWidth));
}

void WriteIndexLines(rec::Stream& source, int file_number, rec::Stream& index) {
  ForEachRecord(source, [&](std::int64_t, std::string_view record) {
    PhoneMoves moves = PlanFor(record);
    std::string_view key = FieldOf(record, kOwnerKeyAt, kOwnerKeyWidth);
    if (!moves.first_tail.empty())
      index.Write(PhoneIndexLine(file_number, kKindFirstTail, false, key, moves.first_tail));
    if (!moves.second.empty())
      index.Write(PhoneIndexLine(file_number, kKindSecond, moves.joined, key, moves.second));
  });
}

void ShortenPhoneFields(rec::Stream& source) {
  ForEachRecord(source, [&](std::int64_t start, std::string_view record) {
    PhoneMoves moves = PlanFor(record);
    std::size_t present = record.size();
    if (!moves.first_tail.empty())
      BlankInRecord(source, start, present, kFirstPhoneTailAt, kFirstPhoneTailWidth);
    if (moves.joined)
      WriteInRecord(source, start, present, kFirstPhoneAt + moves.first_length,
                    std::string(kSeparator) + moves.second);
    if (!moves.second.empty()) BlankInRecord(source, start, present, kSecondPhoneAt, kSecondPhoneWidth);
  });
}

}  // namespace

PhoneMoves PlanPhoneMoves(std::string_view first, std::string_view second) {
  first = TrimmedRight(first);
  second = TrimmedRight(second);
  PhoneMoves moves;
  moves.first_length = static_cast<int>(first.size());
  // A second phone that the first already begins with (an empty one too)
  // stays where it is and goes nowhere.
  if (first.substr(0, second.size()) == second) second = {};
  if (first.size() > static_cast<std::size_t>(kFirstPhoneKept)) moves.first_tail = first.substr(kFirstPhoneKept);
  if (!second.empty()) {
    moves.second = second;
    moves.joined = first.size() + std::char_traits<char>::length(kSeparator) + second.size() <=
                   static_cast<std::size_t>(kFirstPhoneKept);
  }
  return moves;
}

std::string PhoneIndexLine(int file_number, std::string_view kind, bool joined, std::string_view owner_key,
                           std::string_view phone) {
  char number[16];
  std::snprintf(number, sizeof number, "%02d", file_number);
  std::string line;
  AppendField(line, number, 2);
  AppendField(line, kind, 2);
  AppendField(line, joined ? "1" : "0", 1);
  AppendField(line, owner_key, kOwnerKeyWidth);
  AppendField(line, phone, kSecondPhoneWidth);
  line += "\r\n";
  return line;
}

void BuildPhoneIndex() {
  if (plat::Exists(kIndex)) return;
  rec::NewFile index(kIndex);
  if (!index.stream()) return;
  StreamPtr sources[std::size(kSources)];
  for (std::size_t i = 0; i < std::size(kSources); ++i) {
    sources[i] = FOpenUpdate(kSources[i].name);  // a source that cannot be opened is left out
    if (sources[i]) WriteIndexLines(*sources[i], kSources[i].file_number, *index.stream());
  }
  for (auto& source : sources)
    if (source && source->Failed()) return;
  if (index.stream()->Failed() || !index.Commit()) return;
  for (auto& source : sources) {
    if (!source) continue;
    ShortenPhoneFields(*source);
    FCloseIf(source);
  }
}

}  // namespace convert
