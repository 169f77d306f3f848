#include "maintenance/code_map.hpp"

#include <string>

#include "tests/support.hpp"

namespace {

using maint::CodeMap;

class CodeMapTest : public test::FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    // TempFileName gives 102030045.tmp at 10:20:30.456.
    plat::TestHooks().now = [] { return plat::LocalTime{2026, 3, 15, 10, 20, 30, 456}; };
  }
  void TearDown() override {
    plat::TestHooks().now = nullptr;
    FolderTest::TearDown();
  }
};

TEST_F(CodeMapTest, StartsWithCodeZeroTakenAndEndsInZero) {
  CodeMap map;
  ASSERT_TRUE(map.Create());
  EXPECT_EQ(map.name(), "102030045.tmp");
  EXPECT_EQ(test::ReadFile(folder() / "102030045.tmp"), "1" + std::string(29999, ' ') + "0");
  map.Remove();
  EXPECT_FALSE(test::FileExists(folder() / "102030045.tmp"));
}

TEST_F(CodeMapTest, NeverTakesTheNameOfAnExistingFile) {
  test::WriteFile(folder() / "102030045.tmp", "a file of the user's");
  test::WriteFile(folder() / "102030046.tmp", "another one");
  {
    CodeMap map;
    ASSERT_TRUE(map.Create());
    EXPECT_EQ(map.name(), "102030047.tmp");
    EXPECT_EQ(test::ReadFile(folder() / "102030047.tmp").size(), 30001u);
  }
  EXPECT_EQ(test::ReadFile(folder() / "102030045.tmp"), "a file of the user's");
  EXPECT_EQ(test::ReadFile(folder() / "102030046.tmp"), "another one");
  EXPECT_FALSE(test::FileExists(folder() / "102030047.tmp"));
}

TEST_F(CodeMapTest, AMapThatCannotBeWrittenWholeIsNotKept) {
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  CodeMap map;
  EXPECT_FALSE(map.Create());
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_FALSE(test::FileExists(folder() / "102030045.tmp"));
  EXPECT_FALSE(map.Open());
}

TEST_F(CodeMapTest, HandsOutFreeCodesInIncreasingOrder) {
  CodeMap map;
  ASSERT_TRUE(map.Create());
  ASSERT_TRUE(map.Open());
  for (long taken : {1L, 2L, 5L, 0L, -3L, 30001L, 99999L}) map.MarkTaken(taken);
  map.Rewind();
  EXPECT_EQ(map.NextFree(), 3);
  EXPECT_EQ(map.NextFree(), 4);
  EXPECT_EQ(map.NextFree(), 6);
  EXPECT_EQ(map.NextFree(), 7);
  EXPECT_FALSE(map.Failed());
}

TEST_F(CodeMapTest, IsExhaustedAtThirtyThousand) {
  CodeMap map;
  ASSERT_TRUE(map.Create());
  ASSERT_TRUE(map.Open());
  for (long code = 1; code <= 29998; ++code) map.MarkTaken(code);
  map.Rewind();
  EXPECT_EQ(map.NextFree(), 29999);
  EXPECT_EQ(map.NextFree(), CodeMap::kEnd);
}

TEST_F(CodeMapTest, ATakenThirtyThousandRunsTheSearchToTheEnd) {
  CodeMap map;
  ASSERT_TRUE(map.Create());
  ASSERT_TRUE(map.Open());
  for (long code = 1; code <= 30000; ++code) map.MarkTaken(code);
  map.Rewind();
  EXPECT_EQ(map.NextFree(), CodeMap::kEnd);
  EXPECT_EQ(map.NextFree(), CodeMap::kEnd);
}

}  // namespace
