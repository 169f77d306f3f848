// The phone index of step 3. In 3.03 the first phone field of a company or
// client record holds 37 characters and the second phone has no field of its
// own: what no longer fits moves into FTEL1.DAT, lines of 40 bytes ending in
// CR LF, all of F00R0.DAT before all of F10R2.DAT.
//
// The index and the shortened company and client files are written under
// their pending names and put in place together by a journal: the presence of
// FTEL1.DAT is what keeps a later run from moving the phones again, and a
// phone blanked in a record must be in the index.
#include <cstdio>
#include <memory>
#include <vector>

#include "convert/pending_file.hpp"
#include "convert/phones_texts.hpp"
#include "convert/record_io.hpp"
#include "recfile/progress.hpp"
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

PhoneMoves PlanFor(std::string_view record) {
  return PlanPhoneMoves(FieldOf(record, kFirstPhoneAt, kFirstPhoneWidth),
                        FieldOf(record, kSecondPhoneAt, kSecondPhoneWidth));
}

// Moves the phones of every record of a source: its index lines go to index,
// each record to the source's new version. True when any record changed.
bool MovePhones(rec::Stream& source, int file_number, rec::Stream& rewritten, rec::Stream& index) {
  std::string buffer, record;
  bool changed = false;
  for (std::int64_t start = 0;; start += kRecordLength) {
    std::string_view read = ReadRecord(source, start, kRecordLength, buffer);
    if (read.empty()) break;
    record.assign(read);
    PhoneMoves moves = PlanFor(record);
    std::string_view key = FieldOf(read, kOwnerKeyAt, kOwnerKeyWidth);
    if (!moves.first_tail.empty()) {
      index.Write(PhoneIndexLine(file_number, kKindFirstTail, false, key, moves.first_tail));
      BlankInRecord(record, kFirstPhoneTailAt, kFirstPhoneTailWidth);
    }
    if (moves.joined) PutInRecord(record, kFirstPhoneAt + moves.first_length, std::string(kSeparator) + moves.second);
    if (!moves.second.empty()) {
      index.Write(PhoneIndexLine(file_number, kKindSecond, moves.joined, key, moves.second));
      BlankInRecord(record, kSecondPhoneAt, kSecondPhoneWidth);
    }
    changed = changed || record != read;
    rewritten.Write(record);
  }
  return changed;
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
  PendingFile index(kIndex);
  if (!index.stream()) return;
  rec::FileChanges changes;
  changes.Create(kIndex);
  std::vector<std::unique_ptr<PendingFile>> rewritten;
  for (const Source& source : kSources) {
    // A missing source is left out. One that is there but cannot be opened
    // (held by another program) would never be indexed once FTEL1.DAT
    // exists: the index waits for a later run.
    StreamPtr in = FOpenUpdate(source.name);
    if (!in && plat::Exists(source.name)) {
      rec::NoteFailure();
      return;
    }
    if (!in) continue;
    auto out = std::make_unique<PendingFile>(source.name);
    if (!out->stream()) return;
    bool changed;
    {
      rec::StepReading reading(*in);
      changed = MovePhones(*in, source.file_number, *out->stream(), *index.stream());
    }
    bool read = !in->Failed();
    FCloseIf(in);
    if (!read || !out->Finish()) return;
    if (!changed) continue;  // nothing to put in place
    changes.Replace(source.name);
    rewritten.push_back(std::move(out));
  }
  if (!index.Finish()) return;
  std::vector<PendingFile*> files = {&index};
  for (auto& file : rewritten) files.push_back(file.get());
  ApplyChanges(changes, files);
}

}  // namespace convert
