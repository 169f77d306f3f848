// The phone index of step 3. In 3.03 the first phone field of a company or
// client record holds 37 characters and the second phone has no field of its
// own: what no longer fits moves into FTEL1.DAT, lines of 40 bytes ending in
// CR LF, all of F00R0.DAT before all of F10R2.DAT.
//
// The index and the shortened company and client files are written under
// their pending names and put in place together by a journal: the presence of
// FTEL1.DAT is what keeps a later run from moving the phones again, and a
// phone blanked in a record must be in the index. The split, which writes the
// client file anyway, moves the phones in the same pass (PhoneIndex), so that
// a folder converted from an older release has its client file written once.
#include <cstdio>
#include <optional>
#include <vector>

#include "convert/phone_index.hpp"
#include "recfile/client_record.hpp"
#include "recfile/journal.hpp"
#include "recfile/new_file.hpp"
#include "ui/progress.hpp"
#include "recfile/record_io.hpp"
#include "recfile/recfile.hpp"

namespace convert {
namespace {

using namespace phones;
using rec::FieldOf;

// The company file keeps its phones where the client record keeps them.
constexpr int kRecordLength = client::kLength;

constexpr char kIndex[] = "FTEL1.DAT";
constexpr char kCompany[] = "F00R0.DAT";
constexpr char kClients[] = "F10R2.DAT";
// The file numbers of the index lines.
constexpr int kCompanyNumber = 0, kClientsNumber = 10;

constexpr char kKindFirstTail[] = "01";
constexpr char kKindSecond[] = "02";

PhoneMoves PlanFor(std::string_view record) {
  return PlanPhoneMoves(FieldOf(record, client::kPhone1At, client::kPhone1Width),
                        FieldOf(record, client::kPhone2At, client::kSecondPhoneWidth));
}

// Writes every record of in to out, each after move has changed it.
template <typename Move>
void RewriteRecords(rec::Stream& in, rec::Stream& out, Move move) {
  std::string buffer, record;
  for (std::int64_t start = 0;; start += kRecordLength) {
    std::string_view read = rec::ReadRecord(in, start, kRecordLength, buffer);
    if (read.empty()) return;
    record.assign(read);
    move(record);
    out.Write(record);
  }
}

}  // namespace

bool PhoneIndex::MovePhones(std::string& record, int file_number) {
  PhoneMoves moves = PlanFor(record);
  std::string key(FieldOf(record, client::kCodeAt, client::kCodeKeyWidth));
  bool changed = false;
  if (!moves.first_tail.empty()) {
    index_->stream()->Write(PhoneIndexLine(file_number, kKindFirstTail, false, key, moves.first_tail));
    rec::BlankInRecord(record, client::kPhone1TailAt, client::kPhone1TailWidth);
    changed = true;
  }
  if (moves.joined)
    rec::PutInRecord(record, client::kPhone1At + moves.first_length, std::string(kSeparator) + moves.second);
  if (!moves.second.empty()) {
    index_->stream()->Write(PhoneIndexLine(file_number, kKindSecond, moves.joined, key, moves.second));
    rec::BlankInRecord(record, client::kPhone2At, client::kSecondPhoneWidth);
    changed = true;
  }
  return changed;
}

bool PhoneIndex::Begin() {
  if (plat::Exists(kIndex)) return false;
  index_.emplace(kIndex, rec::NewFile::Placing::kJournal);
  if (!index_->stream()) return false;
  // A company file that is there but cannot be opened (held by another
  // program) would never be indexed once FTEL1.DAT exists: the index waits
  // for a later run.
  StreamPtr in = FOpenUpdate(kCompany);
  if (!in && plat::Exists(kCompany)) {
    rec::NoteFailure();
    return false;
  }
  if (!in) return true;
  company_.emplace(kCompany, rec::NewFile::Placing::kJournal);
  if (!company_->stream()) return false;
  RewriteRecords(*in, *company_->stream(), [this](std::string& record) {
    company_changed_ = MovePhones(record, kCompanyNumber) || company_changed_;
  });
  bool read = !in->Failed();
  FCloseIf(in);
  return read && company_->Finish();
}

void PhoneIndex::MoveClientPhones(std::string& record) {
  clients_changed_ = MovePhones(record, kClientsNumber) || clients_changed_;
}

bool PhoneIndex::Finish(rec::FileChanges& changes, std::vector<rec::NewFile*>& files) {
  if (!index_->Finish()) return false;
  changes.Create(kIndex);
  files.push_back(&*index_);
  if (company_ && company_changed_) {
    changes.Replace(kCompany);
    files.push_back(&*company_);
  }
  return true;
}

PhoneMoves PlanPhoneMoves(std::string_view first, std::string_view second) {
  first = rec::TrimmedRight(first);
  second = rec::TrimmedRight(second);
  PhoneMoves moves;
  moves.first_length = static_cast<int>(first.size());
  // A second phone that the first already begins with (an empty one too)
  // stays where it is and goes nowhere.
  if (first.substr(0, second.size()) == second) second = {};
  if (first.size() > static_cast<std::size_t>(client::kPhone1Kept))
    moves.first_tail = first.substr(client::kPhone1Kept);
  if (!second.empty()) {
    moves.second = second;
    moves.joined = first.size() + std::char_traits<char>::length(kSeparator) + second.size() <=
                   static_cast<std::size_t>(client::kPhone1Kept);
  }
  return moves;
}

std::string PhoneIndexLine(int file_number, std::string_view kind, bool joined, std::string_view owner_key,
                           std::string_view phone) {
  char number[16];
  std::snprintf(number, sizeof number, "%02d", file_number);
  std::string line;
  rec::AppendField(line, number, 2);
  rec::AppendField(line, kind, 2);
  rec::AppendField(line, joined ? "1" : "0", 1);
  rec::AppendField(line, owner_key, client::kCodeKeyWidth);
  rec::AppendField(line, phone, client::kSecondPhoneWidth);
  line += "\r\n";
  return line;
}

void BuildPhoneIndex() {
  PhoneIndex phones;
  if (!phones.Begin()) return;
  StreamPtr in = FOpenUpdate(kClients);
  if (!in && plat::Exists(kClients)) {
    rec::NoteFailure();
    return;
  }
  std::optional<rec::NewFile> clients;
  if (in) {
    clients.emplace(kClients, rec::NewFile::Placing::kJournal);
    if (!clients->stream()) return;
    ui::StepReading reading(*in);
    RewriteRecords(*in, *clients->stream(), [&](std::string& record) { phones.MoveClientPhones(record); });
    bool read = !in->Failed();
    FCloseIf(in);
    if (!read || !clients->Finish()) return;
  }
  rec::FileChanges changes;
  std::vector<rec::NewFile*> files;
  if (!phones.Finish(changes, files)) return;
  if (clients && phones.ClientsChanged()) {
    changes.Replace(kClients);
    files.push_back(&*clients);
  }
  rec::ApplyChanges(changes, files);
}

}  // namespace convert
