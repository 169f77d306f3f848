// The bank table copy: every record of F24.DAT that is not a bank goes to
// F24R0.DAT in file order, and F24.DAT goes only once the copy is in place.
#include "convert/split.hpp"

#include "recfile/recfile.hpp"
#include "tests/support.hpp"

namespace {

using convert::split::kBankTableLength;
using test::FileExists;
using test::ReadFile;
using test::Record;
using test::WriteFile;

std::string TableRecord(char kind, const std::string& code, const std::string& name, bool deleted = false) {
  Record record(kBankTableLength);
  record.Set(0, 1, std::string(1, kind)).Set(1, 8, code).Set(9, 51, name);
  if (deleted) record.Set(kBankTableLength - 1, 1, "+");
  return record;
}

class BankTableTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
  static void Copy() {
    StreamPtr table = OpenToRead("F24.DAT");
    convert::CopyBankTable(table);
    EXPECT_FALSE(table);
  }
};

TEST_F(BankTableTest, EveryKindButBanksInFileOrderDeletedOnesToo) {
  std::string breed = TableRecord('1', "0001", "NELORE");
  std::string deleted_breed = TableRecord('1', "0002", "GIR", true);
  std::string other_kind = TableRecord('3', "01", "A VISTA");
  WriteFile("F24.DAT", breed + TableRecord('2', "341", "ITAU") + deleted_breed +
                           TableRecord('2', "001", "BANCO DO BRASIL", true) + other_kind);
  Copy();
  EXPECT_EQ(ReadFile("F24R0.DAT"), breed + deleted_breed + other_kind);
  EXPECT_FALSE(FileExists("F24.DAT"));
}

TEST_F(BankTableTest, ALastRecordCutShortIsCompletedWithSpaces) {
  WriteFile("F24.DAT", TableRecord('1', "0001", "NELORE") + "1TAB  GUZERA");
  Copy();
  EXPECT_EQ(ReadFile("F24R0.DAT"), TableRecord('1', "0001", "NELORE") + Record(60).Set(0, "1TAB  GUZERA").bytes());
}

TEST_F(BankTableTest, OnlyBanksGiveAnEmptyCopy) {
  WriteFile("F24.DAT", TableRecord('2', "341", "ITAU"));
  Copy();
  EXPECT_EQ(ReadFile("F24R0.DAT"), "");
  EXPECT_FALSE(FileExists("F24.DAT"));
}

TEST_F(BankTableTest, AnExistingCopyKeepsTheTable) {
  WriteFile("F24.DAT", TableRecord('1', "0001", "NELORE"));
  WriteFile("F24R0.DAT", "earlier");
  Copy();
  EXPECT_EQ(ReadFile("F24R0.DAT"), "earlier");
  EXPECT_EQ(ReadFile("F24.DAT"), TableRecord('1', "0001", "NELORE"));
}

TEST_F(BankTableTest, ACopyThatCannotBeWrittenKeepsTheTable) {
  WriteFile("F24.DAT", TableRecord('1', "0001", "NELORE"));
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kRename; };
  Copy();
  plat::TestHooks() = plat::Hooks{};
  EXPECT_FALSE(FileExists("F24R0.DAT"));
  EXPECT_EQ(ReadFile("F24.DAT"), TableRecord('1', "0001", "NELORE"));
}

TEST_F(BankTableTest, AReadOnlyTableIsDeletedAllTheSame) {
  WriteFile("F24.DAT", TableRecord('1', "0001", "NELORE"));
  plat::MakeReadOnly("F24.DAT");
  Copy();
  EXPECT_FALSE(FileExists("F24.DAT"));
  EXPECT_EQ(ReadFile("F24R0.DAT"), TableRecord('1', "0001", "NELORE"));
}

}  // namespace
