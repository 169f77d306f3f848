// Step 2 on a folder: the guards of the split, the passes over the client
// file, the bank names, the backup, and the rule that a split cut short by a
// failure leaves neither target nor a changed client.
#include "convert/phone_index.hpp"
#include "convert/split.hpp"

#include "convert/counter_migration.hpp"
#include "convert/split_records.hpp"
#include "recfile/client_record.hpp"
#include "recfile/journal.hpp"
#include "tests/split_fixtures.hpp"
#include "tests/support.hpp"

namespace {

using namespace convert::split;
using namespace client;
using test::BankTableRecord;
using test::Field;
using test::FileExists;
using test::ReadFile;
using test::Record;
using test::WriteFile;

Record Client(const std::string& code) {
  Record client(client::kLength);
  client.Set(kCodeAt, 11, code).Set(kAreaCodeAt, kAreaCodeWidth, "0034");
  return client;
}
Record& WithFarm(Record& client, const std::string& name) {
  return client.Set(kFarmNameAt, kFarmNameWidth, name).Set(kFarmCityAt, kFarmCityWidth, "RIO VERDE")
      .Set(kFarmStateAt, kFarmStateWidth, "GO").Set(kFarmExtraAt, kFarmExtraWidth, "NIRF 1234567");
}
Record& WithBank(Record& client, const std::string& code) {
  return client.Set(kBankCodeAt, kBankCodeWidth, code).Set(kAgencyAt, kAgencyWidth, "1234-5")
      .Set(kAccountAt, kAccountWidth, "12345-67").Set(kAccountTextAt, kAccountTextWidth, "POUPANCA")
      .Set(kAccountExtraAt, 30, "CONTA CONJUNTA");
}

class SplitTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
  // Step 2 as the run makes it.
  static void Split() {
    convert::SplitFarmsAndAccounts();
    convert::MigrateOldCounters();
  }
  static std::string BankNameOf(const std::string& accounts, std::size_t n) {
    return Field(accounts, kBankAccountLength, n, 11, 40);
  }
};

TEST_F(SplitTest, EveryClientWithAFarmOrABankGetsItsRecordInClientOrder) {
  Record a = Client("00001"), b = Client("00002"), c = Client("00003");
  WithFarm(a, "FAZENDA SANTA FE");
  WithBank(b, "341");
  WithFarm(c, "SITIO SAO JOSE");
  WithBank(c, "001");
  WriteFile("F10R2.DAT", a.bytes() + b.bytes() + c.bytes());
  Split();
  std::string farms = ReadFile("F09R0.DAT"), accounts = ReadFile("F04R0.DAT");
  ASSERT_EQ(farms.size(), 2u * kFarmLength);
  ASSERT_EQ(accounts.size(), 2u * kBankAccountLength);
  EXPECT_EQ(Field(farms, kFarmLength, 0, 0, 11), "00001      ");
  EXPECT_EQ(Field(farms, kFarmLength, 0, 502, 10), "00001     ");
  EXPECT_EQ(Field(farms, kFarmLength, 1, 0, 11), "00002      ");
  EXPECT_EQ(Field(farms, kFarmLength, 1, 11, 14), "SITIO SAO JOSE");
  EXPECT_EQ(Field(farms, kFarmLength, 1, 502, 10), "00003     ");
  EXPECT_EQ(Field(accounts, kBankAccountLength, 0, 0, 11), "00001      ");
  EXPECT_EQ(Field(accounts, kBankAccountLength, 0, 939, 11), "00002      ");
  EXPECT_EQ(Field(accounts, kBankAccountLength, 1, 57, 4), "001 ");
  EXPECT_EQ(Field(accounts, kBankAccountLength, 1, 939, 11), "00003      ");
  EXPECT_EQ(ReadFile("F10R2-250.BAK"), a.bytes() + b.bytes() + c.bytes());
  EXPECT_EQ(rec::OpenStreamCount(), 0u);
}

TEST_F(SplitTest, MovedFieldsAreBlankedAndTheAreaCodeNormalised) {
  Record client = Client("00001");
  WithFarm(client, "FAZENDA");
  WithBank(client, "237");
  client.Set(kMovedOutAt, kMovedOutWidth, std::string(kMovedOutWidth, 'x'));
  Record expected = client;
  expected.Set(kAreaCodeAt, kAreaCodeWidth, "34")
      .Set(kFarmExtraAt, kFarmExtraWidth, "")
      .Set(kMovedOutAt, kMovedOutWidth, "");
  WriteFile("F10R2.DAT", client);
  Split();
  EXPECT_EQ(ReadFile("F10R2.DAT"), expected.bytes());
}

TEST_F(SplitTest, AClientWithoutFarmOrBankIsStillNormalisedAndBlanked) {
  Record client = Client("00001");
  client.Set(kAreaCodeAt, kAreaCodeWidth, "A123").Set(kFarmExtraAt, kFarmExtraWidth, "INCRA 1")
      .Set(kAccountExtraAt, 30, "TITULAR").Set(631, 10, "leftover");
  Record expected = Client("00001");
  expected.Set(kAreaCodeAt, kAreaCodeWidth, "123");
  Record two_characters = Client("00002");
  two_characters.Set(kAreaCodeAt, kAreaCodeWidth, "12");
  WriteFile("F10R2.DAT", client.bytes() + two_characters.bytes());
  Split();
  EXPECT_EQ(ReadFile("F10R2.DAT"), expected.bytes() + two_characters.bytes());
  EXPECT_EQ(ReadFile("F09R0.DAT"), "");
  EXPECT_EQ(ReadFile("F04R0.DAT"), "");
}

TEST_F(SplitTest, BankNameFromTheBankTableOrBanco) {
  Record a = Client("00001"), b = Client("00002"), c = Client("00003");
  WithBank(a, "341");
  WithBank(b, "237");  // only a deleted record
  WithBank(c, "999");  // not in the table
  WriteFile("F10R2.DAT", a.bytes() + b.bytes() + c.bytes());
  WriteFile("F24.DAT", BankTableRecord('1', "0001", "NELORE") +
                           BankTableRecord('2', "237", "BRADESCO", true) +
                           BankTableRecord('2', "341", "ITAU UNIBANCO S.A. AGRO") +
                           BankTableRecord('2', "237", "BANCO BRADESCO", true));
  Split();
  std::string accounts = ReadFile("F04R0.DAT");
  EXPECT_EQ(BankNameOf(accounts, 0), Record(40).Set(0, "ITAU UNIBANCO S.A. A").bytes());  // 20 characters
  EXPECT_EQ(BankNameOf(accounts, 1), Record(40).Set(0, "BANCO").bytes());
  EXPECT_EQ(BankNameOf(accounts, 2), Record(40).Set(0, "BANCO").bytes());
}

TEST_F(SplitTest, WithoutABankTableEveryBankIsBanco) {
  Record client = Client("00001");
  WithBank(client, "341");
  WriteFile("F10R2.DAT", client);
  Split();
  EXPECT_EQ(BankNameOf(ReadFile("F04R0.DAT"), 0), Record(40).Set(0, "BANCO").bytes());
  EXPECT_FALSE(FileExists("F24R0.DAT"));
}

TEST_F(SplitTest, TheBankTableLosesItsBanks) {
  WriteFile("F10R2.DAT", Client("00001"));
  std::string breed = BankTableRecord('1', "0001", "NELORE");
  WriteFile("F24.DAT", breed + BankTableRecord('2', "341", "ITAU"));
  plat::MakeReadOnly("F24.DAT");  // deleted all the same
  Split();
  EXPECT_EQ(ReadFile("F24R0.DAT"), breed);
  EXPECT_FALSE(FileExists("F24.DAT"));
}

TEST_F(SplitTest, AnExistingCopyOfTheBankTableKeepsTheBankTable) {
  Record client = Client("00001");
  WithBank(client, "341");
  WriteFile("F10R2.DAT", client);
  WriteFile("F24.DAT", BankTableRecord('2', "341", "ITAU"));
  WriteFile("F24R0.DAT", "earlier");
  Split();
  EXPECT_EQ(ReadFile("F24R0.DAT"), "earlier");
  EXPECT_EQ(ReadFile("F24.DAT"), BankTableRecord('2', "341", "ITAU"));
  EXPECT_EQ(BankNameOf(ReadFile("F04R0.DAT"), 0), Record(40).Set(0, "ITAU").bytes());
}

TEST_F(SplitTest, AReadOnlyClientFileIsNotSplit) {
  Record client = Client("00001");
  WithFarm(client, "FAZENDA");
  WriteFile("F10R2.DAT", client);
  plat::MakeReadOnly("F10R2.DAT");
  Split();
  EXPECT_FALSE(FileExists("F09R0.DAT"));
  EXPECT_FALSE(FileExists("F04R0.DAT"));
  EXPECT_EQ(ReadFile("F10R2.DAT"), client.bytes());
}

TEST_F(SplitTest, AnEmptyFarmFileAloneStopsTheSplit) {
  Record client = Client("00001");
  WithFarm(client, "FAZENDA");
  WithBank(client, "341");
  WriteFile("F10R2.DAT", client);
  WriteFile("F09R0.DAT", "");
  WriteFile("F24.DAT", BankTableRecord('2', "341", "ITAU"));
  WriteFile("CONFIGA.DAT", Record(66).Set(0, "150").bytes());
  Split();
  EXPECT_EQ(ReadFile("F10R2.DAT"), client.bytes());
  EXPECT_FALSE(FileExists("F04R0.DAT"));
  EXPECT_FALSE(FileExists("F10R2-250.BAK"));
  EXPECT_EQ(ReadFile("F24.DAT"), BankTableRecord('2', "341", "ITAU"));
  // The counter migration has its own guard.
  EXPECT_FALSE(FileExists("CONFIGA.DAT"));
  EXPECT_TRUE(FileExists("F34.DAT"));
}

TEST_F(SplitTest, AnAccountFileAloneStopsTheSplitToo) {
  Record client = Client("00001");
  WithFarm(client, "FAZENDA");
  WriteFile("F10R2.DAT", client);
  WriteFile("F04R0.DAT", "");
  Split();
  EXPECT_EQ(ReadFile("F10R2.DAT"), client.bytes());
  EXPECT_FALSE(FileExists("F09R0.DAT"));
}

TEST_F(SplitTest, AnOlderBackupIsKept) {
  WriteFile("F10R2.DAT", Client("00001"));
  WriteFile("F10R2-250.BAK", "older");
  Split();
  EXPECT_EQ(ReadFile("F10R2-250.BAK"), "older");
  EXPECT_TRUE(FileExists("F09R0.DAT"));
}

TEST_F(SplitTest, NoClientFileNoSplit) {
  WriteFile("F24.DAT", BankTableRecord('1', "0001", "NELORE"));
  Split();
  EXPECT_FALSE(FileExists("F09R0.DAT"));
  EXPECT_FALSE(FileExists("F04R0.DAT"));
  EXPECT_TRUE(FileExists("F24.DAT"));
}

TEST_F(SplitTest, ALastClientCutShortNeitherBorrowsNorGrows) {
  Record first = Client("00001");
  WithFarm(first, "FAZENDA PRIMEIRA");
  WithBank(first, "341");
  // The last client ends inside the bank code: no farm of its own, and the
  // fields of the first client must not come back as its farm or account.
  Record last = Client("00002");
  last.Set(kFarmExtraAt, kFarmExtraWidth, "INCRA 9");
  std::string cut = last.bytes().substr(0, kBankCodeAt + 2);
  WriteFile("F10R2.DAT", first.bytes() + cut);
  Split();
  std::string clients = ReadFile("F10R2.DAT");
  ASSERT_EQ(clients.size(), client::kLength + cut.size());
  EXPECT_EQ(ReadFile("F09R0.DAT").size(), 1u * kFarmLength);
  EXPECT_EQ(ReadFile("F04R0.DAT").size(), 1u * kBankAccountLength);
  EXPECT_EQ(clients.substr(client::kLength + kAreaCodeAt, 4), "34  ");
  EXPECT_EQ(clients.substr(client::kLength + kFarmExtraAt, 18), std::string(18, ' '));
  EXPECT_EQ(clients.substr(client::kLength + kMovedOutAt), std::string(cut.size() - kMovedOutAt, ' '));
}

TEST_F(SplitTest, AFailedWriteLeavesNoTargetAndTheClientsUnchanged) {
  Record client = Client("00001");
  WithFarm(client, "FAZENDA");
  WithBank(client, "341");
  WriteFile("F10R2.DAT", client);
  // Every write fails, as on a full disk.
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  Split();
  plat::TestHooks() = plat::Hooks{};
  EXPECT_FALSE(FileExists("F09R0.DAT"));
  EXPECT_FALSE(FileExists("F04R0.DAT"));
  EXPECT_EQ(ReadFile("F10R2.DAT"), client.bytes());
  // The next run does the split.
  Split();
  EXPECT_EQ(ReadFile("F09R0.DAT").size(), 1u * kFarmLength);
}

TEST_F(SplitTest, WithoutItsBackupTheClientFileStaysAndTheNextRunFinishes) {
  Record client = Client("00001");
  WithFarm(client, "FAZENDA");
  WriteFile("F10R2.DAT", client);
  WriteFile("F24.DAT", BankTableRecord('1', "0001", "NELORE"));
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kCopy; };
  Split();
  plat::TestHooks() = plat::Hooks{};
  // Nothing after the backup took effect: the journal holds the rest.
  EXPECT_EQ(ReadFile("F10R2.DAT"), client.bytes());
  EXPECT_FALSE(FileExists("F09R0.DAT"));
  EXPECT_TRUE(FileExists("F24.DAT"));
  ASSERT_TRUE(rec::JournalPending());
  EXPECT_TRUE(rec::RecoverPending());
  EXPECT_EQ(ReadFile("F10R2-250.BAK"), client.bytes());
  EXPECT_EQ(ReadFile("F09R0.DAT").size(), 1u * kFarmLength);
  EXPECT_EQ(ReadFile("F10R2.DAT").substr(kMovedOutAt, kMovedOutWidth), std::string(kMovedOutWidth, ' '));
  EXPECT_EQ(ReadFile("F24R0.DAT"), BankTableRecord('1', "0001", "NELORE"));
  EXPECT_FALSE(FileExists("F24.DAT"));
}

// A failure at any file operation of the split leaves the folder as it was,
// or a journal that completes the split; never a part of it.
TEST_F(SplitTest, StoppedAnywhereTheSplitHappensWholeOrNotAtAll) {
  Record client = Client("00001");
  WithFarm(client, "FAZENDA");
  WithBank(client, "341");
  client.Set(331, 23, "(11) 5555-0000");  // a second phone, which moves to the phone index in the same pass
  const std::string table = BankTableRecord('2', "341", "ITAU") + BankTableRecord('1', "0001", "NELORE");
  for (int failing = 1;; ++failing) {
    SCOPED_TRACE(failing);
    for (auto& entry : test::fs::directory_iterator(".")) test::fs::remove_all(entry.path());
    WriteFile("F10R2.DAT", client);
    WriteFile("F24.DAT", table);
    int operations = 0;
    plat::TestHooks().before_file_op = [&](plat::FileOp) { return ++operations != failing; };
    Split();
    plat::TestHooks() = plat::Hooks{};
    plat::ClearRefusals();  // what follows is the next command
    bool done = FileExists("F09R0.DAT");
    if (!done && !rec::JournalPending()) {
      EXPECT_EQ(ReadFile("F10R2.DAT"), client.bytes());
      EXPECT_FALSE(FileExists("F04R0.DAT"));
      EXPECT_EQ(ReadFile("F24.DAT"), table);
      ASSERT_TRUE(rec::RecoverPending());
      Split();
    } else if (rec::JournalPending()) {
      ASSERT_TRUE(rec::RecoverPending());
    }
    convert::BuildPhoneIndex();  // the run's next step: the phones, when the split could not move them
    EXPECT_EQ(ReadFile("F10R2-250.BAK"), client.bytes());
    EXPECT_EQ(ReadFile("F09R0.DAT").size(), 1u * kFarmLength);
    EXPECT_EQ(ReadFile("F04R0.DAT").size(), 1u * kBankAccountLength);
    EXPECT_EQ(ReadFile("F10R2.DAT").substr(kMovedOutAt, kMovedOutWidth), std::string(kMovedOutWidth, ' '));
    EXPECT_EQ(ReadFile("F24R0.DAT"), BankTableRecord('1', "0001", "NELORE"));
    EXPECT_FALSE(FileExists("F24.DAT"));
    EXPECT_EQ(ReadFile("F10R2.DAT").substr(331, 23), std::string(23, ' '));
    EXPECT_EQ(ReadFile("FTEL1.DAT").substr(0, 5), "10021");
    EXPECT_EQ(test::Snapshot(".").size(), 6u);  // nothing pending is left behind
    if (operations < failing) break;  // the split ran through without meeting the failure
  }
}

TEST_F(SplitTest, DeletedClientsAreSplitLikeTheOthers) {
  Record client = Client("00001");
  WithFarm(client, "FAZENDA");
  client.Set(client::kLength - 1, 1, "+");
  WriteFile("F10R2.DAT", client);
  Split();
  EXPECT_EQ(ReadFile("F09R0.DAT").size(), 1u * kFarmLength);
  EXPECT_EQ(ReadFile("F10R2.DAT").substr(client::kLength - 1), "+");
}

TEST_F(SplitTest, ASecondRunChangesNothing) {
  Record client = Client("00001");
  WithFarm(client, "FAZENDA");
  WithBank(client, "341");
  WriteFile("F10R2.DAT", client);
  WriteFile("F24.DAT", BankTableRecord('2', "341", "ITAU"));
  Split();
  auto before = test::Snapshot(".");
  Split();
  EXPECT_EQ(test::Snapshot("."), before);
}

}  // namespace
