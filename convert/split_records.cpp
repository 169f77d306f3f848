// The records that the split makes from a client record: the farm of
// F09R0.DAT and the bank account of F04R0.DAT, and the rules that take apart
// the agency and account numbers as users typed them.
#include <array>
#include <cctype>
#include <cstdio>
#include <numeric>

#include "convert/split_records.hpp"
#include "recfile/client_record.hpp"
#include "recfile/record_io.hpp"
#include "recfile/text.hpp"

namespace convert {
namespace {

using namespace split;
using namespace client;
using rec::AppendField;
using rec::FieldOf;
using rec::TrimmedRight;

// F09R0.DAT: farm code, name, city, state, second document, the field from
// 354, owner's client code. Each field is left-justified in its width.
constexpr std::array<int, 7> kFarmWidths = {11, 189, 30, 38, 86, 148, 313};
// F04R0.DAT: account code, bank name, agency number, agency check digit, bank
// code, account number, account check digit, the text from 741, the text from
// 613, the fixed "0", owner's client code.
constexpr std::array<int, 11> kBankAccountWidths = {11, 40, 4, 2, 4, 13, 788, 40, 36, 1, 11};
static_assert(std::accumulate(kFarmWidths.begin(), kFarmWidths.end(), 0) == kFarmLength);
static_assert(std::accumulate(kBankAccountWidths.begin(), kBankAccountWidths.end(), 0) ==
              kBankAccountLength);

template <std::size_t N>
std::string BuildRecord(const std::array<int, N>& widths, const std::array<std::string_view, N>& values) {
  std::string record;
  for (std::size_t i = 0; i < N; ++i) AppendField(record, values[i], widths[i]);
  return record;
}

// The position of the last dash, or -1.
int LastDash(std::string_view text) {
  std::size_t at = text.rfind('-');
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

std::string_view Part(std::string_view text, std::size_t from, std::size_t n) {
  return from < text.size() ? text.substr(from, n) : std::string_view();
}

}  // namespace

NumberAndDigit SplitNumberAndDigit(std::string_view typed, DigitGroups groups) {
  std::string_view text = TrimmedRight(typed);
  int length = static_cast<int>(text.size());
  int dash = LastDash(text);
  auto digit = static_cast<std::size_t>(groups.digit);
  if (dash >= 1 && dash >= length - (groups.digit + 1))
    return {std::string(text.substr(0, static_cast<std::size_t>(dash))),
            std::string(Part(text, static_cast<std::size_t>(dash) + 1, digit))};
  auto number = static_cast<std::size_t>(groups.number);
  return {std::string(Part(text, 0, number)), std::string(Part(text, number, digit))};
}

std::optional<std::string> NormalisedAreaCode(std::string_view field) {
  std::string text(TrimmedRight(field));
  if (text.size() < 3) return std::nullopt;
  // A leading letter or sign is dropped: the number starts at the first
  // character when it is a digit, else at the second.
  const char* from = text.c_str() + (std::isdigit(static_cast<unsigned char>(text[0])) ? 0 : 1);
  char number[16];
  std::snprintf(number, sizeof number, "%-4ld", TextToInt(from));
  return std::string(number);
}

std::string SequenceCode(long sequence) {
  char code[24];
  std::snprintf(code, sizeof code, "%05ld", sequence);
  // Left-justified in the 11-wide code field ("%05ld" and 6 spaces up to
  // 99999); a longer number still stays inside the field.
  std::string field;
  AppendField(field, code, 11);
  return field;
}

std::string FarmRecord(std::string_view client, long sequence) {
  std::string code = SequenceCode(sequence);
  return BuildRecord(kFarmWidths,
                     {code, TrimmedRight(FieldOf(client, kFarmNameAt, kFarmNameWidth)),
                      FieldOf(client, kFarmCityAt, kFarmCityWidth),
                      FieldOf(client, kFarmStateAt, kFarmStateWidth),
                      FieldOf(client, kDocument2At, kDocument2Width),
                      FieldOf(client, kFarmExtraAt, kFarmExtraWidth),
                      FieldOf(client, kCodeAt, kCodeKeyWidth)});
}

std::string BankAccountRecord(std::string_view client, long sequence, std::string_view bank_name) {
  std::string code = SequenceCode(sequence);
  std::string_view bank_code = TrimmedRight(FieldOf(client, kBankCodeAt, kBankCodeWidth)).substr(0, 3);
  // An agency number of five characters before a final dash, or an account
  // number of more than 13 before its dash, is cut to its field: the record
  // keeps its 950 characters.
  NumberAndDigit agency = SplitNumberAndDigit(FieldOf(client, kAgencyAt, kAgencyWidth), kAgencyGroups);
  NumberAndDigit account = SplitNumberAndDigit(FieldOf(client, kAccountAt, kAccountWidth), kAccountGroups);
  return BuildRecord(kBankAccountWidths,
                     {code, bank_name, agency.number, agency.digit, bank_code, account.number,
                      account.digit, FieldOf(client, kAccountTextAt, kAccountTextWidth),
                      FieldOf(client, kAccountExtraAt, kAccountExtraWidth), "0",
                      FieldOf(client, kCodeAt, kCodeKeyWidth)});
}

}  // namespace convert
