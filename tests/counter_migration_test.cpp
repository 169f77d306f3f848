// The counter migration: the six fields of CONFIGA.DAT become counters of the
// empty group in F34.DAT, each only when it holds a value the counters file
// can keep.
#include "convert/counter_migration.hpp"

#include "recfile/counters.hpp"
#include "recfile/journal.hpp"
#include "tests/support.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::Record;
using test::WriteFile;

// CONFIGA.DAT: six fields of 11 characters, the last codes of modules 10, 60,
// 11, 14, 9 and 4.
std::string OldCounters(const std::vector<std::string>& fields) {
  Record record(66);
  for (std::size_t k = 0; k < fields.size(); ++k) record.Set(k * 11, 11, fields[k]);
  return record;
}
// A record of F34.DAT: group, name, value, each in 10.
std::string Counter(const std::string& name, const std::string& value) {
  return Record(30).Set(10, 10, name).Set(20, 10, value);
}

class CounterMigrationTest : public test::FolderTest {
 protected:
  test::MessageLog messages_;
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
};

TEST_F(CounterMigrationTest, OnlyValuesFromOneToJustBelowTheLimitMove) {
  WriteFile("CONFIGA.DAT", OldCounters({"150", "0", "-3", "999999999", "ABC", "7"}));
  convert::MigrateOldCounters();
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("10", "150") + Counter("4", "7"));
  EXPECT_FALSE(FileExists("CONFIGA.DAT"));
}

TEST_F(CounterMigrationTest, EverySixCountersInOrder) {
  WriteFile("CONFIGA.DAT", OldCounters({"  12", "+60", "999999998", "14x", "9", "0004"}));
  convert::MigrateOldCounters();
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("10", "12") + Counter("60", "60") + Counter("11", "999999998") +
                                     Counter("14", "14") + Counter("9", "9") + Counter("4", "4"));
}

TEST_F(CounterMigrationTest, AShortFileGivesWhatItHolds) {
  WriteFile("CONFIGA.DAT", "25         3");  // the second field is one character
  convert::MigrateOldCounters();
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("10", "25") + Counter("60", "3"));
  EXPECT_FALSE(FileExists("CONFIGA.DAT"));
}

TEST_F(CounterMigrationTest, NothingToCarryStillDeletesTheOldFile) {
  WriteFile("CONFIGA.DAT", OldCounters({"0", "", "-1"}));
  convert::MigrateOldCounters();
  EXPECT_FALSE(FileExists("F34.DAT"));
  EXPECT_FALSE(FileExists("CONFIGA.DAT"));
}

TEST_F(CounterMigrationTest, AnExistingCountersFileStopsIt) {
  WriteFile("CONFIGA.DAT", OldCounters({"150"}));
  WriteFile("F34.DAT", Counter("10", "900"));
  convert::MigrateOldCounters();
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("10", "900"));
  EXPECT_TRUE(FileExists("CONFIGA.DAT"));
}

TEST_F(CounterMigrationTest, TheOldFileIsFoundInAnyLetterCase) {
  WriteFile("configa.dat", OldCounters({"5"}));
  convert::MigrateOldCounters();
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("10", "5"));
  EXPECT_FALSE(FileExists("configa.dat"));
}

TEST_F(CounterMigrationTest, ACounterThatCannotBeWrittenKeepsTheOldFile) {
  WriteFile("CONFIGA.DAT", OldCounters({"150"}));
  test::MessageLog messages;  // the guarded open reports its own failure
  // The first open, of CONFIGA.DAT, succeeds; the counters file cannot be opened.
  int opens = 0;
  plat::TestHooks().before_file_op = [&opens](plat::FileOp op) { return op != plat::FileOp::kOpen || ++opens == 1; };
  convert::MigrateOldCounters();
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_FALSE(FileExists("F34.DAT"));
  EXPECT_EQ(ReadFile("CONFIGA.DAT"), OldCounters({"150"}));
}

}  // namespace

namespace {

// Whatever file operation fails, the old counters are either all in F34.DAT
// or all still in CONFIGA.DAT; never a counters file with some of them, which
// would stop the migration for good.
TEST_F(CounterMigrationTest, AFailureAnywhereLeavesAllOrNothing) {
  const std::string old = OldCounters({"150", "60", "11", "14", "9", "7"});
  WriteFile("CONFIGA.DAT", old);
  convert::MigrateOldCounters();
  const std::string all = ReadFile("F34.DAT");
  for (int failing = 1;; ++failing) {
    SCOPED_TRACE(failing);
    for (auto& entry : test::fs::directory_iterator(".")) test::fs::remove_all(entry.path());
    WriteFile("CONFIGA.DAT", old);
    int ops = 0;
    plat::TestHooks().before_file_op = [&ops, failing](plat::FileOp) { return ++ops != failing; };
    convert::MigrateOldCounters();
    plat::TestHooks().before_file_op = nullptr;
    plat::ClearRefusals();  // what follows is the next command
    bool done = !FileExists("CONFIGA.DAT");
    if (done) {
      EXPECT_EQ(ReadFile("F34.DAT"), all);
    } else {
      EXPECT_EQ(ReadFile("CONFIGA.DAT"), old);
      if (!rec::JournalPending()) {
        EXPECT_FALSE(FileExists("F34.DAT"));
      }
    }
    // The next run finishes the work.
    EXPECT_TRUE(rec::RecoverPending());
    convert::MigrateOldCounters();
    EXPECT_EQ(ReadFile("F34.DAT"), all);
    EXPECT_FALSE(FileExists("CONFIGA.DAT"));
    EXPECT_EQ(test::Snapshot(".").size(), 1u);
    if (ops < failing) break;  // the last run had no operation left to fail
    ASSERT_LT(failing, 500);
  }
}

}  // namespace
