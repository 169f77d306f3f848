// Command 313 on a folder of its own, with a folder that stands for the root
// of the current drive (where the member file lies) and a clock the test sets.
#include <string>
#include <vector>

#include "ui/text_dialog.hpp"
#include "maintenance/delinquency.hpp"
#include "platform/posix/posix.hpp"
#include "recfile/client_record.hpp"
#include "ui/dialog.hpp"
#include "tests/other_program.hpp"
#include "tests/support.hpp"

namespace {

using client::kGroupAt;
using test::Message;

// The member record of the rural-union product.
constexpr int kMemberLength = 1000;
constexpr int kStatusAt = 239, kMemberTaxpayerAt = 250, kDateAt = 502, kCountAt = 815, kDeletedAt = 999;

struct Member {
  std::string taxpayer;
  std::string date;
  std::string count;
  std::string status = " ";
  bool deleted = false;
};

std::string MemberRecord(const Member& m) {
  test::Record record(kMemberLength);
  record.Set(kStatusAt, 1, m.status).Set(kMemberTaxpayerAt, 18, m.taxpayer).Set(kDateAt, 10, m.date).Set(kCountAt, 3, m.count);
  if (m.deleted) record.Set(kDeletedAt, "+");
  return record;
}

std::string Client(const std::string& code, const std::string& taxpayer, const std::string& group = "234") {
  return test::Record(client::kLength)
      .Set(client::kCodeAt, 11, code)
      .Set(11, 40, "Cliente " + code)
      .Set(kGroupAt, 7, group)
      .Set(client::kTaxpayerAt, 18, taxpayer);
}

const Message kDone{"Processo finalizado", "Lanvo", plat::kIconInformation};
const Message kNoMembers{"Erro ao abrir o arquivo de sócios do Veltoral.", "Lanvo", plat::kIconError};
const Message kNoClients{"Erro ao abrir o arquivo de clientes do Lanvo.", "Lanvo", plat::kIconError};

class DelinquencyTest : public test::FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    plat::posix::SetRootFolder((folder() / "root").string());
    SetDate(2026, 3, 15);
  }
  void TearDown() override {
    plat::posix::SetRootFolder("/");
    plat::TestHooks().now = nullptr;
    plat::TestHooks().before_file_op = nullptr;
    FolderTest::TearDown();
  }
  void SetDate(int year, int month, int day) {
    plat::TestHooks().now = [=] { return plat::LocalTime{year, month, day, 9, 0, 0, 0}; };
  }
  void WriteMembers(const std::vector<Member>& members) {
    std::string file;
    for (const auto& m : members) file += MemberRecord(m);
    test::WriteFile(folder() / "root" / "Vamk" / "Rud" / "F10R4.DAT", file);
  }
  void WriteClients(const std::vector<std::string>& taxpayers) {
    std::string file;
    int code = 1;
    for (const auto& t : taxpayers) file += Client(std::to_string(code++), t);
    test::WriteFile("F10R2.DAT", file);
  }
  // Runs the command; answers the mark of every client.
  std::string Update() {
    UpdateDelinquency(&dialog);
    std::string file = test::ReadFile(folder() / "F10R2.DAT");
    std::string marks;
    for (std::size_t n = 0; n * client::kLength + kGroupAt < file.size(); ++n) marks += file[n * client::kLength + kGroupAt];
    return marks;
  }
  std::vector<std::string> Shown() {
    return {dialog.ItemText(kItemMembersInGoodStanding), dialog.ItemText(kItemClientsUpToDate), dialog.ItemText(kItemClientsDelinquent)};
  }
  ui::TextDialog dialog{ui::DelinquencyDialogItems(), "Lanvo 3.03"};
  test::MessageLog log;
};

using Counts = std::vector<std::string>;

TEST_F(DelinquencyTest, InMarchTheReferenceIsDecemberOfLastYear) {
  WriteMembers({{"11111111111", "15/11/2025", "2"},
                {"22222222222", "10/12/2025", "5"},
                {"33333333333", "1/1/2025", "1"},   // a date too short to read, count 1
                {"44444444444", "1/1/2025", "2"},
                {"55555555555", "15/11/2025", "1"},
                {"66666666666", "20/02/2026", "9"},
                {"77777777777", "15/11/2025", ""}});  // a blank count reads as 0
  WriteClients({"11111111111", "22222222222", "33333333333", "44444444444", "55555555555", "66666666666",
                "77777777777"});
  EXPECT_EQ(Update(), "0110111");
  EXPECT_EQ(Shown(), (Counts{"5", "5", "2"}));
  EXPECT_EQ(log.messages(), std::vector<Message>{kDone});
}

TEST_F(DelinquencyTest, AprilStillLooksAtLastYearAndMayAtThisOne) {
  WriteMembers({{"22222222222", "10/12/2025", "5"}, {"66666666666", "15/11/2026", "2"},
                {"88888888888", "01/12/2026", "9"}, {"99999999999", "03/03/2020", "1"}});
  WriteClients({"22222222222", "66666666666", "88888888888", "99999999999"});
  SetDate(2026, 4, 30);
  EXPECT_EQ(Update(), "1111");
  SetDate(2026, 5, 1);
  EXPECT_EQ(Update(), "0011");
  EXPECT_EQ(Shown(), (Counts{"2", "2", "2"}));
}

TEST_F(DelinquencyTest, MembersPassedOverWhateverTheirDate) {
  WriteMembers({{"11111111111", "10/12/2025", "1", "1"},                // status 1
                {"22222222222", "10/12/2025", "1", " ", true},          // deleted
                {"", "10/12/2025", "1"},                                 // no taxpayer number
                {"A3333333333", "10/12/2025", "1"},                      // not a digit first
                {" 4444444444", "10/12/2025", "1"}});
  WriteClients({"11111111111", "22222222222", "", "A3333333333", " 4444444444"});
  EXPECT_EQ(Update(), "00000");
  EXPECT_EQ(Shown(), (Counts{"0", "0", "5"}));
}

// Each field is read as a line read takes it: up to its width, ending after a
// line feed; a last record cut short has only the fields that it holds.
TEST_F(DelinquencyTest, LineFeedsInFieldsAndALastRecordCutShort) {
  std::string file = MemberRecord({"11111111111", "10/12/2025", "1"});
  std::string fed = MemberRecord({"22222222222", "10/12/2025", "2"});
  fed.replace(kCountAt + 1, 1, "\n");  // the count reads "2\n": 2
  fed.replace(kMemberTaxpayerAt + 11, 1, "\n");  // the number ends after its line feed
  std::string early = MemberRecord({"33333333333", "15/11/2025", "1"});
  early.replace(kDateAt + 3, 1, "\n");  // "15/\n": a date that does not parse, a count of 1 passes
  file += fed + early;
  // The last record ends inside its count: no count, so the member is passed over.
  file += MemberRecord({"44444444444", "10/12/2025", "1"}).substr(0, kCountAt);
  test::WriteFile(folder() / "root" / "Vamk" / "Rud" / "F10R4.DAT", file);
  WriteClients({"11111111111", "22222222222\n", "22222222222", "33333333333", "44444444444"});
  EXPECT_EQ(Update(), "11010");
  EXPECT_EQ(Shown(), (Counts{"3", "3", "2"}));

  // Cut before its date, the last record ends the member pass.
  test::WriteFile(folder() / "root" / "Vamk" / "Rud" / "F10R4.DAT",
                  MemberRecord({"11111111111", "10/12/2025", "1"}) +
                      MemberRecord({"44444444444", "10/12/2025", "1"}).substr(0, kDateAt));
  WriteClients({"11111111111", "44444444444"});
  EXPECT_EQ(Update(), "10");
}

TEST_F(DelinquencyTest, TaxpayerNumbersAreComparedWhole) {
  WriteMembers({{"123.456.789-01", "10/12/2025", "1"}, {"12.345.678/0001-9X", "10/12/2025", "1"}});
  WriteClients({"12345678901", "123.456.789-01", "123.456.789-0", "  123.456.789-01", "12.345.678/0001-9x", ""});
  EXPECT_EQ(Update(), "010010");
}

TEST_F(DelinquencyTest, DuplicatesCountInTheWorkingSet) {
  WriteMembers({{"11111111111", "10/12/2025", "1"}, {"11111111111", "10/12/2025", "1"}});
  WriteClients({"11111111111"});
  EXPECT_EQ(Update(), "1");
  EXPECT_EQ(Shown(), (Counts{"2", "1", "0"}));
}

TEST_F(DelinquencyTest, OnlyTheFirstCharacterOfTheGroupChanges) {
  WriteMembers({{"11111111111", "10/12/2025", "1"}});
  std::string deleted = Client("9", "11111111111", "777");
  deleted[client::kLength - 1] = '+';
  std::string before = Client("1", "11111111111", "234") + Client("2", "22222222222", "155") + deleted;
  test::WriteFile("F10R2.DAT", before);
  EXPECT_EQ(Update(), "101");
  std::string after = test::ReadFile(folder() / "F10R2.DAT");
  std::string expected = before;
  expected[kGroupAt] = '1';
  expected[client::kLength + kGroupAt] = '0';
  expected[2 * client::kLength + kGroupAt] = '1';
  EXPECT_EQ(after, expected);
  EXPECT_EQ(Shown(), (Counts{"1", "2", "1"}));
}

TEST_F(DelinquencyTest, EveryClientRecordIsCountedOnce) {
  std::vector<Member> members;
  std::vector<std::string> clients;
  for (int i = 0; i < 5000; ++i) {
    std::string number = std::to_string(10000000000LL + i);
    if (i % 3 == 0) members.push_back({number, "10/12/2025", "1"});
    clients.push_back(number);
  }
  WriteMembers(members);
  WriteClients(clients);
  // A short last record is marked too; its taxpayer number, cut to 10 of its
  // 18 characters, is no longer the member's.
  test::WriteFile("F10R2.DAT", test::ReadFile(folder() / "F10R2.DAT") + Client("x", "10000000000").substr(0, 260));
  std::string marks = Update();
  ASSERT_EQ(marks.size(), 5001u);
  EXPECT_EQ(Shown(), (Counts{"1667", "1667", "3334"}));
  EXPECT_EQ(test::ReadFile(folder() / "F10R2.DAT").size(), 5000u * client::kLength + 260);
}

TEST_F(DelinquencyTest, ASecondRunGivesTheSameMarksAndCounts) {
  WriteMembers({{"11111111111", "10/12/2025", "1"}});
  WriteClients({"11111111111", "2"});
  EXPECT_EQ(Update(), "10");
  std::string first = test::ReadFile(folder() / "F10R2.DAT");
  EXPECT_EQ(Update(), "10");
  EXPECT_EQ(test::ReadFile(folder() / "F10R2.DAT"), first);
  EXPECT_EQ(Shown(), (Counts{"1", "1", "1"}));
  EXPECT_EQ(log.messages(), (std::vector<Message>{kDone, kDone}));
}

TEST_F(DelinquencyTest, AMissingMemberFileChangesNoClient) {
  WriteClients({"11111111111"});
  std::string before = test::ReadFile(folder() / "F10R2.DAT");
  dialog.SetItemText(kItemClientsUpToDate, "17");
  Update();
  EXPECT_EQ(test::ReadFile(folder() / "F10R2.DAT"), before);
  EXPECT_EQ(Shown(), (Counts{"0", "0", "0"}));
  EXPECT_EQ(log.messages(), std::vector<Message>{kNoMembers});
}

TEST_F(DelinquencyTest, AMissingOrReadOnlyClientFileIsReported) {
  WriteMembers({{"11111111111", "10/12/2025", "1"}});
  Update();
  EXPECT_FALSE(test::FileExists(folder() / "F10R2.DAT"));
  EXPECT_EQ(Shown(), (Counts{"1", "0", "0"}));
  WriteClients({"11111111111"});
  std::string before = test::ReadFile(folder() / "F10R2.DAT");
  ASSERT_TRUE(plat::MakeReadOnly("F10R2.DAT"));
  Update();
  EXPECT_EQ(test::ReadFile(folder() / "F10R2.DAT"), before);
  EXPECT_EQ(log.messages(), (std::vector<Message>{kNoClients, kNoClients}));
}

TEST_F(DelinquencyTest, MarksThatNeverReachTheFileAreReported) {
  WriteMembers({{"11111111111", "10/12/2025", "1"}});
  WriteClients({"11111111111", "2"});
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  Update();
  const Message not_written{
      "Erro ao atualizar o arquivo de clientes do Lanvo.\n\nArquivo: F10R2.DAT — Espaço insuficiente no disco.",
      "Lanvo", plat::kIconError};
  EXPECT_EQ(log.messages(), std::vector<Message>{not_written});
}

TEST_F(DelinquencyTest, AMemberFileThatCannotBeReadToItsEndChangesNoClient) {
  WriteMembers({{"11111111111", "10/12/2025", "1"}});
  WriteClients({"11111111111"});
  std::string before = test::ReadFile(folder() / "F10R2.DAT");
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kRead; };
  Update();
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(test::ReadFile(folder() / "F10R2.DAT"), before);
  const Message unread{kNoMembers.text + "\n\nArquivo: \\Vamk\\Rud\\F10R4.DAT — Erro de leitura ou gravação no disco.",
                      kNoMembers.caption, kNoMembers.flags};
  EXPECT_EQ(log.messages(), std::vector<Message>{unread});
}

// Another program writes to the client file while the marks are written
// (see tests/other_program.hpp), at each of the command's moments in turn:
// its edits stay, and a file that it made longer or shorter stops the
// command, which writes nothing more (a file cut short never grows back) and
// does not say that it finished.
TEST_F(DelinquencyTest, WhatAnotherProgramWritesMeanwhileStays) {
  // Three blocks of clients, one in three in good standing; one in twenty
  // is not marked yet, the others are marked as they should be.
  std::vector<Member> members;
  std::string original;
  for (int i = 0; i < 700; ++i) {
    std::string taxpayer = std::to_string(10000000000LL + i);
    if (i % 3 == 0) members.push_back({taxpayer, "10/12/2025", "1"});
    original += Client(std::to_string(i + 1), taxpayer, i % 20 == 0 ? "234" : i % 3 == 0 ? "134" : "034");
  }
  WriteMembers(members);
  auto marked = [](std::string file) {
    for (std::size_t n = 0; (n + 1) * client::kLength <= file.size(); ++n) {
      std::string taxpayer = test::Field(file, client::kLength, n, client::kTaxpayerAt, 11);
      bool member = taxpayer[0] == '1' && (std::stoll(taxpayer) - 10000000000LL) % 3 == 0;
      file[n * client::kLength + kGroupAt] = member ? '1' : '0';
    }
    return file;
  };
  const Message stopped{"Erro ao atualizar o arquivo de clientes do Lanvo.", "Lanvo", plat::kIconError};
  enum Work { kEditName, kAppend, kCutShort };
  int runs_stopped = 0;
  for (Work work : {kEditName, kAppend, kCutShort}) {
    for (int n = 1;; ++n) {
      test::WriteFile("F10R2.DAT", original);
      std::size_t record = static_cast<std::size_t>(n) * 97 % 700;
      std::string trace = "work " + std::to_string(work) + " at operation " + std::to_string(n);
      test::MessageLog messages;
      test::OtherProgram other(n, work == kEditName ? test::OtherProgram::kEveryOperation : test::OtherProgram::kNoWrite, [&] {
        if (work == kEditName) test::OtherProgram::Edit(record * client::kLength + 11, "Outro nome");
        // Not a member, and marked so already: marked or not, it reads the same.
        if (work == kAppend) test::OtherProgram::Append(Client("701", "99999999999", "034"));
        if (work == kCutShort) test::OtherProgram::CutTo(original.size() - client::kLength);
      });
      Update();
      if (!other.done()) break;
      std::string after = test::ReadFile(folder() / "F10R2.DAT");
      if (work == kEditName) {
        std::string expected = marked(original);
        expected.replace(record * client::kLength + 11, 10, "Outro nome");
        ASSERT_TRUE(after == expected) << trace;
        ASSERT_EQ(messages.messages(), std::vector<Message>{kDone}) << trace;
      } else if (messages.messages() == std::vector<Message>{stopped}) {
        ++runs_stopped;
        ASSERT_TRUE(after == other.left()) << trace << ": written after the file changed";
      } else {
        // Done before the command took the file's size, or after its last write.
        ASSERT_EQ(messages.messages(), std::vector<Message>{kDone}) << trace;
        ASSERT_TRUE(after == marked(other.left())) << trace;
      }
    }
  }
  EXPECT_GT(runs_stopped, 10);
}

}  // namespace
