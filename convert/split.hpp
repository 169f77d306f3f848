// Step 2, piece by piece: farms and bank accounts taken out of the client
// records of F10R2.DAT into F09R0.DAT and F04R0.DAT, the bank table F24.DAT
// copied without its banks to F24R0.DAT, and the six old counters of
// CONFIGA.DAT moved into the counters file F34.DAT.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "recfile/stream.hpp"

namespace convert {

// The client record of 3.03 carried one farm and one bank account until the
// split; these are the fields the split reads, with the widths it reads them.
namespace split {
constexpr int kClientLength = 1000;
constexpr int kOwnerCodeAt = 0, kOwnerCodeWidth = 10;  // the first 10 of the 11-wide code
constexpr int kDocument2At = 268, kDocument2Width = 18;
constexpr int kAreaCodeAt = 286, kAreaCodeWidth = 4;
constexpr int kFarmExtraAt = 354, kFarmExtraWidth = 18;       // the tail of the second phone field
constexpr int kAccountExtraAt = 613, kAccountExtraWidth = 18;
constexpr int kFarmStateAt = 641, kFarmStateWidth = 2;
constexpr int kFarmNameAt = 643, kFarmNameWidth = 40;        // a client has a farm when not blank
constexpr int kFarmCityAt = 683, kFarmCityWidth = 30;
constexpr int kBankCodeAt = 713, kBankCodeWidth = 4;         // a client has an account when not blank
constexpr int kAgencyAt = 717, kAgencyWidth = 6;              // typed, such as 1234-5
constexpr int kAccountAt = 723, kAccountWidth = 18;           // typed, such as 12345-67
constexpr int kAccountTextAt = 741, kAccountTextWidth = 20;
// What leaves the client record: blanked after the split, whatever it held.
constexpr int kBlankFarmExtraAt = 354, kBlankFarmExtraWidth = 18;
constexpr int kBlankBankAt = 613, kBlankBankWidth = 148;      // 613 to 760

constexpr int kFarmLength = 815;         // F09R0.DAT
constexpr int kBankAccountLength = 950;  // F04R0.DAT
constexpr int kBankTableLength = 60;     // F24.DAT, F24R0.DAT
constexpr char kDefaultBankName[] = "BANCO";
}  // namespace split

// A number typed with its check digit, as the agency and account fields hold it.
struct NumberAndDigit {
  std::string number;
  std::string digit;
  bool operator==(const NumberAndDigit&) const = default;
};
// Agency: number and check digit around a dash that is last or second-last
// (1234-5); otherwise the first 4 characters and the fifth (12345, 123-45).
NumberAndDigit SplitAgency(std::string_view typed);
// Account: number and check digit around a dash followed by at most two
// characters (12345-67); otherwise the first 10 characters and the next two.
NumberAndDigit SplitAccount(std::string_view typed);
// The area code at 286 as a plain number ("%-4d"), when it has 3 or 4
// characters; nothing for a shorter one, which stays as it is.
std::optional<std::string> NormalisedAreaCode(std::string_view field);

// The code of a new record: the sequence number as "%05ld" in an 11-wide field.
std::string SequenceCode(long sequence);
// The farm record (815 characters) of a client record that has a farm.
std::string FarmRecord(std::string_view client, long sequence);
// The bank-account record (950 characters) of a client record with a bank.
std::string BankAccountRecord(std::string_view client, long sequence, std::string_view bank_name);

// The split of every client record (guarded by F04R0.DAT and F09R0.DAT), with
// the bank table copy when F24.DAT is there and F24R0.DAT is not.
void SplitFarmsAndAccounts();
// Copies the records of the bank table that are not banks (kind '2') into
// copy, the new F24R0.DAT. True when every read and write succeeded.
bool CopyBankTable(rec::Stream& table, rec::Stream& copy);
// CONFIGA.DAT into F34.DAT, when the first exists and the second does not.
void MigrateOldCounters();

}  // namespace convert
