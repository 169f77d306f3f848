// Changes to several files that take effect together, also across a crash.
#include "recfile/journal.hpp"

#include "recfile/recfile.hpp"
#include "tests/support.hpp"

namespace {

using rec::FileChanges;
using test::FileExists;
using test::ReadFile;
using test::WriteFile;

class JournalTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
  // The folder of a split that is ready to commit: the client file changed,
  // two new files, the bank table to go.
  FileChanges PrepareSplit() {
    WriteFile("F10R2.DAT", "old clients");
    WriteFile("F24.DAT", "banks");
    WriteFile("F10R2.DAT.~new", "new clients");
    WriteFile("F09R0.DAT.~new", "farms");
    WriteFile("F04R0.DAT.~new", "accounts");
    FileChanges changes;
    changes.Replace("F10R2.DAT");
    changes.Create("F09R0.DAT");
    changes.Create("F04R0.DAT");
    changes.Delete("F24.DAT");
    return changes;
  }
  void ExpectSplitDone() {
    EXPECT_EQ(ReadFile("F10R2.DAT"), "new clients");
    EXPECT_EQ(ReadFile("F09R0.DAT"), "farms");
    EXPECT_EQ(ReadFile("F04R0.DAT"), "accounts");
    EXPECT_FALSE(FileExists("F24.DAT"));
    EXPECT_EQ(test::Snapshot(".").size(), 3u);  // no journal, no temporary file
  }
  void FailFrom(int operation) {
    plat::TestHooks().before_file_op = [this, operation](plat::FileOp) { return ++ops_ < operation; };
  }
  int ops_ = 0;
};

TEST_F(JournalTest, AppliedChangesTakeEffectAndLeaveNothingBehind) {
  EXPECT_TRUE(PrepareSplit().Apply());
  ExpectSplitDone();
}

TEST_F(JournalTest, CopyBeforeDeleteKeepsUnreadData) {
  WriteFile("F90.DAT", "documents");
  WriteFile("F40.DAT.~new", "texts");
  FileChanges changes;
  changes.Create("F40.DAT");
  changes.CopyUnlessExists("F90.DAT", "F90.TMP");
  changes.Delete("F90.DAT");
  EXPECT_TRUE(changes.Apply());
  EXPECT_EQ(ReadFile("F90.TMP"), "documents");
  EXPECT_FALSE(FileExists("F90.DAT"));
}

// Every way of stopping the apply part-way (a failure at each file operation
// in turn) leaves either the old files untouched or a journal that the next
// run completes; never a mixture.
TEST_F(JournalTest, StoppedAnywhereTheNextRunCompletesOrNothingChanged) {
  for (int failing = 1;; ++failing) {
    SCOPED_TRACE(failing);
    for (auto& entry : test::fs::directory_iterator(".")) test::fs::remove_all(entry.path());
    FileChanges changes = PrepareSplit();
    ops_ = 0;
    FailFrom(failing);
    bool applied = changes.Apply();
    plat::TestHooks().before_file_op = nullptr;
    if (applied) {
      ExpectSplitDone();
      break;  // no operation was left to fail
    }
    bool committed = rec::JournalPending();
    EXPECT_TRUE(rec::RecoverPending());
    if (committed) {
      ExpectSplitDone();
    } else {
      EXPECT_EQ(ReadFile("F10R2.DAT"), "old clients");
      EXPECT_EQ(ReadFile("F24.DAT"), "banks");
      EXPECT_EQ(test::Snapshot(".").size(), 2u);  // the temporary files are gone
    }
    ASSERT_LT(failing, 100);
  }
}

TEST_F(JournalTest, ReplayAfterACrashMidWay) {
  // The journal was written and the first two changes made when the power went.
  FileChanges changes = PrepareSplit();
  WriteFile("LANVO.JNL", "R F10R2.DAT\nC F09R0.DAT\nC F04R0.DAT\nD F24.DAT\nEND\n");
  test::fs::rename("F10R2.DAT.~new", "F10R2.DAT");
  test::fs::rename("F09R0.DAT.~new", "F09R0.DAT");
  EXPECT_TRUE(rec::JournalPending());
  EXPECT_TRUE(rec::RecoverPending());
  ExpectSplitDone();
  EXPECT_TRUE(rec::RecoverPending());  // nothing more to do
  ExpectSplitDone();
}

TEST_F(JournalTest, JournalBeingWrittenIsNotACommit) {
  PrepareSplit();
  WriteFile("LANVO.JN~", "R F10R2.DAT\nC F09R0.DAT\n");
  EXPECT_TRUE(rec::RecoverPending());
  EXPECT_EQ(ReadFile("F10R2.DAT"), "old clients");
  EXPECT_EQ(test::Snapshot(".").size(), 2u);
}

TEST_F(JournalTest, BrokenJournalIsReportedAndLeftAlone) {
  PrepareSplit();
  WriteFile("LANVO.JNL", "R F10R2.DAT\nC F09R0.DAT\n");  // no end line
  EXPECT_FALSE(rec::RecoverPending());
  EXPECT_EQ(ReadFile("F10R2.DAT"), "old clients");
  EXPECT_TRUE(FileExists("F10R2.DAT.~new"));
}

TEST_F(JournalTest, NoNewChangesWhileAnOldJournalWaits) {
  FileChanges changes = PrepareSplit();
  WriteFile("LANVO.JNL", "END\n");
  EXPECT_FALSE(changes.Apply());
  EXPECT_EQ(ReadFile("F10R2.DAT"), "old clients");
}

}  // namespace
