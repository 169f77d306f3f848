// The conversion run: the order of its work, the closing message, and the
// rule that a source file goes only when its data is safe elsewhere.
#include "convert/conversion.hpp"

#include "app/text_dialog.hpp"
#include "recfile/dialog.hpp"
#include "tests/support.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;

class RunTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
  void Convert() { RunConversion(&dialog_); }
  app::TextDialog dialog_{app::ConversionDialogItems(), "Lanvo 3.03"};
  test::MessageLog messages_;
};

TEST_F(RunTest, EmptyFolderGetsOnlyTheLogEntry) {
  Convert();
  auto files = test::Snapshot(".");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].first, "CONV.DAT");
  EXPECT_EQ(files[0].second, "219\r\n");
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0],
            (test::Message{"A conversão foi realizada.", "Lanvo", plat::kIconInformation}));
  EXPECT_EQ(dialog_.ItemText(kItemStatus), "");
  EXPECT_EQ(rec::OpenStreamCount(), 0u);
}

TEST_F(RunTest, StatusLineNamesEachStepThenEmpties) {
  Convert();
  const auto& shown = dialog_.history(kItemStatus);
  ASSERT_GE(shown.size(), 5u);
  EXPECT_EQ(shown.back(), "");
  for (std::size_t i = 0; i + 1 < shown.size(); ++i) EXPECT_NE(shown[i], "");
  EXPECT_GE(dialog_.repaints(), 4);
}

TEST_F(RunTest, SecondRunAppendsNothing) {
  Convert();
  Convert();
  EXPECT_EQ(ReadFile("CONV.DAT"), "219\r\n");
  EXPECT_EQ(messages_.messages().size(), 2u);
}

TEST_F(RunTest, SourceBesideAnExistingTargetIsBackedUpAndDeleted) {
  WriteFile("F10.DAT", "old clients");
  WriteFile("F10R1.DAT", "converted earlier");
  Convert();
  EXPECT_FALSE(FileExists("F10.DAT"));
  EXPECT_EQ(ReadFile("F10.TMP"), "old clients");
}

TEST_F(RunTest, AnOlderBackupIsNeverOverwritten) {
  WriteFile("F14.DAT", "newer forms");
  WriteFile("F14R0.DAT", "converted earlier");
  WriteFile("F14.TMP", "older backup");
  Convert();
  EXPECT_EQ(ReadFile("F14.TMP"), "older backup");
  EXPECT_FALSE(FileExists("F14.DAT"));  // its backup exists, kept from before
}

TEST_F(RunTest, SourceStaysWhenItsBackupCannotBeMade) {
  WriteFile("F10.DAT", "old clients");
  WriteFile("F10R1.DAT", "converted earlier");
  WriteFile("F14.DAT", "forms");
  WriteFile("F14R0.DAT", "converted earlier");
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kCopy; };
  Convert();
  EXPECT_EQ(ReadFile("F10.DAT"), "old clients");
  EXPECT_EQ(ReadFile("F14.DAT"), "forms");
  EXPECT_FALSE(FileExists("F10.TMP"));
}

TEST_F(RunTest, SourceStaysWhenItsTargetCannotBePutInPlace) {
  // The code table has no backup: it may go only once F24.DAT exists.
  WriteFile("F13.DAT", std::string(66, 'x'));
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kRename; };
  Convert();
  EXPECT_TRUE(FileExists("F13.DAT"));
  EXPECT_FALSE(FileExists("F24.DAT"));
  plat::TestHooks().before_file_op = nullptr;
  WriteFile("F24.DAT", "");
  Convert();
  EXPECT_FALSE(FileExists("F13.DAT"));
}

TEST_F(RunTest, ReadOnlySourceIsDeletedAllTheSame) {
  WriteFile("F10.DAT", "old clients");
  WriteFile("F10R1.DAT", "converted earlier");
  plat::MakeReadOnly("F10.DAT");
  Convert();
  EXPECT_FALSE(FileExists("F10.DAT"));
  EXPECT_EQ(ReadFile("F10.TMP"), "old clients");
}

}  // namespace
