// The records that the split of step 2 makes from a client record: the farm
// of F09R0.DAT and the bank account of F04R0.DAT, and the rules that take
// apart the agency and account numbers and the area code as users typed them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace convert {

namespace split {
constexpr int kFarmLength = 815;         // F09R0.DAT
constexpr int kBankAccountLength = 950;  // F04R0.DAT
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

}  // namespace convert
