// The phone index: what no longer fits in the phone fields of a company or
// client record moves to FTEL1.DAT, and the records shrink to the 3.03 layout.
#include "convert/phone_index.hpp"

#include "recfile/client_record.hpp"
#include "recfile/journal.hpp"
#include "tests/support.hpp"

namespace {

using namespace convert;
using namespace convert::phones;
using test::FileExists;
using test::ReadFile;
using test::Record;
using test::WriteFile;

Record Owner(const std::string& code, const std::string& first, const std::string& second) {
  Record record(client::kLength);
  record.Set(client::kCodeAt, 11, code).Set(client::kPhone1At, client::kPhone1Width, first)
      .Set(client::kPhone2At, client::kSecondPhoneWidth, second).Set(354, 18, "INCRA 77");
  return record;
}

// A line of the index built field by field.
std::string Line(const std::string& file, const std::string& kind, const std::string& joined,
                 const std::string& key, const std::string& phone) {
  return Record(38).Set(0, 2, file).Set(2, 2, kind).Set(4, 1, joined).Set(5, 10, key).Set(15, 23, phone).bytes() +
         "\r\n";
}

class PhoneIndexTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
};

TEST(PhoneMoves, ASecondPhoneThatFitsIsJoined) {
  PhoneMoves moves = PlanPhoneMoves("(34) 3333-1111", "(34) 9999-2222");
  EXPECT_EQ(moves.first_length, 14);
  EXPECT_EQ(moves.first_tail, "");
  EXPECT_EQ(moves.second, "(34) 9999-2222");
  EXPECT_TRUE(moves.joined);
}

TEST(PhoneMoves, ThirtySevenIsTheLimitOfTheJoinedText) {
  EXPECT_TRUE(PlanPhoneMoves(std::string(19, '1'), std::string(15, '2')).joined);   // 19 + 3 + 15 = 37
  EXPECT_FALSE(PlanPhoneMoves(std::string(20, '1'), std::string(15, '2')).joined);  // 38
}

TEST(PhoneMoves, ARepeatedOrEmptySecondPhoneStays) {
  EXPECT_EQ(PlanPhoneMoves("(34) 3333-1111", "(34) 3333-1111").second, "");
  EXPECT_EQ(PlanPhoneMoves("(34) 3333-1111 / 9999", "(34) 3333").second, "");
  EXPECT_EQ(PlanPhoneMoves("(34) 3333-1111", "     ").second, "");
  EXPECT_EQ(PlanPhoneMoves("", "").second, "");
  EXPECT_EQ(PlanPhoneMoves("(34)", "(34) 3333").second, "(34) 3333");  // longer than the first
}

TEST(PhoneMoves, TheFirstPhoneKeepsThirtySevenCharacters) {
  PhoneMoves moves = PlanPhoneMoves(std::string(37, 'a') + "XYZ ", "");
  EXPECT_EQ(moves.first_tail, "XYZ");
  EXPECT_EQ(PlanPhoneMoves(std::string(37, 'a'), "").first_tail, "");
}

TEST(PhoneIndexLine, FortyBytesEndingInCrLf) {
  std::string line = PhoneIndexLine(0, "02", true, "00012", "(34) 9999-2222");
  EXPECT_EQ(line, Line("00", "02", "1", "00012", "(34) 9999-2222"));
  EXPECT_EQ(line.size(), static_cast<std::size_t>(kLineLength));
  EXPECT_EQ(PhoneIndexLine(10, "01", false, "0001234567", "XYZ").substr(0, 15), "10010" "0001234567");
}

TEST_F(PhoneIndexTest, JoinedSecondPhoneMovesToTheFirstAndToTheIndex) {
  Record owner = Owner("00001", "(62) 5954-6113", "(016) 5896-0748");
  WriteFile("F10R2.DAT", owner);
  convert::BuildPhoneIndex();
  Record expected = owner;
  expected.Set(client::kPhone1At, client::kPhone1Width, "(62) 5954-6113 / (016) 5896-0748")
      .Set(client::kPhone2At, client::kSecondPhoneWidth, "");
  EXPECT_EQ(ReadFile("F10R2.DAT"), expected.bytes());
  EXPECT_EQ(ReadFile("FTEL1.DAT"), Line("10", "02", "1", "00001", "(016) 5896-0748"));
}

TEST_F(PhoneIndexTest, ARepeatedSecondPhoneChangesNothing) {
  Record owner = Owner("00001", "(62) 5954-6113", "(62) 5954");
  WriteFile("F10R2.DAT", owner);
  convert::BuildPhoneIndex();
  EXPECT_EQ(ReadFile("F10R2.DAT"), owner.bytes());
  EXPECT_EQ(ReadFile("FTEL1.DAT"), "");
}

TEST_F(PhoneIndexTest, ALongFirstPhoneLosesItsTailToTheIndex) {
  std::string forty = "(62) 5954-6113 RAMAL 22 FALAR COM JOAO";  // 38
  forty += "AB";
  Record owner = Owner("00007", forty, "");
  WriteFile("F00R0.DAT", owner);
  convert::BuildPhoneIndex();
  Record expected = owner;
  expected.Set(327, 4, "");
  EXPECT_EQ(ReadFile("F00R0.DAT"), expected.bytes());
  EXPECT_EQ(ReadFile("FTEL1.DAT"), Line("00", "01", "0", "00007", forty.substr(37)));
}

TEST_F(PhoneIndexTest, TwentyAndFifteenDoNotFitSoTheSecondOnlyMoves) {
  Record owner = Owner("00001", std::string(20, '1'), std::string(15, '2'));
  WriteFile("F10R2.DAT", owner);
  convert::BuildPhoneIndex();
  Record expected = owner;
  expected.Set(client::kPhone2At, client::kSecondPhoneWidth, "");
  EXPECT_EQ(ReadFile("F10R2.DAT"), expected.bytes());
  EXPECT_EQ(ReadFile("FTEL1.DAT"), Line("10", "02", "0", "00001", std::string(15, '2')));
}

TEST_F(PhoneIndexTest, CompanyLinesFirstAndWithinARecordTheTailFirst) {
  std::string long_first = std::string(38, '9') + "12";
  WriteFile("F10R2.DAT", Owner("00001", long_first, "(11) 2222").bytes() + Owner("00002", "", "(11) 3333").bytes());
  WriteFile("F00R0.DAT", Owner("00001", "(11) 4444", "(11) 5555"));
  convert::BuildPhoneIndex();
  EXPECT_EQ(ReadFile("FTEL1.DAT"), Line("00", "02", "1", "00001", "(11) 5555") +
                                       Line("10", "01", "0", "00001", "912") +
                                       Line("10", "02", "0", "00001", "(11) 2222") +
                                       Line("10", "02", "1", "00002", "(11) 3333"));
  // " / " behind an empty first phone.
  EXPECT_EQ(ReadFile("F10R2.DAT").substr(client::kLength + client::kPhone1At, 12), " / (11) 3333");
}

TEST_F(PhoneIndexTest, NoSourceGivesAnEmptyIndex) {
  convert::BuildPhoneIndex();
  EXPECT_EQ(ReadFile("FTEL1.DAT"), "");
}

TEST_F(PhoneIndexTest, AnExistingIndexLeavesThePhonesAlone) {
  Record owner = Owner("00001", "(62) 5954-6113", "(016) 5896-0748");
  WriteFile("F10R2.DAT", owner);
  WriteFile("FTEL1.DAT", "");
  convert::BuildPhoneIndex();
  EXPECT_EQ(ReadFile("F10R2.DAT"), owner.bytes());
}

TEST_F(PhoneIndexTest, TheFieldsFrom354AreNeverTouched) {
  Record owner = Owner("00001", "(62) 5954-6113", std::string(23, '7'));
  owner.Set(354, 18, std::string(18, '#'));
  WriteFile("F10R2.DAT", owner);
  convert::BuildPhoneIndex();
  EXPECT_EQ(ReadFile("F10R2.DAT").substr(354), owner.bytes().substr(354));
  EXPECT_EQ(ReadFile("F10R2.DAT").substr(client::kPhone2At, 23), std::string(23, ' '));
}

TEST_F(PhoneIndexTest, ARecordCutShortIsNotGrown) {
  // The last record ends inside the second phone.
  Record first = Owner("00001", "(11) 1111", "");
  std::string cut = Owner("00002", "(11) 4444", "(22) 5555").bytes().substr(0, client::kPhone2At + 5);
  WriteFile("F10R2.DAT", first.bytes() + cut);
  convert::BuildPhoneIndex();
  std::string clients = ReadFile("F10R2.DAT");
  ASSERT_EQ(clients.size(), client::kLength + cut.size());
  EXPECT_EQ(clients.substr(client::kLength + client::kPhone1At, 17), "(11) 4444 / (22) ");
  EXPECT_EQ(clients.substr(client::kLength + client::kPhone2At), "     ");
  EXPECT_EQ(ReadFile("FTEL1.DAT"), Line("10", "02", "1", "00002", "(22)"));
}

TEST_F(PhoneIndexTest, AnIndexThatCannotBeWrittenLeavesTheRecordsAlone) {
  Record owner = Owner("00001", "(62) 5954-6113", "(016) 5896-0748");
  WriteFile("F10R2.DAT", owner);
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kRename; };
  convert::BuildPhoneIndex();
  plat::TestHooks() = plat::Hooks{};
  EXPECT_FALSE(FileExists("FTEL1.DAT"));
  EXPECT_EQ(ReadFile("F10R2.DAT"), owner.bytes());
  convert::BuildPhoneIndex();
  EXPECT_EQ(ReadFile("FTEL1.DAT"), Line("10", "02", "1", "00001", "(016) 5896-0748"));
}

// A failure at any file operation leaves the index absent and the records as
// they were, or a journal that completes both; never the one without the other.
TEST_F(PhoneIndexTest, StoppedAnywhereTheIndexAndTheRecordsChangeTogether) {
  const std::string company = Owner("00001", "(11) 4444", "(11) 5555");
  const std::string clients = Owner("00001", "(62) 5954-6113", "(016) 5896-0748").bytes() +
                              Owner("00002", std::string(40, '9'), "").bytes();
  const std::string index = Line("00", "02", "1", "00001", "(11) 5555") +
                            Line("10", "02", "1", "00001", "(016) 5896-0748") +
                            Line("10", "01", "0", "00002", "999");
  for (int failing = 1;; ++failing) {
    SCOPED_TRACE(failing);
    for (auto& entry : test::fs::directory_iterator(".")) test::fs::remove_all(entry.path());
    WriteFile("F00R0.DAT", company);
    WriteFile("F10R2.DAT", clients);
    int operations = 0;
    plat::TestHooks().before_file_op = [&](plat::FileOp) { return ++operations != failing; };
    convert::BuildPhoneIndex();
    plat::TestHooks() = plat::Hooks{};
    plat::ClearRefusals();  // what follows is the next command
    if (rec::JournalPending()) {
      ASSERT_TRUE(rec::RecoverPending());
    } else if (!FileExists("FTEL1.DAT")) {
      EXPECT_EQ(ReadFile("F00R0.DAT"), company);
      EXPECT_EQ(ReadFile("F10R2.DAT"), clients);
      ASSERT_TRUE(rec::RecoverPending());
      convert::BuildPhoneIndex();
    }
    EXPECT_EQ(ReadFile("FTEL1.DAT"), index);
    EXPECT_EQ(ReadFile("F00R0.DAT").substr(client::kPhone1At, 21), "(11) 4444 / (11) 5555");
    EXPECT_EQ(ReadFile("F10R2.DAT").substr(client::kLength + 327, 4), "    ");
    EXPECT_EQ(test::Snapshot(".").size(), 3u);
    if (operations < failing) break;
  }
}

TEST_F(PhoneIndexTest, ASourceThatIsThereButCannotBeOpenedPostponesTheIndex) {
  WriteFile("F00R0.DAT", Owner("00001", "(11) 1", "(11) 2"));
  WriteFile("F10R2.DAT", Owner("00001", "(11) 3", "(11) 4"));
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kOpen; };
  convert::BuildPhoneIndex();
  plat::TestHooks() = plat::Hooks{};
  EXPECT_FALSE(FileExists("FTEL1.DAT"));
  convert::BuildPhoneIndex();
  EXPECT_EQ(ReadFile("FTEL1.DAT"), Line("00", "02", "1", "00001", "(11) 2") + Line("10", "02", "1", "00001", "(11) 4"));
}

TEST_F(PhoneIndexTest, AReadOnlySourceIsMadeWritable) {
  WriteFile("F00R0.DAT", Owner("00001", "(11) 1", "(11) 2"));
  plat::MakeReadOnly("F00R0.DAT");
  convert::BuildPhoneIndex();
  EXPECT_EQ(ReadFile("FTEL1.DAT"), Line("00", "02", "1", "00001", "(11) 2"));
  EXPECT_EQ(ReadFile("F00R0.DAT").substr(client::kPhone1At, 15), "(11) 1 / (11) 2");
}

}  // namespace
