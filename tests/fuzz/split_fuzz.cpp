// Step 2 on any bytes: the client file F10R2.DAT split into farms and bank
// accounts, the bank table F24.DAT copied without its banks, and the old
// counters of CONFIGA.DAT moved into F34.DAT. Every file the step writes is
// checked against what it does, worked out here from the bytes: the client
// records keep their length and lose only the moved fields, a farm and an
// account for every client that has one, whole records everywhere.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "convert/counter_migration.hpp"
#include "convert/split.hpp"
#include "recfile/text.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

using fuzz::Check;

constexpr char kClients[] = "F10R2.DAT";
constexpr char kBackup[] = "F10R2-250.BAK";
// Where the client file goes when the backup's name holds other bytes.
constexpr char kNumberedBackup[] = "F10R2-250-1.BAK";
constexpr char kFarms[] = "F09R0.DAT";
constexpr char kAccounts[] = "F04R0.DAT";
constexpr char kBankTable[] = "F24.DAT";
constexpr char kTableCopy[] = "F24R0.DAT";
constexpr char kOldCounters[] = "CONFIGA.DAT";
constexpr char kCounters[] = "F34.DAT";
constexpr char kPhoneIndex[] = "FTEL1.DAT";

constexpr std::size_t kClient = 1000, kFarm = 815, kAccount = 950, kTable = 60, kCounter = 30;
constexpr std::size_t kAreaAt = 286, kAreaWidth = 4;
constexpr std::size_t kFarmNameAt = 643, kFarmNameWidth = 40, kBankCodeAt = 713, kBankCodeWidth = 4;
// What leaves the client record.
constexpr std::size_t kFarmExtraAt = 354, kFarmExtraWidth = 18, kBankAt = 613, kBankWidth = 148;

// A field of a record held in memory as the step takes it: only the
// characters the record has, ending after a line feed.
std::string Field(std::string_view record, std::size_t at, std::size_t width) {
  return fuzz::LineField(std::string(record), at, width).value_or("");
}

std::string Trimmed(std::string text) { return text.erase(text.find_last_not_of(' ') + 1); }

std::string Padded(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

// The client record after the split: the area code as a plain number when it
// has 3 or 4 characters, the moved fields blank; nothing beyond its length.
std::string SplitClient(std::string record) {
  std::string area = Trimmed(Field(record, kAreaAt, kAreaWidth));
  auto put = [&](std::size_t at, const std::string& text) {
    for (std::size_t i = 0; i < text.size() && at + i < record.size(); ++i) record[at + i] = text[i];
  };
  if (area.size() >= 3) {
    const char* from = area.c_str() + (area[0] >= '0' && area[0] <= '9' ? 0 : 1);
    char number[16];
    std::snprintf(number, sizeof number, "%-4ld", TextToInt(from));
    put(kAreaAt, number);
  }
  put(kFarmExtraAt, std::string(kFarmExtraWidth, ' '));
  put(kBankAt, std::string(kBankWidth, ' '));
  return record;
}

std::string SequenceCode(long n) {
  char code[16];
  std::snprintf(code, sizeof code, "%05ld", n);
  return Padded(code, 11);
}

std::string Farm(std::string_view client, long n) {
  return SequenceCode(n) + Padded(Trimmed(Field(client, kFarmNameAt, kFarmNameWidth)), 189) +
         Padded(Field(client, 683, 30), 30) + Padded(Field(client, 641, 2), 38) + Padded(Field(client, 268, 18), 86) +
         Padded(Field(client, 354, 18), 148) + Padded(Field(client, 0, 10), 313);
}

// The name of a bank in the table: the first live record whose first 5
// characters are "2" and the bank code, its 20 characters at 9 as the field
// read takes them; "BANCO" without one.
std::string BankName(const std::optional<std::string>& table, std::string code) {
  code = code.c_str();
  std::string key = Padded("2" + code.substr(0, 4), 5);
  if (table) {
    for (std::size_t start = 0; start < table->size(); start += kTable) {
      bool deleted = start + kTable - 1 < table->size() && (*table)[start + kTable - 1] == '+';
      if (table->compare(start, 5, key) != 0 || table->size() < start + 5 || deleted) continue;
      std::string name = fuzz::LineField(*table, start + 9, 20).value_or("");
      return name.c_str();
    }
  }
  return "BANCO";
}

void CheckAccount(std::string_view account, std::string_view client, long n, const std::string& name) {
  std::string code = Trimmed(Field(client, kBankCodeAt, kBankCodeWidth)).substr(0, 3);
  Check(account.substr(0, 11) == SequenceCode(n), "an account out of sequence");
  Check(account.substr(11, 40) == Padded(name.substr(0, 40), 40), "an account with the wrong bank name");
  Check(account.substr(57, 4) == Padded(code, 4), "an account with the wrong bank code");
  Check(account.substr(938, 12) == "0" + Padded(Field(client, 0, 10), 11), "an account with the wrong owner");
}

// The counters file that the migration makes of CONFIGA.DAT.
std::string MigratedCounters(const std::string& old) {
  static const char* const kNames[] = {"10", "60", "11", "14", "9", "4"};
  std::string counters;
  for (std::size_t k = 0; k < 6; ++k) {
    long value = TextToInt(fuzz::LineField(old, k * 11, 11).value_or("").c_str());
    if (value <= 0 || value >= 999999999) continue;
    char record[64];
    std::snprintf(record, sizeof record, "%-10s%-10s%-10ld", "", kNames[k], value);
    counters += record;
  }
  return counters;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  auto parts = fuzz::SplitInput(data, size, 4);
  const std::string& clients = parts[0];
  // The first byte of the last part says which files are missing, and
  // whether a backup of the client file or the counters file are there.
  std::uint8_t flags = fuzz::Script(parts[3]).Byte();
  bool have_clients = !(flags & 1), have_table = !(flags & 2), have_old = !(flags & 4);
  bool old_backup = flags & 8, have_counters = flags & 16;
  std::optional<std::string> table;
  if (have_clients) ws.Write(kClients, clients);
  if (have_table) ws.Write(kBankTable, *(table = parts[1]));
  if (have_old) ws.Write(kOldCounters, parts[2]);
  if (old_backup) ws.Write(kBackup, "older");
  if (have_counters) ws.Write(kCounters, "");

  convert::SplitFarmsAndAccounts();
  convert::MigrateOldCounters();

  if (have_clients) {
    std::string expected_clients, expected_farms, expected_index;
    long farms = 0, accounts = 0;
    std::string accounts_file = ws.Read(kAccounts);
    Check(accounts_file.size() % kAccount == 0, "F04R0.DAT not of whole records");
    for (std::size_t start = 0; start < clients.size(); start += kClient) {
      std::string_view client = std::string_view(clients).substr(start, kClient);
      if (!Trimmed(Field(client, kFarmNameAt, kFarmNameWidth)).empty()) expected_farms += Farm(client, ++farms);
      std::string code = Trimmed(Field(client, kBankCodeAt, kBankCodeWidth));
      if (!code.empty()) {
        ++accounts;
        Check(accounts_file.size() >= static_cast<std::size_t>(accounts) * kAccount, "an account is missing");
        CheckAccount(std::string_view(accounts_file).substr((accounts - 1) * kAccount, kAccount), client, accounts,
                     BankName(table, code));
      }
      // The phones leave the client records in the same pass.
      expected_clients += fuzz::MovePhones(SplitClient(std::string(client)), 10, &expected_index);
    }
    Check(ws.Read(kClients) == expected_clients, "the client file is not what the split makes of it");
    Check(ws.Read(kPhoneIndex) == expected_index, "the phone index is not the phones that moved");
    fuzz::ExpectWholeRecords(ws, kFarms, kFarm);
    Check(ws.Read(kFarms) == expected_farms, "the farms are not those of the clients");
    Check(accounts_file.size() == static_cast<std::size_t>(accounts) * kAccount, "more accounts than clients with a bank");
    Check(ws.Read(kBackup) == (old_backup ? "older" : clients), "the backup of the client file is wrong");
    if (old_backup && clients != "older")
      Check(ws.Read(kNumberedBackup) == clients, "the client file is not kept beside an older, different backup");
    if (table) {
      std::string copy;
      for (std::size_t start = 0; start < table->size(); start += kTable)
        if ((*table)[start] != '2') copy += Padded(table->substr(start, kTable), kTable);
      Check(ws.Read(kTableCopy) == copy, "the copy of the bank table is wrong");
      Check(!ws.Has(kBankTable), "F24.DAT is still there after its copy");
    }
  } else {
    for (const char* name : {kFarms, kAccounts, kTableCopy, kClients, kPhoneIndex})
      Check(!ws.Has(name), std::string(name) + " made without a client file");
    Check(ws.Read(kBankTable) == table.value_or(""), "F24.DAT changed without a split");
    Check(!ws.Has(kNumberedBackup), "a backup made without a split");
  }
  if (have_old && !have_counters) {
    if (ws.Has(kCounters)) fuzz::ExpectWholeRecords(ws, kCounters, kCounter);
    Check(ws.Read(kCounters) == MigratedCounters(parts[2]), "the counters are not those of CONFIGA.DAT");
    Check(!ws.Has(kOldCounters), "CONFIGA.DAT is still there after the migration");
  } else {
    Check(ws.Read(kCounters).empty(), "counters written without their migration");
    Check(ws.Read(kOldCounters) == (have_old ? parts[2] : ""), "CONFIGA.DAT changed without the migration");
  }
  ws.ExpectOnly({kClients, kBackup, kNumberedBackup, kFarms, kAccounts, kBankTable, kTableCopy, kOldCounters,
                 kCounters, kPhoneIndex});
  return 0;
}
