// The dialog procedure, driven through a dialog that only holds texts.
#include "ui/dialog_proc.hpp"

#include "ui/text_dialog.hpp"
#include "ui/dialog.hpp"
#include "tests/support.hpp"

namespace {

using ui::DialogMessage;
using ui::DialogProc;

class DialogProcTest : public test::FolderTest {
 protected:
  bool Command(unsigned id, unsigned notification = 0) {
    return DialogProc(&dialog_, DialogMessage::kCommand, id | (notification << 16));
  }
  ui::TextDialog dialog_{{250, 150, 200, 100, 110, 111, 300, 2, 500, 350}, "Lanvo 3.03"};
  test::MessageLog messages_;
};

TEST_F(DialogProcTest, InitialisationTakesTheOwnersTitleAndShowsTheFolder) {
  EXPECT_TRUE(DialogProc(&dialog_, DialogMessage::kInitDialog));
  EXPECT_EQ(dialog_.caption(), "Lanvo 3.03");
  EXPECT_EQ(dialog_.ItemText(kItemFolder), plat::CurrentFolder().substr(0, 99));
  EXPECT_EQ(dialog_.limit(100), 3);
  EXPECT_EQ(dialog_.limit(110), 3);
  EXPECT_EQ(dialog_.limit(111), 3);
  // The font goes to item 2 and the items from 100 to 399 that exist.
  EXPECT_EQ(dialog_.fonts(), (std::set<int>{2, 100, 110, 111, 150, 200, 250, 300, 350}));
}

// The folder is shown with at most 99 characters, and an accented letter is
// never cut in half.
TEST_F(DialogProcTest, ALongFolderIsCutBetweenCharacters) {
  std::string name;
  for (int i = 0; i < 110; ++i) name += "ã";  // two bytes each in UTF-8
  ASSERT_TRUE(plat::MakeFolder(name));
  ASSERT_TRUE(plat::ChangeFolder(name));
  std::string here = plat::CurrentFolder();
  ASSERT_GT(here.size(), 200u);
  DialogProc(&dialog_, DialogMessage::kInitDialog);
  std::string shown = dialog_.ItemText(kItemFolder);
  EXPECT_EQ(here.compare(0, shown.size(), shown), 0);  // the start of the folder
  std::size_t characters = 0;
  for (char c : shown) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  EXPECT_EQ(characters, 99u);
  EXPECT_EQ(shown.substr(shown.size() - 2), "ã");
  ASSERT_TRUE(plat::ChangeFolder(folder().string()));
}

TEST_F(DialogProcTest, CloseEndsWithZero) {
  EXPECT_TRUE(Command(2));
  EXPECT_TRUE(dialog_.ended());
  EXPECT_EQ(dialog_.result(), 0);
}

TEST_F(DialogProcTest, EnterMovesTheFocusInsteadOfConverting) {
  EXPECT_TRUE(Command(500));
  EXPECT_EQ(dialog_.tab_moves(), 1);
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_FALSE(test::FileExists("CONV.DAT"));
}

TEST_F(DialogProcTest, NewGroupIsRewrittenOnlyWhenItLosesTheFocus) {
  dialog_.SetItemText(111, "7");
  EXPECT_TRUE(Command(111, 0x0300));  // handled, but nothing changes
  EXPECT_EQ(dialog_.ItemText(111), "7");
  EXPECT_TRUE(Command(111, ui::kNotifyKillFocus));
  EXPECT_EQ(dialog_.ItemText(111), "007");
}

// Typed groups reach the client file in code page 1252, and the old group is
// compared in it too: each change finds the group that the one before wrote.
TEST_F(DialogProcTest, TypedGroupsAreWrittenAndComparedInCodePage1252) {
  struct Typed {
    const char* text;
    const char* stored;
  };
  const Typed groups[] = {
      {"€1", "\x80" "1 "}, {"Œ", "\x8C  "}, {"a\nb", "a b"}, {"😀", "?  "}, {"éé€x", "\xE9\xE9\x80"},
  };
  test::WriteFile("F10R2.DAT", test::Record(1000).Set(232, 3, "001"));
  std::string old_group = "001";
  for (const Typed& group : groups) {
    dialog_.SetItemText(110, old_group);
    dialog_.SetItemText(111, group.text);
    EXPECT_TRUE(Command(312));
    EXPECT_EQ(test::Field(test::ReadFile("F10R2.DAT"), 1000, 0, 232, 3), group.stored) << group.text;
    old_group = group.text;
  }
  EXPECT_EQ(messages_.texts(), std::vector<std::string>(std::size(groups), "O grupo foi alterado em 1 clientes."));
}

TEST_F(DialogProcTest, ConvertRunsTheConversion) {
  EXPECT_TRUE(Command(300));
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{"A conversão foi realizada."});
  EXPECT_EQ(test::ReadFile("CONV.DAT"), "219\r\n");
}

TEST_F(DialogProcTest, OtherCommandsAreNotHandled) {
  EXPECT_FALSE(Command(100));
  EXPECT_FALSE(Command(999));
  EXPECT_FALSE(dialog_.ended());
}

}  // namespace

namespace {

// A maintenance command works on the client file that an interrupted
// conversion was putting in place, never on the one about to be replaced.
TEST_F(DialogProcTest, MaintenanceCompletesAnInterruptedConversionFirst) {
  std::string old_client = test::Record(1000).Set(232, 3, "001");
  std::string new_client = test::Record(1000).Set(232, 3, "001").Set(0, 5, "00001");
  test::WriteFile("F10R2.DAT", old_client);
  test::WriteFile("F10R2.DAT.~new", new_client);
  test::WriteFile("LANVO.JNL", "R F10R2.DAT\nEND 12 DA0FEBAE\n");  // as the split leaves it
  dialog_.SetItemText(110, "001");
  dialog_.SetItemText(111, "002");
  EXPECT_TRUE(Command(312));
  EXPECT_EQ(test::ReadFile("F10R2.DAT"), test::Record(1000).Set(232, 3, "002").Set(0, 5, "00001").bytes());
  EXPECT_FALSE(test::FileExists("LANVO.JNL"));
}

TEST_F(DialogProcTest, MaintenanceWaitsWhileAnInterruptedConversionCannotBeCompleted) {
  std::string client = test::Record(1000).Set(232, 3, "001");
  test::WriteFile("F10R2.DAT", client);
  test::WriteFile("LANVO.JNL", "R F10R2.DAT\n");  // not whole
  dialog_.SetItemText(110, "001");
  dialog_.SetItemText(111, "002");
  EXPECT_TRUE(Command(312));
  EXPECT_EQ(test::ReadFile("F10R2.DAT"), client);
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].flags, plat::kIconError);
}

}  // namespace
