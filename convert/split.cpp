// Step 2: the farms and bank accounts leave the client records, the bank table
// loses its banks, and the old counters move into the counters file.
//
// The split writes F09R0.DAT and F04R0.DAT under temporary names and puts them
// in place only when complete, and changes the client file only after that:
// their presence is what keeps a later run from splitting again, so a split
// cut short by a failure must leave neither of them nor any blanked client.
#include <cstdio>
#include <map>

#include "convert/conversion.hpp"
#include "convert/record_io.hpp"
#include "convert/split.hpp"
#include "recfile/counters.hpp"

namespace convert {
namespace {

using namespace split;

constexpr char kClients[] = "F10R2.DAT";
constexpr char kClientsBackup[] = "F10R2-250.BAK";
constexpr char kFarms[] = "F09R0.DAT";
constexpr char kBankAccounts[] = "F04R0.DAT";
constexpr char kBankTable[] = "F24.DAT";
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

// Pass 1: a farm for every client whose farm name is not blank and an account
// for every client whose bank code is not blank, numbered 1, 2, 3, ... in
// client order. Deleted clients count like the others. Returns the number of
// client records, or -1 when a read or a write failed.
long WriteFarmsAndAccounts(rec::Stream& clients, rec::Stream& farms, rec::Stream& accounts,
                           BankNames& banks) {
  std::string buffer;
  long records = 0, farm_count = 0, account_count = 0;
  for (;; ++records) {
    std::string_view client = ReadRecord(clients, std::int64_t{records} * kClientLength, kClientLength, buffer);
    if (client.empty()) break;
    if (!TrimmedRight(FieldOf(client, kFarmNameAt, kFarmNameWidth)).empty())
      farms.Write(FarmRecord(client, ++farm_count));
    std::string_view bank_code = TrimmedRight(FieldOf(client, kBankCodeAt, kBankCodeWidth));
    if (!bank_code.empty())
      accounts.Write(BankAccountRecord(client, ++account_count, banks.Find(bank_code)));
  }
  if (clients.Failed() || farms.Failed() || accounts.Failed()) return -1;
  return records;
}

// Pass 2: the area code at 286 as a plain number, and the moved fields blank.
void ReleaseMovedFields(rec::Stream& clients, long records) {
  std::string buffer;
  for (long r = 0; r < records; ++r) {
    std::int64_t start = std::int64_t{r} * kClientLength;
    std::string_view client = ReadRecord(clients, start, kClientLength, buffer);
    std::size_t present = client.size();
    if (auto code = NormalisedAreaCode(FieldOf(client, kAreaCodeAt, kAreaCodeWidth)))
      WriteInRecord(clients, start, present, kAreaCodeAt, *code);
    BlankInRecord(clients, start, present, kBlankFarmExtraAt, kBlankFarmExtraWidth);
    BlankInRecord(clients, start, present, kBlankBankAt, kBlankBankWidth);
  }
}

}  // namespace

void SplitFarmsAndAccounts() {
  if (plat::Exists(kBankAccounts) || plat::Exists(kFarms)) return;
  StreamPtr clients = OpenToUpdate(kClients);
  if (!clients) return;
  rec::NewFile accounts(kBankAccounts);
  rec::NewFile farms(kFarms);
  if (!accounts.stream() || !farms.stream()) return;
  StreamPtr table = OpenToRead(kBankTable);  // may be missing: every bank is then "BANCO"

  // The client file is changed only when its backup is there, made now or
  // kept from an earlier run.
  plat::CopyNoReplace(kClients, kClientsBackup);
  if (!plat::Exists(kClientsBackup)) return;

  BankNames banks(table.get());
  long records = WriteFarmsAndAccounts(*clients, *farms.stream(), *accounts.stream(), banks);
  if (records < 0 || !accounts.Commit() || !farms.Commit()) return;
  ReleaseMovedFields(*clients, records);
  FCloseIf(clients);
  if (table) CopyBankTable(table);
}

}  // namespace convert

void SplitClientRecords(plat::Dialog*) {
  convert::SplitFarmsAndAccounts();
  convert::MigrateOldCounters();
}
