// Files written under a temporary name: on their own, put in place by a
// rename that never replaces, and as one of the files of a journal.
#include "recfile/new_file.hpp"

#include "recfile/journal.hpp"
#include "tests/support.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;

constexpr auto kByJournal = rec::NewFile::Placing::kJournal;

class NewFileTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
};

TEST_F(NewFileTest, AppearsOnlyWhenCommitted) {
  {
    rec::NewFile target("T.DAT");
    ASSERT_TRUE(target.stream());
    target.stream()->Write("half");
    EXPECT_FALSE(FileExists("T.DAT"));
  }  // dropped: nothing remains, not even the temporary file
  EXPECT_FALSE(FileExists("T.DAT"));
  EXPECT_TRUE(test::Snapshot(".").empty());

  rec::NewFile target("T.DAT");
  target.stream()->Write("whole");
  EXPECT_TRUE(target.Commit());
  EXPECT_EQ(ReadFile("T.DAT"), "whole");
  EXPECT_EQ(test::Snapshot(".").size(), 1u);
}

TEST_F(NewFileTest, NeverReplacesAnExistingTarget) {
  WriteFile("T.DAT", "older");
  rec::NewFile target("T.DAT");
  target.stream()->Write("newer");
  EXPECT_FALSE(target.Commit());
  EXPECT_EQ(ReadFile("T.DAT"), "older");
  EXPECT_EQ(test::Snapshot(".").size(), 1u);
}

TEST_F(NewFileTest, WithAFailedWriteIsNotCommitted) {
  rec::NewFile target("T.DAT");
  target.stream()->Write("bytes");
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  EXPECT_FALSE(target.Commit());
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_FALSE(FileExists("T.DAT"));
  EXPECT_TRUE(test::Snapshot(".").empty());
}

TEST_F(NewFileTest, AFileOfAJournalIsPutInPlaceByTheChanges) {
  {
    // The journal takes only the changes that the steps make.
    rec::NewFile target("F40.DAT", kByJournal);
    ASSERT_TRUE(target.stream());
    target.stream()->Write("documents");
    ASSERT_TRUE(target.Finish());
    rec::FileChanges changes;
    changes.Create("F40.DAT");
    EXPECT_TRUE(rec::ApplyChanges(changes, {&target, nullptr}));
  }
  EXPECT_EQ(ReadFile("F40.DAT"), "documents");
  EXPECT_EQ(test::Snapshot(".").size(), 1u);
}

TEST_F(NewFileTest, AFileOfAJournalThatRefusedItGoes) {
  {
    rec::NewFile target("T.DAT", kByJournal);
    ASSERT_TRUE(target.Finish());
    rec::FileChanges changes;
    changes.Create("T.DAT");  // no step makes this change
    EXPECT_FALSE(rec::ApplyChanges(changes, {&target}));
  }
  EXPECT_TRUE(test::Snapshot(".").empty());
}

TEST_F(NewFileTest, AFileOfAJournalThatNeverReachedItGoes) {
  {
    rec::NewFile target("T.DAT", kByJournal);
    ASSERT_TRUE(target.stream());
    target.stream()->Write("half");
  }
  EXPECT_TRUE(test::Snapshot(".").empty());
}

TEST_F(NewFileTest, WhileAJournalWaitsItsPendingFilesAreLeftToIt) {
  WriteFile("LANVO.JNL", "R T.DAT\n");
  WriteFile(rec::NewFile::PendingName("T.DAT"), "the journal's");
  {
    rec::NewFile target("T.DAT", kByJournal);
    EXPECT_FALSE(target.stream());
    EXPECT_FALSE(target.Finish());
  }
  EXPECT_EQ(ReadFile(rec::NewFile::PendingName("T.DAT")), "the journal's");
  // A file of its own is written all the same.
  rec::NewFile own("U.DAT");
  ASSERT_TRUE(own.stream());
  EXPECT_TRUE(own.Commit());
  EXPECT_TRUE(FileExists("U.DAT"));
}

}  // namespace
