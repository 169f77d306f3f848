// Command 313: marks every client as a member in good standing ("1") or as
// delinquent ("0") in the first character of its group code, by looking its
// taxpayer number up among the members in good standing of the member file of
// the rural-union product. Items 100, 101 and 102 count the members in good
// standing, the clients marked "1" and the clients marked "0".
#include "maintenance/delinquency.hpp"

#include <cstdint>
#include <string>
#include <string_view>

#include "maintenance/field_pass.hpp"
#include "maintenance/working_set.hpp"
#include "recfile/client_record.hpp"
#include "ui/dialog.hpp"
#include "recfile/member_record.hpp"
#include "recfile/record_io.hpp"
#include "recfile/recfile.hpp"
#include "recfile/text.hpp"

namespace {

// The member file lies at the root of the current drive and is only read.
constexpr char kMemberFile[] = "\\Vamk\\Rud\\F10R4.DAT";

// The mark goes into the first character of the client's group code.
constexpr int kMarkAt = client::kGroupAt;

// The counters are shown every so many clients and at the end: the dialog is
// not repainted between, so showing each one would only cost time.
constexpr long kShowEvery = 4096;

constexpr char kCaption[] = "Lanvo";

// The month that a member's date must reach: December of the last year until
// April, December of this year from May on.
DateParts ReferenceMonth(const plat::LocalTime& now) {
  DateParts reference;
  reference.year = now.month <= 4 ? now.year - 1 : now.year;
  reference.month = 12;
  reference.day = 31;
  return reference;
}

// The member pass: the taxpayer numbers of the members in good standing go
// into the working set, in the order of the file, duplicates included. Each
// record is read whole and its fields taken from memory.
void CollectMembersInGoodStanding(Stream& members, const DateParts& reference, maint::WorkingSet& in_good_standing) {
  char date_text[member::kDateWidth + 1];
  char status[member::kStatusWidth + 1];
  char count[member::kCountWidth + 1];
  char taxpayer[member::kTaxpayerWidth + 1];
  std::string buffer;
  for (std::int64_t start = 0;; start += member::kLength) {
    std::string_view record = rec::ReadRecord(members, start, member::kLength, buffer);
    if (members.Failed() || !rec::FieldAsText(record, member::kDateAt, date_text, member::kDateWidth)) break;
    DateParts date;
    ParseDate(date_text, &date);
    if (record.size() == static_cast<std::size_t>(member::kLength) && record.back() == '+') continue;  // deleted
    if (!rec::FieldAsText(record, member::kStatusAt, status, member::kStatusWidth) || status[0] == '1') continue;
    if (!rec::FieldAsText(record, member::kCountAt, count, member::kCountWidth)) continue;
    // Dated before the reference month: in good standing with a count of 0 or 1 only.
    if (CompareYearMonth(reference, date) > 0 && TextToInt(count) > 1) continue;
    if (!rec::FieldAsText(record, member::kTaxpayerAt, taxpayer, member::kTaxpayerWidth)) continue;
    if (taxpayer[0] < '0' || taxpayer[0] > '9') continue;
    in_good_standing.Add(taxpayer);
  }
}

class Counters {
 public:
  explicit Counters(plat::Dialog* dialog) : dialog_(dialog) {}
  void Count(bool up_to_date) {
    ++(up_to_date ? up_to_date_ : delinquent_);
    if ((up_to_date_ + delinquent_) % kShowEvery == 0) Show();
  }
  void Show() {
    SetDlgNumber(dialog_, kItemClientsUpToDate, up_to_date_);
    SetDlgNumber(dialog_, kItemClientsDelinquent, delinquent_);
    dialog_->Repaint();
  }

 private:
  plat::Dialog* dialog_;
  long up_to_date_ = 0;
  long delinquent_ = 0;
};

// The client pass: every client record gets its mark, also a deleted one.
// Only the marks that differ from what the record holds are written (see
// maintenance/field_pass.hpp). A record cut short before its taxpayer number
// ends the pass, as the line read of the number would.
maint::PassEnd MarkClients(Stream& clients, const maint::WorkingSet& in_good_standing, Counters& counters) {
  char taxpayer[client::kTaxpayerWidth + 1];
  maint::FieldPass pass(clients);
  for (std::string_view block; !(block = pass.NextBlock()).empty();) {
    for (std::size_t start = 0; start < block.size(); start += client::kLength) {
      std::string_view record = block.substr(start, client::kLength);
      if (!rec::FieldAsText(record, client::kTaxpayerAt, taxpayer, client::kTaxpayerWidth)) break;
      // The whole 18 characters are looked up: "123.456.789-01" and
      // "12345678901" are different numbers here.
      bool found = taxpayer[0] != '\0' && in_good_standing.Contains(taxpayer);
      std::string_view mark = found ? "1" : "0";
      std::string_view was = record.substr(kMarkAt, 1);
      // The mark goes whatever the first character of the group holds by
      // then: it depends only on the taxpayer number.
      if (was != mark) pass.Set(pass.block_start() + static_cast<std::int64_t>(start) + kMarkAt, mark);
      counters.Count(found);
    }
  }
  counters.Show();
  return pass.Finish();
}

// The cause of the first failure, when a file service failed, is the
// message's second paragraph.
void ShowError(plat::Dialog* dialog, const char* text) {
  plat::ShowMessageBox(dialog, rec::WithFailureCause(text), kCaption, plat::kOk | plat::kIconError);
}

}  // namespace

void UpdateDelinquency(plat::Dialog* dialog) {
  SetDlgNumber(dialog, kItemMembersInGoodStanding, 0);
  SetDlgNumber(dialog, kItemClientsUpToDate, 0);
  SetDlgNumber(dialog, kItemClientsDelinquent, 0);
  maint::WorkingSet in_good_standing;
  rec::ForgetFailureCause();
  DateParts reference = ReferenceMonth(plat::Now());

  plat::Cursor previous = plat::ShowWaitCursor();
  StreamPtr members = OpenToRead(kMemberFile);
  if (members) CollectMembersInGoodStanding(*members, reference, in_good_standing);
  // A member file that could not be read to its end would have members in
  // good standing marked delinquent: it counts as one that cannot be read.
  if (!members || !FCloseIf(members)) {
    in_good_standing.Clear();
    plat::RestoreCursor(previous);
    ShowError(dialog, "Erro ao abrir o arquivo de sócios do Veltoral.");
    return;
  }
  SetDlgNumber(dialog, kItemMembersInGoodStanding, in_good_standing.Count());

  StreamPtr clients = OpenToUpdate(client::kFile);
  if (!clients) {
    plat::RestoreCursor(previous);
    ShowError(dialog, "Erro ao abrir o arquivo de clientes do Lanvo.");
    return;
  }
  Counters counters(dialog);
  // A write or a read that failed leaves clients unmarked, and a file that got
  // another size under the pass stops it: either is an error.
  maint::PassEnd end = MarkClients(*clients, in_good_standing, counters);
  bool written = FCloseIf(clients) && end == maint::PassEnd::kDone;
  plat::RestoreCursor(previous);
  if (!written) {
    ShowError(dialog, "Erro ao atualizar o arquivo de clientes do Lanvo.");
    return;
  }
  plat::ShowMessageBox(dialog, "Processo finalizado", kCaption, plat::kOk | plat::kIconInformation);
}
