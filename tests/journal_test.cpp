// Changes to several files that take effect together, also across a crash,
// and journals found in a customer's folder that this program did not write.
#include "recfile/journal.hpp"

#include <cstdint>
#include <cstdio>

#include "recfile/recfile.hpp"
#include "recfile/stream.hpp"
#include "tests/support.hpp"

namespace {

using rec::FileChanges;
using rec::Recovery;
using test::FileExists;
using test::ReadFile;
using test::WriteFile;

using test::Journal;

class JournalTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    std::error_code ignored;
    test::fs::remove(victim(), ignored);
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
  // Renames fail after the given number: the journal's own rename is the first.
  void FailRenamesAfter(int renames) {
    plat::TestHooks().before_file_op = [renames, done = 0](plat::FileOp op) mutable {
      return op != plat::FileOp::kRename || ++done <= renames;
    };
  }
  // The split's journal as Apply writes it, left as a crash right after it
  // was written leaves it.
  std::string WrittenJournal() {
    FileChanges changes = PrepareSplit();
    FailRenamesAfter(1);
    EXPECT_FALSE(changes.Apply());
    plat::TestHooks().before_file_op = nullptr;
    return ReadFile("LANVO.JNL");
  }

  // A file beside the data folder, which no journal may reach.
  test::fs::path victim() const { return folder().string() + "-victim.~new"; }
  std::string VictimName() const { return victim().filename().string(); }
  // The victim's path from the root of its drive, with backslashes.
  std::string VictimFromRoot() const {
    std::string path;
    for (const auto& part : victim().relative_path()) path += "\\" + part.string();
    return path;
  }

  // The journal is carried out in no part: nothing in the folder changes, the
  // journal included, and nothing beside it.
  void ExpectRefused(const std::string& journal) {
    WriteFile(victim(), "victim");
    WriteFile("LANVO.JNL", journal);
    auto before = test::Snapshot(".");
    EXPECT_EQ(rec::RecoverJournal(), Recovery::kDamaged);
    EXPECT_FALSE(rec::RecoverPending());
    EXPECT_EQ(test::Snapshot("."), before);
    EXPECT_EQ(ReadFile(victim()), "victim");
  }
  // The same with the end line of the format, and with the bare "END" that
  // closed the journal before it carried its length and checksum.
  void ExpectRefusedWithEitherEnd(const std::string& body) {
    ExpectRefused(Journal(body));
    ExpectRefused(body + "END\n");
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
    plat::ClearRefusals();  // what follows is the next command
    if (applied) {
      ExpectSplitDone();
      break;  // no operation was left to fail
    }
    bool committed = rec::JournalPending();
    EXPECT_EQ(rec::RecoverJournal(), committed ? Recovery::kCompleted : Recovery::kNone);
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

TEST_F(JournalTest, TheJournalEndsWithTheLengthAndChecksumOfItsChanges) {
  EXPECT_EQ(WrittenJournal(), Journal("R F10R2.DAT\nC F09R0.DAT\nC F04R0.DAT\nD F24.DAT\n"));
}

TEST_F(JournalTest, ReplayAfterACrashMidWay) {
  WrittenJournal();
  // The first two changes were made when the power went.
  test::fs::rename("F10R2.DAT.~new", "F10R2.DAT");
  test::fs::rename("F09R0.DAT.~new", "F09R0.DAT");
  EXPECT_TRUE(rec::JournalPending());
  EXPECT_EQ(rec::RecoverJournal(), Recovery::kCompleted);
  ExpectSplitDone();
  EXPECT_EQ(rec::RecoverJournal(), Recovery::kNone);
  ExpectSplitDone();
}

TEST_F(JournalTest, AJournalThatCannotBeCompletedNowStaysForTheNextRun) {
  std::string journal = WrittenJournal();
  FailRenamesAfter(0);
  const std::uint64_t failures = rec::FailureCount();
  EXPECT_EQ(rec::RecoverJournal(), Recovery::kFailed);
  EXPECT_GT(rec::FailureCount(), failures);
  EXPECT_EQ(ReadFile("LANVO.JNL"), journal);
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(rec::RecoverJournal(), Recovery::kCompleted);
  ExpectSplitDone();
}

TEST_F(JournalTest, JournalBeingWrittenIsNotACommit) {
  PrepareSplit();
  WriteFile("LANVO.JN~", "R F10R2.DAT\nC F09R0.DAT\n");
  EXPECT_EQ(rec::RecoverJournal(), Recovery::kNone);
  EXPECT_EQ(ReadFile("F10R2.DAT"), "old clients");
  EXPECT_EQ(test::Snapshot(".").size(), 2u);
}

// A customer's folder may hold a journal of another program, or one made to
// reach files elsewhere: with a right checksum it is still carried out in no
// part, not even its changes that this program makes.
TEST_F(JournalTest, AJournalNamingAFileOutsideTheFolderIsRefusedWhole) {
  PrepareSplit();
  std::string drive = victim().root_name().empty() ? "C:" : victim().root_name().string();
  for (const std::string& name : {victim().string(), "..\\" + VictimName(), "../" + VictimName(),
                                  VictimFromRoot(), drive + VictimFromRoot()}) {
    SCOPED_TRACE(name);
    ExpectRefusedWithEitherEnd("R F10R2.DAT\nD " + name + "\n");
    ExpectRefusedWithEitherEnd("R F10R2.DAT\nK F10R2.DAT\t" + name + "\n");
  }
}

TEST_F(JournalTest, AJournalWithAChangeNoStepMakesIsRefusedWhole) {
  PrepareSplit();
  WriteFile("NOTES.TXT", "notes");
  ExpectRefusedWithEitherEnd("R F10R2.DAT\nD NOTES.TXT\n");
  ExpectRefusedWithEitherEnd("C F09R0.DAT\nD F10R2.DAT\n");  // a name of ours, a change no step makes
  ExpectRefusedWithEitherEnd("K F10R2.DAT\tF90.TMP\n");  // the backup of another file
  ExpectRefused(Journal("R F10R2.DAT\n\nD F24.DAT\n"));
}

TEST_F(JournalTest, ACutJournalIsRefusedWhole) {
  std::string journal = WrittenJournal();
  for (std::size_t length = 0; length < journal.size(); ++length) {
    SCOPED_TRACE(length);
    ExpectRefused(journal.substr(0, length));
  }
}

TEST_F(JournalTest, AnEditedJournalIsRefusedWhole) {
  std::string journal = WrittenJournal();
  for (std::size_t at = 0; at < journal.size(); ++at) {
    SCOPED_TRACE(at);
    std::string edited = journal;
    edited[at] ^= 0x01;  // "F09R0" becomes "F09R1", "D" becomes "E", a digit another
    ExpectRefused(edited);
  }
  ExpectRefused(journal + "D F24.DAT\n");  // a change after the end line
}

TEST_F(JournalTest, NoNewChangesWhileAnOldJournalWaits) {
  FileChanges changes = PrepareSplit();
  WriteFile("LANVO.JNL", "END\n");
  EXPECT_FALSE(changes.Apply());
  EXPECT_EQ(ReadFile("F10R2.DAT"), "old clients");
}

// A step that journals a change missing from the journal's list would write a
// journal that the next run refuses: it is refused at once, before any of it
// is written.
TEST_F(JournalTest, AChangeNoStepMakesIsNeverJournalled) {
  for (const std::string& name : {std::string("NOTES.DAT"), "..\\" + VictimName(), victim().string()}) {
    SCOPED_TRACE(name);
    FileChanges changes = PrepareSplit();
    changes.Delete(name);
    WriteFile(victim(), "victim");
    auto before = test::Snapshot(".");
    const std::uint64_t failures = rec::FailureCount();
    EXPECT_FALSE(changes.Apply());
    EXPECT_GT(rec::FailureCount(), failures);
    EXPECT_EQ(test::Snapshot("."), before);
    EXPECT_EQ(ReadFile(victim()), "victim");
  }
}

// The clean-up takes only the temporary files that this program's own naming
// makes; other files of those patterns are somebody else's.
TEST_F(JournalTest, OnlyLeftoversOfOurOwnNamesAreRemoved) {
  WriteFile("F10R2.DAT.~new", "new clients");
  WriteFile("f10.tmp.~part", "half a backup");
  WriteFile("F10R2-250-2.BAK.~part", "half a backup under a numbered name");
  WriteFile("F10-X.TMP.~part", "not a number of ours");
  WriteFile("LANVO.JN~", "R F10R2.DAT\n");
  WriteFile("notes.~new", "notes");
  WriteFile("F10R2.BAK.~part", "a copy of another program");
  WriteFile(victim(), "victim");
#ifndef _WIN32
  WriteFile(folder() / ("..\\" + VictimName()), "a name with a backslash");
#endif
  EXPECT_EQ(rec::RecoverJournal(), Recovery::kNone);
  EXPECT_FALSE(FileExists("F10R2.DAT.~new"));
  EXPECT_FALSE(FileExists("f10.tmp.~part"));
  EXPECT_FALSE(FileExists("F10R2-250-2.BAK.~part"));
  EXPECT_EQ(ReadFile("F10-X.TMP.~part"), "not a number of ours");
  EXPECT_FALSE(FileExists("LANVO.JN~"));
  EXPECT_EQ(ReadFile("notes.~new"), "notes");
  EXPECT_EQ(ReadFile("F10R2.BAK.~part"), "a copy of another program");
  EXPECT_EQ(ReadFile(victim()), "victim");
#ifndef _WIN32
  EXPECT_EQ(ReadFile(folder() / ("..\\" + VictimName())), "a name with a backslash");
#endif
}

}  // namespace
