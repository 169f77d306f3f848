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

namespace split {
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
// How a typed number is taken apart: the widths of the number and of its
// check digit when no dash separates them.
struct DigitGroups {
  int number;
  int digit;
};
constexpr DigitGroups kAgencyGroups = {4, 1};    // 1234-5 or 12345
constexpr DigitGroups kAccountGroups = {10, 2};  // 12345-67 or 123456789012
// Number and check digit around the last dash when at most groups.digit
// characters follow it (1234-5, 12345-67), trailing spaces not counted;
// otherwise the first groups.number characters and the groups.digit after
// them (12345, 123-45).
NumberAndDigit SplitNumberAndDigit(std::string_view typed, DigitGroups groups);
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
