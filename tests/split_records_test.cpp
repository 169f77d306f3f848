// The records the split makes from a client record, and the rules that take
// apart agency and account numbers as users typed them.
#include "convert/split_records.hpp"

#include "recfile/client_record.hpp"
#include "tests/support.hpp"

namespace {

using namespace convert;
using namespace convert::split;
using namespace client;
using test::Record;

// A client with a farm and a bank account, every field it reads filled.
Record FullClient() {
  Record client(client::kLength);
  client.Set(kCodeAt, 11, "00042")
      .Set(kDocument2At, kDocument2Width, "ISENTO")
      .Set(kAreaCodeAt, kAreaCodeWidth, "034")
      .Set(kFarmExtraAt, kFarmExtraWidth, "INCRA 123.456")
      .Set(kAccountExtraAt, 30, "TITULAR PR\xD3PRIO")
      .Set(kFarmStateAt, kFarmStateWidth, "MG")
      .Set(kFarmNameAt, kFarmNameWidth, "FAZENDA BOA VISTA")
      .Set(kFarmCityAt, kFarmCityWidth, "UBERABA")
      .Set(kBankCodeAt, kBankCodeWidth, "0341")
      .Set(kAgencyAt, kAgencyWidth, "1234-5")
      .Set(kAccountAt, kAccountWidth, "12345-67")
      .Set(kAccountTextAt, kAccountTextWidth, "CONTA CORRENTE");
  return client;
}

// The agency and account fields as the split takes them apart.
NumberAndDigit Agency(std::string_view typed) { return SplitNumberAndDigit(typed, kAgencyGroups); }
NumberAndDigit Account(std::string_view typed) { return SplitNumberAndDigit(typed, kAccountGroups); }

TEST(SplitNumberAndDigit, AgencyDashLastOrSecondLastSeparatesTheCheckDigit) {
  EXPECT_EQ(Agency("1234-5"), (NumberAndDigit{"1234", "5"}));
  EXPECT_EQ(Agency("1234- "), (NumberAndDigit{"1234", ""}));  // trailing spaces go first
  EXPECT_EQ(Agency("12-3  "), (NumberAndDigit{"12", "3"}));
  EXPECT_EQ(Agency("12345-"), (NumberAndDigit{"12345", ""}));  // cut to 4 by the record
}

TEST(SplitNumberAndDigit, AgencyOtherwiseFourCharactersAndTheFifth) {
  EXPECT_EQ(Agency("12345 "), (NumberAndDigit{"1234", "5"}));
  EXPECT_EQ(Agency("123-45"), (NumberAndDigit{"123-", "4"}));  // the dash is too far from the end
  EXPECT_EQ(Agency("-12345"), (NumberAndDigit{"-123", "4"}));  // a leading dash is no separator
  EXPECT_EQ(Agency("123   "), (NumberAndDigit{"123", ""}));
  EXPECT_EQ(Agency(""), (NumberAndDigit{"", ""}));
}

TEST(SplitNumberAndDigit, AccountDashFollowedByAtMostTwoCharacters) {
  EXPECT_EQ(Account("12345-67"), (NumberAndDigit{"12345", "67"}));
  EXPECT_EQ(Account("123456789012-3    "), (NumberAndDigit{"123456789012", "3"}));
  EXPECT_EQ(Account("98765-"), (NumberAndDigit{"98765", ""}));
  EXPECT_EQ(Account("1-234-5"), (NumberAndDigit{"1-234", "5"}));  // the last dash counts
}

TEST(SplitNumberAndDigit, AccountOtherwiseTenCharactersAndTheNextTwo) {
  EXPECT_EQ(Account("1234567890123"), (NumberAndDigit{"1234567890", "12"}));  // the 13th is dropped
  EXPECT_EQ(Account("12-345"), (NumberAndDigit{"12-345", ""}));
  EXPECT_EQ(Account("12345678901"), (NumberAndDigit{"1234567890", "1"}));
}

TEST(NormalisedAreaCode, ThreeOrFourCharactersBecomeAPlainNumber) {
  EXPECT_EQ(NormalisedAreaCode("0012"), "12  ");
  EXPECT_EQ(NormalisedAreaCode("A123"), "123 ");  // a leading letter is dropped
  EXPECT_EQ(NormalisedAreaCode("-034"), "34  ");  // so is a sign
  EXPECT_EQ(NormalisedAreaCode("034 "), "34  ");
  EXPECT_EQ(NormalisedAreaCode("1A23"), "1   ");  // the number ends at the first non-digit
  EXPECT_EQ(NormalisedAreaCode("ABCD"), "0   ");
}

TEST(NormalisedAreaCode, ShorterValuesStay) {
  EXPECT_EQ(NormalisedAreaCode("12  "), std::nullopt);
  EXPECT_EQ(NormalisedAreaCode("    "), std::nullopt);
  EXPECT_EQ(NormalisedAreaCode("012"), "12  ");  // a record cut after 289
}

TEST(SequenceCode, FiveDigitsInAnElevenWideField) {
  EXPECT_EQ(SequenceCode(1), "00001      ");
  EXPECT_EQ(SequenceCode(99999), "99999      ");
  // A split of more than 99,999 farms keeps every record at its width.
  EXPECT_EQ(SequenceCode(123456), "123456     ");
}

TEST(FarmRecord, FieldsOfTheClientAtTheirPlaces) {
  std::string farm = FarmRecord(FullClient().bytes(), 7);
  ASSERT_EQ(farm.size(), static_cast<std::size_t>(kFarmLength));
  EXPECT_EQ(farm.substr(0, 11), "00007      ");
  EXPECT_EQ(farm.substr(11, 189), Record(189).Set(0, "FAZENDA BOA VISTA").bytes());
  EXPECT_EQ(farm.substr(200, 30), Record(30).Set(0, "UBERABA").bytes());
  EXPECT_EQ(farm.substr(230, 38), Record(38).Set(0, "MG").bytes());
  EXPECT_EQ(farm.substr(268, 86), Record(86).Set(0, "ISENTO").bytes());
  EXPECT_EQ(farm.substr(354, 148), Record(148).Set(0, "INCRA 123.456").bytes());
  EXPECT_EQ(farm.substr(502, 10), "00042     ");  // the first 10 of the client code
  EXPECT_EQ(farm.substr(512), std::string(303, ' '));
}

TEST(BankAccountRecord, FieldsOfTheClientAtTheirPlaces) {
  std::string account = BankAccountRecord(FullClient().bytes(), 3, "BANCO ITAU S.A.");
  ASSERT_EQ(account.size(), static_cast<std::size_t>(kBankAccountLength));
  EXPECT_EQ(account.substr(0, 11), "00003      ");
  EXPECT_EQ(account.substr(11, 40), Record(40).Set(0, "BANCO ITAU S.A.").bytes());
  EXPECT_EQ(account.substr(51, 4), "1234");
  EXPECT_EQ(account.substr(55, 2), "5 ");
  EXPECT_EQ(account.substr(57, 4), "034 ");  // the first 3 of the bank code
  EXPECT_EQ(account.substr(61, 13), Record(13).Set(0, "12345").bytes());
  EXPECT_EQ(account.substr(74, 788), Record(788).Set(0, "67").bytes());
  EXPECT_EQ(account.substr(862, 40), Record(40).Set(0, "CONTA CORRENTE").bytes());
  // 613 is read as 18 characters of its 30.
  EXPECT_EQ(account.substr(902, 36), Record(36).Set(0, "TITULAR PR\xD3PRIO").bytes());
  EXPECT_EQ(account.substr(938, 1), "0");
  EXPECT_EQ(account.substr(939, 11), "00042      ");
}

TEST(BankAccountRecord, OverlongNumbersAreCutToTheirFields) {
  Record client = FullClient();
  client.Set(kAgencyAt, kAgencyWidth, "12345-").Set(kAccountAt, kAccountWidth, "12345678901234567-");
  std::string account = BankAccountRecord(client.bytes(), 1, "BANCO");
  ASSERT_EQ(account.size(), static_cast<std::size_t>(kBankAccountLength));
  EXPECT_EQ(account.substr(51, 4), "1234");
  EXPECT_EQ(account.substr(55, 2), "  ");
  EXPECT_EQ(account.substr(61, 13), "1234567890123");
  EXPECT_EQ(account.substr(74, 2), "  ");
  EXPECT_EQ(account.substr(939, 5), "00042");
}

TEST(SplitRecords, AClientCutShortLendsNoFieldItDoesNotHave) {
  // The last record of a file that ends inside the farm name.
  std::string client = FullClient().bytes().substr(0, kFarmNameAt + 8);
  std::string farm = FarmRecord(client, 1);
  EXPECT_EQ(farm.substr(11, 8), "FAZENDA ");
  EXPECT_EQ(farm.substr(19, 181), std::string(181, ' '));
  EXPECT_EQ(farm.substr(200, 30), std::string(30, ' '));  // the city lies beyond the end
  std::string account = BankAccountRecord(client, 1, "BANCO");
  EXPECT_EQ(account.substr(51, 23), std::string(23, ' '));
  EXPECT_EQ(account.substr(862, 40), std::string(40, ' '));
}

}  // namespace
