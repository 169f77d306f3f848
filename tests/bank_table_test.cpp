// The bank table copy: every record of F24.DAT that is not a bank goes to the
// new F24R0.DAT in file order, deleted ones as they are.
#include "convert/bank_table.hpp"

#include "recfile/recfile.hpp"
#include "tests/split_fixtures.hpp"
#include "tests/support.hpp"

namespace {

using test::BankTableRecord;
using test::ReadFile;
using test::Record;
using test::WriteFile;

class BankTableTest : public test::FolderTest {
 protected:
  // The copy of F24.DAT as F24R0.DAT would receive it.
  static std::string Copy(const std::string& table) {
    WriteFile("F24.DAT", table);
    {
      StreamPtr in = OpenToRead("F24.DAT");
      StreamPtr out = OpenToCreate("COPY.DAT");
      in->Seek(25);  // wherever the bank lookups left it
      EXPECT_TRUE(convert::CopyBankTable(*in, *out));
    }
    return ReadFile("COPY.DAT");
  }
};

TEST_F(BankTableTest, EveryKindButBanksInFileOrderDeletedOnesToo) {
  std::string breed = BankTableRecord('1', "0001", "NELORE");
  std::string deleted_breed = BankTableRecord('1', "0002", "GIR", true);
  std::string other_kind = BankTableRecord('3', "01", "A VISTA");
  EXPECT_EQ(Copy(breed + BankTableRecord('2', "341", "ITAU") + deleted_breed +
                 BankTableRecord('2', "001", "BANCO DO BRASIL", true) + other_kind),
            breed + deleted_breed + other_kind);
}

TEST_F(BankTableTest, ALastRecordCutShortIsCompletedWithSpaces) {
  EXPECT_EQ(Copy(BankTableRecord('1', "0001", "NELORE") + "1TAB  GUZERA"),
            BankTableRecord('1', "0001", "NELORE") + Record(60).Set(0, "1TAB  GUZERA").bytes());
}

TEST_F(BankTableTest, OnlyBanksGiveAnEmptyCopy) {
  EXPECT_EQ(Copy(BankTableRecord('2', "341", "ITAU") + BankTableRecord('2', "237", "BRADESCO")), "");
  EXPECT_EQ(Copy(""), "");
}

}  // namespace
