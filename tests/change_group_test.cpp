// Command 312 on a folder of its own: the old group of item 110 and the new
// group of item 111, typed as a user would.
#include <string>
#include <vector>

#include "ui/text_dialog.hpp"
#include "maintenance/change_group.hpp"
#include "recfile/client_record.hpp"
#include "ui/dialog.hpp"
#include "tests/other_program.hpp"
#include "tests/support.hpp"

namespace {

using client::kGroupAt;

constexpr int kGroupFieldWidth = 7;  // the code, then spaces up to the flag at 239

std::string Client(const std::string& code, const std::string& group) {
  return test::Record(client::kLength)
      .Set(client::kCodeAt, 11, code)
      .Set(kGroupAt, kGroupFieldWidth, group)
      .Set(11, 40, "Fazenda Boa Vista")
      .Set(client::kTaxpayerAt, 18, "123.456.789-01");
}

std::string Clients(const std::vector<std::string>& groups) {
  std::string file;
  int code = 1;
  for (const auto& group : groups) file += Client(std::to_string(code++), group);
  return file;
}

std::string GroupOf(const std::string& file, std::size_t n) {
  return test::Field(file, client::kLength, n, kGroupAt, 3);
}

class ChangeGroupTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks().before_file_op = nullptr;
    FolderTest::TearDown();
  }
  // Runs the command and answers the group of every record afterwards.
  std::vector<std::string> Regroup(const std::string& old_group, const std::string& new_group) {
    ui::TextDialog dialog({kItemOldGroup, kItemNewGroup}, "Lanvo 3.03");
    dialog.SetItemText(kItemOldGroup, old_group);
    dialog.SetItemText(kItemNewGroup, new_group);
    ChangeClientGroup(&dialog);
    std::string file = test::ReadFile(folder() / "F10R2.DAT");
    std::vector<std::string> groups;
    for (std::size_t n = 0; n * client::kLength < file.size(); ++n) groups.push_back(GroupOf(file, n));
    return groups;
  }
  test::MessageLog log;
};

test::Message Changed(int count) {
  return {"O grupo foi alterado em " + std::to_string(count) + " clientes.", "Alterar Grupo",
          plat::kIconInformation};
}

TEST_F(ChangeGroupTest, TheOldGroupIsComparedAsTheRecordsHoldIt) {
  test::WriteFile("F10R2.DAT", Clients({"1", "001", "10", "1"}));
  EXPECT_EQ(Regroup("1", "7"), (std::vector<std::string>{"7  ", "001", "10 ", "7  "}));
  EXPECT_EQ(log.messages(), std::vector<test::Message>{Changed(2)});
}

TEST_F(ChangeGroupTest, ZeroPaddedGroupsMatchOnlyZeroPadded) {
  test::WriteFile("F10R2.DAT", Clients({"1", "001", "0010"}));
  EXPECT_EQ(Regroup("001", "002"), (std::vector<std::string>{"1  ", "002", "002"}));
  EXPECT_EQ(log.messages(), std::vector<test::Message>{Changed(2)});
}

TEST_F(ChangeGroupTest, LettersMatchInEitherCase) {
  test::WriteFile("F10R2.DAT", Clients({"AB", "Ab", "ab", "AC"}));
  EXPECT_EQ(Regroup("ab", "X"), (std::vector<std::string>{"X  ", "X  ", "X  ", "AC "}));
  EXPECT_EQ(log.messages(), std::vector<test::Message>{Changed(3)});
}

TEST_F(ChangeGroupTest, AnEmptyNewGroupWritesSpacesAndCounts) {
  test::WriteFile("F10R2.DAT", Clients({"5", "6", "5"}));
  EXPECT_EQ(Regroup("5", ""), (std::vector<std::string>{"   ", "6  ", "   "}));
  EXPECT_EQ(log.messages(), std::vector<test::Message>{Changed(2)});
}

TEST_F(ChangeGroupTest, EqualGroupsCountEveryMatchAndWriteNothing) {
  std::string before = Clients({"5", "6", "5"});
  test::WriteFile("F10R2.DAT", before);
  int writes = 0;
  plat::TestHooks().before_file_op = [&writes](plat::FileOp op) {
    writes += op == plat::FileOp::kWrite;
    return true;
  };
  Regroup("5", "5");
  EXPECT_EQ(writes, 0);
  EXPECT_EQ(test::ReadFile(folder() / "F10R2.DAT"), before);
  EXPECT_EQ(log.messages(), std::vector<test::Message>{Changed(2)});
}

TEST_F(ChangeGroupTest, OnlyTheGroupChangesAlsoInDeletedRecords) {
  std::string deleted = test::Record(client::kLength).Set(kGroupAt, kGroupFieldWidth, "3").Set(999, "+");
  std::string before = Client("1", "3") + deleted;
  test::WriteFile("F10R2.DAT", before);
  Regroup("3", "4");
  std::string after = test::ReadFile(folder() / "F10R2.DAT");
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    std::size_t offset = i % client::kLength;
    if (offset < static_cast<std::size_t>(kGroupAt) || offset >= kGroupAt + 3u) {
      ASSERT_EQ(after[i], before[i]) << "byte " << i;
    }
  }
  EXPECT_EQ(log.messages(), std::vector<test::Message>{Changed(2)});
}

TEST_F(ChangeGroupTest, AShortLastRecordDoesNotGrow) {
  std::string before = Client("1", "3") + Client("2", "3").substr(0, kGroupAt + 1);
  test::WriteFile("F10R2.DAT", before);
  Regroup("3", "4");
  std::string after = test::ReadFile(folder() / "F10R2.DAT");
  EXPECT_EQ(after.size(), before.size());
  EXPECT_EQ(GroupOf(after, 0), "4  ");
  EXPECT_EQ(log.messages(), std::vector<test::Message>{Changed(1)});
}

TEST_F(ChangeGroupTest, AnEmptyFileGivesZero) {
  test::WriteFile("F10R2.DAT", "");
  EXPECT_TRUE(Regroup("1", "2").empty());
  EXPECT_EQ(log.messages(), std::vector<test::Message>{Changed(0)});
}

TEST_F(ChangeGroupTest, AMissingOrReadOnlyFileIsRefused) {
  const test::Message refused{"Erro ao abrir o arquivo de clientes.", "Lanvo", plat::kIconError};
  ui::TextDialog dialog({kItemOldGroup, kItemNewGroup}, "Lanvo 3.03");
  dialog.SetItemText(kItemOldGroup, "1");
  ChangeClientGroup(&dialog);
  EXPECT_FALSE(test::FileExists(folder() / "F10R2.DAT"));

  std::string before = Clients({"1"});
  test::WriteFile("F10R2.DAT", before);
  ASSERT_TRUE(plat::MakeReadOnly("F10R2.DAT"));
  ChangeClientGroup(&dialog);
  EXPECT_EQ(test::ReadFile(folder() / "F10R2.DAT"), before);
  EXPECT_TRUE(plat::IsReadOnly("F10R2.DAT"));
  EXPECT_EQ(log.messages(), (std::vector<test::Message>{refused, refused}));
}

TEST_F(ChangeGroupTest, ChangesThatNeverReachTheFileAreNotCounted) {
  test::WriteFile("F10R2.DAT", Clients({"1", "1"}));
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  Regroup("1", "2");
  EXPECT_EQ(log.messages(), (std::vector<test::Message>{
                                {"Erro ao atualizar o arquivo de clientes.\n\n"
                                 "Arquivo: F10R2.DAT — Espaço insuficiente no disco.",
                                 "Lanvo", plat::kIconError},
                                Changed(0)}));
}

TEST_F(ChangeGroupTest, ManyChangesAreCountedWhole) {
  // More changes than one flush takes, and more records than the stream's window.
  std::vector<std::string> groups(700, "9");
  groups[350] = "8";
  test::WriteFile("F10R2.DAT", Clients(groups));
  std::vector<std::string> after = Regroup("9", "1");
  EXPECT_EQ(after[0], "1  ");
  EXPECT_EQ(after[350], "8  ");
  EXPECT_EQ(after[699], "1  ");
  EXPECT_EQ(log.messages(), std::vector<test::Message>{Changed(699)});
}

// Another program writes to the client file while the command runs (see
// tests/other_program.hpp), at each of the command's moments in turn: its
// edits stay, and a file that it made longer or shorter stops the command,
// which then writes nothing more and does not claim the change done.
TEST_F(ChangeGroupTest, WhatAnotherProgramWritesMeanwhileStays) {
  // Three blocks of records, one client in twenty of the old group.
  std::vector<std::string> groups(700, "8");
  for (std::size_t n = 0; n < groups.size(); n += 20) groups[n] = "7";
  const std::string original = Clients(groups);
  const int matching = 35;
  // The file with the change made to every client of group 7.
  auto regrouped = [](std::string file) {
    for (std::size_t at = kGroupAt; at + 3 <= file.size(); at += client::kLength)
      if (file.compare(at, 3, "7  ") == 0) file.replace(at, 3, "9  ");
    return file;
  };
  const test::Message stopped{"Erro ao atualizar o arquivo de clientes.", "Lanvo", plat::kIconError};
  enum Work { kEditName, kRegroupOne, kAppend, kCutShort };
  const test::OtherProgram::Moments moments[] = {test::OtherProgram::kEveryOperation, test::OtherProgram::kReads,
                                                 test::OtherProgram::kNoWrite, test::OtherProgram::kNoWrite};
  int runs_stopped = 0;
  for (Work work : {kEditName, kRegroupOne, kAppend, kCutShort}) {
    for (int n = 1;; ++n) {
      test::WriteFile("F10R2.DAT", original);
      std::size_t record = static_cast<std::size_t>(n) * 7 % 35 * 20;  // a client of group 7
      std::string trace = "work " + std::to_string(work) + " at operation " + std::to_string(n);
      test::MessageLog messages;
      test::OtherProgram other(n, moments[work], [&] {
        if (work == kEditName) test::OtherProgram::Edit(record * client::kLength + 11, "Outro nome");
        if (work == kRegroupOne) test::OtherProgram::Edit(record * client::kLength + kGroupAt, "5  ");
        // Of another group, so that it reads the same whether the command saw it or not.
        if (work == kAppend) test::OtherProgram::Append(Client("701", "5"));
        if (work == kCutShort) test::OtherProgram::CutTo(original.size() - client::kLength);
      });
      Regroup("7", "9");
      if (!other.done()) break;
      std::string after = test::ReadFile(folder() / "F10R2.DAT");
      if (work == kEditName || work == kRegroupOne) {
        std::string expected = regrouped(original);
        if (work == kEditName) expected.replace(record * client::kLength + 11, 10, "Outro nome");
        if (work == kRegroupOne) expected.replace(record * client::kLength + kGroupAt, 3, "5  ");
        ASSERT_TRUE(after == expected) << trace;
        // The client given group 5 counts when its change to 9 came first.
        ASSERT_EQ(messages.messages().size(), 1u) << trace;
        std::string counted = messages.messages()[0].text;
        ASSERT_TRUE(counted == Changed(matching).text || (work == kRegroupOne && counted == Changed(matching - 1).text))
            << trace << ": " << counted;
      } else if (messages.messages() == std::vector<test::Message>{stopped}) {
        ++runs_stopped;
        ASSERT_TRUE(after == other.left()) << trace << ": written after the file changed";
      } else {
        // The other program was done before the command took the file's
        // size, or after its last write.
        ASSERT_EQ(messages.messages(), std::vector<test::Message>{Changed(matching)}) << trace;
        ASSERT_TRUE(after == regrouped(other.left())) << trace;
      }
    }
  }
  EXPECT_GT(runs_stopped, 10);
}

}  // namespace
