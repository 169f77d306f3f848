// Step 2: the farms and bank accounts leave the client records, the bank table
// loses its banks, and the old counters move into the counters file.
//
// The split writes the farms, the accounts, the new client file and the bank
// table copy under their pending names, and a journal then puts them all in
// place at once, after the backup of the client file and before the bank table
// goes. The presence of F04R0.DAT or F09R0.DAT is what keeps a later run from
// splitting again, so neither may appear without the blanked clients beside
// it, nor the blanked clients without them.
#include <cstdio>
#include <map>
#include <optional>

#include "convert/conversion.hpp"
#include "convert/pending_file.hpp"
#include "convert/record_io.hpp"
#include "convert/split.hpp"
#include "recfile/backup.hpp"
#include "recfile/find_key.hpp"
#include "recfile/progress.hpp"
#include "recfile/refusals.hpp"

namespace convert {
namespace {

using namespace split;

constexpr char kClients[] = "F10R2.DAT";
constexpr char kClientsBackup[] = "F10R2-250.BAK";
constexpr char kFarms[] = "F09R0.DAT";
constexpr char kBankAccounts[] = "F04R0.DAT";
constexpr char kBankTable[] = "F24.DAT";
constexpr char kCodeTable[] = "F24R0.DAT";
constexpr int kBankKeyWidth = 5;  // "2" and the bank code in 4
constexpr int kBankNameAt = 9, kBankNameWidth = 20;

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
    PutInRecord(client, kAreaCodeAt, *code);
  BlankInRecord(client, kBlankFarmExtraAt, kBlankFarmExtraWidth);
  BlankInRecord(client, kBlankBankAt, kBlankBankWidth);
}

// One pass over the client records: a farm for every client whose farm name
// is not blank and an account for every client whose bank code is not blank,
// numbered 1, 2, 3, ... in client order (deleted clients count like the
// others), and every client record into the new client file. True when every
// read and write succeeded.
bool SplitClients(rec::Stream& clients, rec::Stream& new_clients, rec::Stream& farms, rec::Stream& accounts,
                  BankNames& banks) {
  std::string buffer, record;
  long farm_count = 0, account_count = 0;
  for (std::int64_t start = 0;; start += kClientLength) {
    std::string_view client = ReadRecord(clients, start, kClientLength, buffer);
    if (client.empty()) break;
    if (!TrimmedRight(FieldOf(client, kFarmNameAt, kFarmNameWidth)).empty())
      farms.Write(FarmRecord(client, ++farm_count));
    std::string_view bank_code = TrimmedRight(FieldOf(client, kBankCodeAt, kBankCodeWidth));
    if (!bank_code.empty())
      accounts.Write(BankAccountRecord(client, ++account_count, banks.Find(bank_code)));
    record.assign(client);
    ReleaseMovedFields(record);
    new_clients.Write(record);
  }
  return !clients.Failed() && !new_clients.Failed() && !farms.Failed() && !accounts.Failed();
}

}  // namespace

void SplitFarmsAndAccounts() {
  if (plat::Exists(kBankAccounts) || plat::Exists(kFarms)) return;
  // The client file is opened for update, as it is changed: a read-only one
  // is not split.
  StreamPtr clients = OpenToUpdate(kClients);
  if (!clients) {
    if (plat::IsReadOnly(kClients))
      rec::NoteSkipped("F10R2.DAT é somente leitura: as fazendas e as contas bancárias não foram separadas.");
    return;
  }
  PendingFile accounts(kBankAccounts), farms(kFarms), new_clients(kClients);
  if (!accounts.stream() || !farms.stream() || !new_clients.stream()) return;
  // Without a bank table every bank is "BANCO"; one that is there but cannot
  // be read would lose the names, and the split waits for a later run.
  StreamPtr table = OpenToRead(kBankTable);
  if (!table && plat::Exists(kBankTable)) {
    rec::NoteFailure();
    return;
  }

  BankNames banks(table.get());
  bool split;
  {
    rec::StepReading reading(*clients);
    split = SplitClients(*clients, *new_clients.stream(), *farms.stream(), *accounts.stream(), banks) &&
            !(table && table->Failed());
  }
  FCloseIf(clients);
  rec::FileChanges changes;
  // The client file as it was; an older, different backup is kept too.
  std::string backup = rec::BackupName(kClients, kClientsBackup);
  if (backup.empty()) return;
  changes.CopyUnlessExists(kClients, backup);
  changes.Create(kBankAccounts);
  changes.Create(kFarms);
  changes.Replace(kClients);

  std::optional<PendingFile> code_table;
  if (table && !plat::Exists(kCodeTable)) {
    code_table.emplace(kCodeTable);
    if (!code_table->stream() || !CopyBankTable(*table, *code_table->stream())) split = false;
    changes.Create(kCodeTable);
    changes.Delete(kBankTable);
  }
  FCloseIf(table);
  if (!split || !accounts.Finish() || !farms.Finish() || !new_clients.Finish() ||
      (code_table && !code_table->Finish()))
    return;
  ApplyChanges(changes, {&accounts, &farms, &new_clients, code_table ? &*code_table : nullptr});
}

}  // namespace convert

void SplitClientRecords(plat::Dialog*) {
  convert::SplitFarmsAndAccounts();
  convert::MigrateOldCounters();
}
