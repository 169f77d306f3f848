// The re-layout of fixed-length records by a table of moves.
#include "convert/relayout.hpp"
#include "tests/convert_support.hpp"

namespace {

class RelayoutTest : public test::FolderTest {};

// Source records of 10: "CCCC" at 0, a 4-character field at 4 of which the
// middle two are kept, 2 characters never read. Target records of 12: the
// lead "K", the code in 5, the kept part in 3, then 3 spaces.
constexpr FieldMove kMoves[] = {{0, 4, 0, 4, 5, 0}, {4, 4, 1, 2, 3, 3}};
constexpr RecordLayout kLayout = {10, 12, "K", kMoves};
static_assert(IsConsistent(kLayout));

TEST_F(RelayoutTest, EachRecordIsLeadThenFieldsPaddedToTheirWidths) {
  test::Converted out = test::RunBody(
      [](rec::Stream& in, rec::Stream& target) { return RelayoutRecords(in, target, kLayout); },
      "AAAAwxyz~~BBBBpqrs~~CC");
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.bytes, "KAAAA xy    KBBBB qr    KCC         ");
}

// Record files hold no line feed; one that slipped in is carried as any other
// byte and moves no field after it.
TEST_F(RelayoutTest, LineFeedInsideARecordShiftsNothing) {
  test::Converted out = test::RunBody(
      [](rec::Stream& in, rec::Stream& target) { return RelayoutRecords(in, target, kLayout); },
      "A\nAAwxyz~~BBBBp\nrs~~");
  EXPECT_EQ(out.bytes, "KA\nAA xy    KBBBB \nr    ");
}

TEST_F(RelayoutTest, ReadFailureIsNotTakenForTheEnd) {
  std::string source(10 * 1000, 'a');
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kRead; };
  test::Converted out = test::RunBody(
      [](rec::Stream& in, rec::Stream& target) { return RelayoutRecords(in, target, kLayout); }, source, 64);
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_FALSE(out.ok);
}

TEST(RelayoutTable, InconsistentTablesAreCaught) {
  constexpr FieldMove kTooWide[] = {{0, 4, 0, 4, 3, 0}};            // keeps more than its field holds
  constexpr FieldMove kPastRead[] = {{0, 4, 2, 3, 5, 0}};           // keeps past what it read
  constexpr FieldMove kPastRecord[] = {{0, 4, 0, 4, 4, 0}, {8, 4, 0, 4, 4, 0}};  // reads into the next record
  constexpr FieldMove kShortTarget[] = {{0, 4, 0, 4, 4, 0}};        // 4 of 12
  EXPECT_FALSE(IsConsistent({10, 3, "", kTooWide}));
  EXPECT_FALSE(IsConsistent({10, 5, "", kPastRead}));
  EXPECT_FALSE(IsConsistent({10, 8, "", kPastRecord}));
  EXPECT_FALSE(IsConsistent({10, 12, "", kShortTarget}));
  EXPECT_FALSE(IsConsistent({10, 12, "", kMoves}));  // without its lead, 11 of 12
}

}  // namespace
