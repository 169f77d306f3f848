// Step 2: the farms and bank accounts leave the client records, the bank table
// loses its banks, and the old counters move into the counters file.
//
// The split writes the farms, the accounts, the new client file and the bank
// table copy under their pending names, and a journal then puts them all in
// place at once, after the backup of the client file and before the bank table
// goes. The presence of F04R0.DAT or F09R0.DAT is what keeps a later run from
// splitting again, so neither may appear without the blanked clients beside
// it, nor the blanked clients without them.
#include "convert/split.hpp"

#include <cstdio>
#include <map>
#include <optional>

#include "convert/bank_table.hpp"
#include "convert/phone_index.hpp"
#include "convert/split_records.hpp"
#include "recfile/backup.hpp"
#include "recfile/client_record.hpp"
#include "recfile/find_key.hpp"
#include "recfile/journal.hpp"
#include "recfile/new_file.hpp"
#include "ui/progress.hpp"
#include "recfile/record_io.hpp"
#include "recfile/refusals.hpp"

namespace convert {
namespace {

using namespace split;
using namespace client;
using rec::FieldOf;
using rec::TrimmedRight;

constexpr char kClientsBackup[] = "F10R2-250.BAK";
constexpr char kFarms[] = "F09R0.DAT";
constexpr char kBankAccounts[] = "F04R0.DAT";
constexpr char kBankTable[] = "F24.DAT";
constexpr char kCodeTable[] = "F24R0.DAT";
constexpr int kBankKeyWidth = 5;  // "2" and the bank code in 4
constexpr int kBankNameAt = 9, kBankNameWidth = 20;
// The name of every bank when there is no bank table, or no bank of its code.
constexpr char kDefaultBankName[] = "BANCO";

// Bank names by bank code. The table does not change during the split, so
// each code is looked up once.
class BankNames {
 public:
  explicit BankNames(rec::Stream* table) : table_(table) {}

  const std::string& Find(std::string_view bank_code) {
    auto known = names_.find(bank_code);
    if (known != names_.end()) return known->second;
    return names_.emplace(std::string(bank_code), LookUp(bank_code)).first->second;
  }

 private:
  std::string LookUp(std::string_view bank_code) {
    if (!table_) return kDefaultBankName;
    char key[kBankKeyWidth + 1];
    std::snprintf(key, sizeof key, "2%-4.*s", static_cast<int>(bank_code.size()), bank_code.data());
    std::int64_t index = -1;
    if (FFindKey(table_, kBankTableLength, key, 0, kBankKeyWidth, &index) != 1)
      return kDefaultBankName;
    char name[kBankNameWidth + 1];
    if (!table_->Seek(index * kBankTableLength + kBankNameAt) || !FReadField(table_, name, kBankNameWidth))
      return std::string();
    return name;
  }

  rec::Stream* table_;
  std::map<std::string, std::string, std::less<>> names_;
};

// The client record as 3.03 keeps it: the area code at 286 as a plain number,
// and the fields that moved to the farm and the account blank.
void ReleaseMovedFields(std::string& client) {
  if (auto code = NormalisedAreaCode(FieldOf(client, kAreaCodeAt, kAreaCodeWidth)))
    rec::PutInRecord(client, kAreaCodeAt, *code);
  rec::BlankInRecord(client, kFarmExtraAt, kFarmExtraWidth);
  rec::BlankInRecord(client, kMovedOutAt, kMovedOutWidth);
}

// One pass over the client records: a farm for every client whose farm name
// is not blank and an account for every client whose bank code is not blank,
// numbered 1, 2, 3, ... in client order (deleted clients count like the
// others), and every client record into the new client file. True when every
// read and write succeeded.
bool SplitClients(rec::Stream& clients, rec::Stream& new_clients, rec::Stream& farms, rec::Stream& accounts,
                  BankNames& banks, PhoneIndex* phones) {
  std::string buffer, record;
  long farm_count = 0, account_count = 0;
  for (std::int64_t start = 0;; start += client::kLength) {
    std::string_view read = rec::ReadRecord(clients, start, client::kLength, buffer);
    if (read.empty()) break;
    if (!TrimmedRight(FieldOf(read, kFarmNameAt, kFarmNameWidth)).empty())
      farms.Write(FarmRecord(read, ++farm_count));
    std::string_view bank_code = TrimmedRight(FieldOf(read, kBankCodeAt, kBankCodeWidth));
    if (!bank_code.empty())
      accounts.Write(BankAccountRecord(read, ++account_count, banks.Find(bank_code)));
    record.assign(read);
    ReleaseMovedFields(record);
    if (phones) phones->MoveClientPhones(record);
    new_clients.Write(record);
  }
  return !clients.Failed() && !new_clients.Failed() && !farms.Failed() && !accounts.Failed();
}

}  // namespace

void SplitFarmsAndAccounts() {
  if (plat::Exists(kBankAccounts) || plat::Exists(kFarms)) return;
  // The client file is opened for update, as it is changed: a read-only one
  // is not split.
  StreamPtr clients = OpenToUpdate(client::kFile);
  if (!clients) {
    if (plat::IsReadOnly(client::kFile))
      rec::NoteSkipped("F10R2.DAT é somente leitura: as fazendas e as contas bancárias não foram separadas.");
    return;
  }
  constexpr auto kByJournal = rec::NewFile::Placing::kJournal;
  rec::NewFile accounts(kBankAccounts, kByJournal), farms(kFarms, kByJournal), new_clients(client::kFile, kByJournal);
  if (!accounts.stream() || !farms.stream() || !new_clients.stream()) return;
  // Without a bank table every bank is "BANCO"; one that is there but cannot
  // be read would lose the names, and the split waits for a later run.
  StreamPtr table = OpenToRead(kBankTable);
  if (!table && plat::Exists(kBankTable)) {
    rec::NoteFailure();
    return;
  }

  // The phones leave the client records in this pass too (the fields of the
  // two moves do not overlap), so that the client file is written once.
  std::optional<PhoneIndex> phones;
  phones.emplace();
  if (!phones->Begin()) phones.reset();

  BankNames banks(table.get());
  bool split;
  {
    ui::StepReading reading(*clients);
    split = SplitClients(*clients, *new_clients.stream(), *farms.stream(), *accounts.stream(), banks,
                         phones ? &*phones : nullptr) &&
            !(table && table->Failed());
  }
  FCloseIf(clients);
  rec::FileChanges changes;
  // The client file as it was; an older, different backup is kept too.
  std::string backup = rec::BackupName(client::kFile, kClientsBackup);
  if (backup.empty()) return;
  changes.CopyUnlessExists(client::kFile, backup);
  changes.Create(kBankAccounts);
  changes.Create(kFarms);
  changes.Replace(client::kFile);

  std::optional<rec::NewFile> code_table;
  if (table && !plat::Exists(kCodeTable)) {
    code_table.emplace(kCodeTable, kByJournal);
    if (!code_table->stream() || !CopyBankTable(*table, *code_table->stream())) split = false;
    changes.Create(kCodeTable);
    changes.Delete(kBankTable);
  }
  FCloseIf(table);
  if (!split || !accounts.Finish() || !farms.Finish() || !new_clients.Finish() ||
      (code_table && !code_table->Finish()))
    return;
  std::vector<rec::NewFile*> files = {&accounts, &farms, &new_clients, code_table ? &*code_table : nullptr};
  if (phones && !phones->Finish(changes, files)) return;
  rec::ApplyChanges(changes, files);
}

}  // namespace convert
