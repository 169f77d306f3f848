#include "recfile/counters.hpp"

#include "tests/support.hpp"

namespace {

using test::FolderTest;
using test::Message;
using test::MessageLog;
using test::ReadFile;
using test::Record;
using test::WriteFile;

// The record of F34.DAT.
constexpr std::size_t kLength = 30;
constexpr std::size_t kGroupAt = 0, kGroupWidth = 10;
constexpr std::size_t kNameAt = 10, kNameWidth = 10;
constexpr std::size_t kValueAt = 20, kValueWidth = 10;
constexpr std::size_t kMarkAt = 29;

std::string Counter(const std::string& group, const std::string& name, const std::string& value,
                    bool deleted = false) {
  Record r(kLength);
  r.Set(kGroupAt, kGroupWidth, group).Set(kNameAt, kNameWidth, name).Set(kValueAt, kValueWidth, value);
  if (deleted) r.Set(kMarkAt, "+");
  return r;
}

std::string StoredValue(std::size_t record) {
  return test::Field(ReadFile("F34.DAT"), kLength, record, kValueAt, kValueWidth);
}

class CounterTest : public FolderTest {};

// ---------------------------------------------------------------------------
// Set

TEST_F(CounterTest, SetInAFolderWithoutTheFileCreatesOneExactRecord) {
  MessageLog log;
  EXPECT_TRUE(CounterSet("", "9", 42));
  EXPECT_EQ(ReadFile("F34.DAT"), std::string(10, ' ') + "9" + std::string(9, ' ') + "42" + std::string(8, ' '));
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(CounterTest, SetRewritesAnExistingCounterInPlace) {
  WriteFile("F34.DAT", Counter("", "10", "5") + Counter("", "60", "7") + Counter("X", "10", "9"));
  EXPECT_TRUE(CounterSet("", "60", 1234));
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("", "10", "5") + Counter("", "60", "1234") + Counter("X", "10", "9"));
}

TEST_F(CounterTest, SetAppendsANewCounterAfterCompletingACutRecord) {
  WriteFile("F34.DAT", Counter("", "10", "5") + "          60");
  EXPECT_TRUE(CounterSet("", "4", 3));
  EXPECT_EQ(ReadFile("F34.DAT"),
            Counter("", "10", "5") + Counter("", "60", "") + Counter("", "4", "3"));
}

// Found by fuzzing: a last record cut short inside the key of the very
// counter being written was completed with spaces and the counter appended
// behind it; the search then found the completed record first, with a blank
// value, and the next code repeated one already handed out.
TEST_F(CounterTest, ACutRecordOfTheSameCounterIsCompletedNotFollowedByASecondOne) {
  for (const std::string cut : {"X", "          6", "          60       "}) {
    SCOPED_TRACE(cut);
    std::string key_group = cut.substr(0, 10), key_name = cut.size() > 10 ? cut.substr(10) : "";
    WriteFile("F34.DAT", Counter("", "10", "5") + cut);
    long value = 0;
    ASSERT_TRUE(CounterNext(key_group.c_str(), key_name.c_str(), &value, 6));
    EXPECT_EQ(value, 1);
    ASSERT_TRUE(CounterNext(key_group.c_str(), key_name.c_str(), &value, 6));
    EXPECT_EQ(value, 2);
    EXPECT_EQ(ReadFile("F34.DAT"), Counter("", "10", "5") + Counter(key_group, key_name, "2"));
  }
  // Another counter is still appended after the completed record.
  WriteFile("F34.DAT", Counter("", "10", "5") + "X");
  EXPECT_TRUE(CounterSet("Y", "", 7));
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("", "10", "5") + Counter("X", "", "") + Counter("Y", "", "7"));
}

// Each text is cleaned before the record is put together, so that a collapsed
// pair shortens the group, not the record: the name stays at its offset.
TEST_F(CounterTest, GroupAndNameAreCleanedAndCutToTheirFields) {
  EXPECT_TRUE(CounterSet("Pra\xC3\xA7" "a\t1", "10", 8));
  EXPECT_TRUE(CounterSet("GRUPOLONGO-X", "NOMELONGO-XY", 9));
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("Pra\xE7" "a 1", "10", "8") + Counter("GRUPOLONGO", "NOMELONGO-", "9"));
  long value = 0;
  EXPECT_TRUE(CounterRead("Pra\xC3\xA7" "a\t1", "10", &value));
  EXPECT_EQ(value, 8);
  EXPECT_TRUE(CounterRead("GRUPOLONGO", "NOMELONGO-", &value));
  EXPECT_EQ(value, 9);
}

TEST_F(CounterTest, SetThatCannotBeWrittenIsNotReportedAsWritten) {
  WriteFile("F34.DAT", Counter("", "10", "5"));
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  EXPECT_FALSE(CounterSet("", "10", 6));
  EXPECT_FALSE(CounterSet("", "11", 1));
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("", "10", "5"));
}

TEST_F(CounterTest, SetRefusedByTheGuardedOpenAnswersZero) {
  MessageLog log;
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kOpen; };
  EXPECT_FALSE(CounterSet("", "10", 6));
  plat::TestHooks().before_file_op = nullptr;
  ASSERT_EQ(log.messages().size(), 1u);
  EXPECT_EQ(log.messages()[0].caption, "FOpen2");
}

// ---------------------------------------------------------------------------
// Read

TEST_F(CounterTest, ReadOfAMissingCounterOrFileIsZero) {
  long value = 77;
  EXPECT_TRUE(CounterRead("", "10", &value));
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(test::FileExists("F34.DAT"));
  WriteFile("F34.DAT", Counter("", "60", "3"));
  value = 77;
  EXPECT_TRUE(CounterRead("", "10", &value));
  EXPECT_EQ(value, 0);
}

TEST_F(CounterTest, StoredValuesOutsideTheRangeReadAsZero) {
  WriteFile("F34.DAT", Counter("", "1", "-5") + Counter("", "2", "1234567890") +
                           Counter("", "3", "999999999") + Counter("", "4", "0"));
  const std::pair<const char*, long> expected[] = {{"1", 0}, {"2", 0}, {"3", 999999999}, {"4", 0}};
  for (auto [name, want] : expected) {
    long value = -1;
    EXPECT_TRUE(CounterRead("", name, &value)) << name;
    EXPECT_EQ(value, want) << name;
  }
}

TEST_F(CounterTest, KeyOfSpacesFindsNothingEvenABlankRecord) {
  WriteFile("F34.DAT", Counter("", "", "77"));
  long value = -1;
  EXPECT_TRUE(CounterRead("", "", &value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(CounterSet("  ", " ", 3));  // appended, the blank record untouched
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("", "", "77") + Counter("", "", "3"));
}

TEST_F(CounterTest, ValueThatCannotBeReadIsReported) {
  // The key is there, the value is not: the file ends after the name.
  WriteFile("F34.DAT", Counter("", "10", "5").substr(0, 20));
  MessageLog log;
  long value = -1;
  EXPECT_FALSE(CounterRead("", "10", &value));
  EXPECT_FALSE(CounterNext("", "10", &value, 6));
  EXPECT_EQ(value, 0);
  const Message failed{"Erro ao abrir ou posicionar arquivo de contadores.", "MacroCodeCad", plat::kIconError};
  EXPECT_EQ(log.messages(), std::vector<Message>(2, failed));
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("", "10", "5").substr(0, 20));
}

// ---------------------------------------------------------------------------
// Next

TEST_F(CounterTest, NextOfANewCounterAppendsOne) {
  WriteFile("F34.DAT", Counter("", "60", "3"));
  long value = 0;
  EXPECT_TRUE(CounterNext("", "10", &value, 6));
  EXPECT_EQ(value, 1);
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("", "60", "3") + Counter("", "10", "1"));
}

TEST_F(CounterTest, NextRunsUpToTheNinesAndWrapsToOne) {
  struct Case {
    const char* stored;
    int digits;
    long next;
  };
  // Digits outside 1 to 9 count as 6.
  const Case cases[] = {{"999998", 6, 999999}, {"999999", 6, 1}, {"999999", 0, 1}, {"999998", 12, 999999},
                        {"999999", -3, 1},     {"999", 3, 1},    {"999", 4, 1000},  {"0", 6, 1},
                        {"41", 2, 42}};
  for (const Case& c : cases) {
    WriteFile("F34.DAT", Counter("G", "10", c.stored));
    long value = 0;
    EXPECT_TRUE(CounterNext("G", "10", &value, c.digits)) << c.stored << " " << c.digits;
    EXPECT_EQ(value, c.next) << c.stored << " " << c.digits;
    EXPECT_EQ(ReadFile("F34.DAT"), Counter("G", "10", std::to_string(c.next)));
  }
}

TEST_F(CounterTest, DeletedRecordWithTheKeyIsPassedOver) {
  WriteFile("F34.DAT", Counter("", "10", "5", true) + Counter("", "60", "1") + Counter("", "10", "7"));
  long value = 0;
  EXPECT_TRUE(CounterRead("", "10", &value));
  EXPECT_EQ(value, 7);
  EXPECT_TRUE(CounterNext("", "10", &value, 6));
  EXPECT_EQ(value, 8);
  EXPECT_EQ(ReadFile("F34.DAT"),
            Counter("", "10", "5", true) + Counter("", "60", "1") + Counter("", "10", "8"));
}

TEST_F(CounterTest, NextThatCannotBeWrittenGivesNoCode) {
  WriteFile("F34.DAT", Counter("", "10", "5"));
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  long value = -1;
  EXPECT_FALSE(CounterNext("", "10", &value, 6));
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(value, 0);
  EXPECT_EQ(StoredValue(0), "5         ");
}

// ---------------------------------------------------------------------------
// Regroup

TEST_F(CounterTest, RegroupMovesTheFirstRecordWithTheKeyDeletedOrNot) {
  WriteFile("F34.DAT", Counter("", "60", "1") + Counter("A", "10", "5", true) + Counter("A", "10", "7"));
  EXPECT_TRUE(CounterRegroup("A", "10", "B"));
  EXPECT_EQ(ReadFile("F34.DAT"),
            Counter("", "60", "1") + Counter("B", "10", "5", true) + Counter("A", "10", "7"));
}

TEST_F(CounterTest, RegroupCutsTheNewGroupToItsField) {
  WriteFile("F34.DAT", Counter("A", "10", "5"));
  EXPECT_TRUE(CounterRegroup("A", "10", "NOVOGRUPO-LONGO"));
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("NOVOGRUPO-", "10", "5"));
}

TEST_F(CounterTest, RegroupWithoutAMatchOrAFileChangesNothing) {
  EXPECT_FALSE(CounterRegroup("A", "10", "B"));
  EXPECT_FALSE(test::FileExists("F34.DAT"));
  WriteFile("F34.DAT", Counter("A", "11", "5"));
  EXPECT_FALSE(CounterRegroup("A", "10", "B"));
  EXPECT_EQ(ReadFile("F34.DAT"), Counter("A", "11", "5"));
}

}  // namespace
