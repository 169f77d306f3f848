// The two client passes: F10.DAT into F10R1.DAT, and F10R1.DAT into F10R2.DAT.
#include <string>

#include "convert/clients.hpp"
#include "tests/convert_support.hpp"
#include "tests/step1_layouts.hpp"

namespace {

using test::Converted;
using test::Record;
using test::RunBody;
namespace f10 = test::layout::f10;
namespace r1 = test::layout::f10r1;
namespace r2 = test::layout::f10r2;

class ClientsTest : public test::FolderTest {};

std::string Records(std::initializer_list<Record> records) {
  std::string bytes;
  for (const Record& r : records) bytes += r.bytes();
  return bytes;
}

// An F10R1.DAT record as an older release left it: every stretch, also those
// that pass 1 writes blank, holds text, and the bank code and the account lie
// in the last one.
Record OlderIntermediateClient(int n) {
  Record r = test::IntermediateClient(test::OldClient(n));
  for (auto [at, width] : {std::pair{r1::kBlank1, r1::kBlank1W}, {r1::kBlank2, r1::kBlank2W},
                           {r1::kBlank3, r1::kBlank3W}, {r1::kBlank4, r1::kBlank4W}})
    r.Set(at, width, std::string(width, '~'));
  r.Set(r1::kName + 40, 20, std::string(20, '~'));
  r.Set(r1::kGroup + 3, 7, std::string(7, '~'));
  r.Set(r1::kFarm2 + 30, 2, "~~");
  r.Set(r1::kBankCode, r1::kBankCodeW, std::to_string(340 + n));
  r.Set(r1::kBankAccount, r1::kBankAccountW, "0123-4 98765432-" + std::to_string(n));
  return r;
}

TEST_F(ClientsTest, TwoOldRecordsGive2740And2000Characters) {
  Record a = test::OldClient(1), b = test::OldClient(2);
  Converted mid = RunBody(ConvertClientsToR1, Records({a, b}));
  ASSERT_TRUE(mid.ok);
  EXPECT_EQ(mid.bytes.size(), 2740u);
  EXPECT_EQ(mid.bytes, Records({test::IntermediateClient(a), test::IntermediateClient(b)}));

  Converted fin = RunBody(ConvertClientsToR2, mid.bytes);
  ASSERT_TRUE(fin.ok);
  EXPECT_EQ(fin.bytes.size(), 2000u);
  EXPECT_EQ(fin.bytes, Records({test::NewClientFromOld(a), test::NewClientFromOld(b)}));
  // Characters that are read and dropped, or never read, never arrive.
  EXPECT_EQ(mid.bytes.find('~'), std::string::npos);
  EXPECT_EQ(fin.bytes.find('~'), std::string::npos);
}

TEST_F(ClientsTest, GroupKeepsThreeOfItsFourCharactersAndBlanksUpToTheFlag) {
  Record old = test::OldClient(1).Set(f10::kGroup, 4, "123Z");
  std::string fin = RunBody(ConvertClientsToR2, RunBody(ConvertClientsToR1, old).bytes).bytes;
  EXPECT_EQ(test::Field(fin, r2::kLength, 0, r2::kGroup, 8), "123     ");
  EXPECT_EQ(fin.find('Z'), std::string::npos);
}

TEST_F(ClientsTest, NameIsCutTo40) {
  Record old = test::OldClient(1).Set(f10::kName, 41, std::string(40, 'N') + "X");
  std::string mid = RunBody(ConvertClientsToR1, old).bytes;
  EXPECT_EQ(test::Field(mid, r1::kLength, 0, r1::kName, r1::kNameW), std::string(40, 'N') + std::string(20, ' '));
  std::string fin = RunBody(ConvertClientsToR2, mid).bytes;
  EXPECT_EQ(test::Field(fin, r2::kLength, 0, r2::kName, r2::kNameW + 1), std::string(40, 'N') + "B");
}

TEST_F(ClientsTest, OlderIntermediateFileBringsBankCodeAndAccount) {
  Record a = OlderIntermediateClient(1), b = OlderIntermediateClient(2);
  Converted fin = RunBody(ConvertClientsToR2, Records({a, b}));
  ASSERT_TRUE(fin.ok);
  EXPECT_EQ(fin.bytes, Records({test::NewClientFromIntermediate(a), test::NewClientFromIntermediate(b)}));
  EXPECT_EQ(test::Field(fin.bytes, r2::kLength, 1, r2::kBankCode, 4), "342 ");
  EXPECT_EQ(test::Field(fin.bytes, r2::kLength, 1, r2::kBankAccount, 16), "0123-4 98765432-");
  EXPECT_EQ(fin.bytes.find('~'), std::string::npos);
}

TEST_F(ClientsTest, EmptySourceGivesEmptyTarget) {
  EXPECT_EQ(RunBody(ConvertClientsToR1, "").bytes, "");
  EXPECT_EQ(RunBody(ConvertClientsToR2, "").bytes, "");
}

// A last record cut short is converted from the characters it has: the
// expectation is the same record completed with spaces. Nothing of the
// record before it may show through.
TEST_F(ClientsTest, LastRecordCutShortIsPaddedFieldByField) {
  Record first = test::OldClient(1);
  Record second = test::OldClient(2);
  for (std::size_t cut : {1u, 11u, 52u, 206u, 300u, 500u, 592u, 595u, 777u}) {
    SCOPED_TRACE(cut);
    Record present(f10::kLength);
    present.Set(0, cut, second.Get(0, cut));
    Converted mid = RunBody(ConvertClientsToR1, Records({first}) + second.Get(0, cut));
    ASSERT_TRUE(mid.ok);
    EXPECT_EQ(mid.bytes, Records({test::IntermediateClient(first), test::IntermediateClient(present)}));
  }
  Record mid1 = OlderIntermediateClient(1), mid2 = OlderIntermediateClient(2);
  for (std::size_t cut : {1u, 60u, 300u, 565u, 1016u, 1020u, 1369u}) {
    SCOPED_TRACE(cut);
    Record present(r1::kLength);
    present.Set(0, cut, mid2.Get(0, cut));
    Converted fin = RunBody(ConvertClientsToR2, Records({mid1}) + mid2.Get(0, cut));
    ASSERT_TRUE(fin.ok);
    EXPECT_EQ(fin.bytes, Records({test::NewClientFromIntermediate(mid1), test::NewClientFromIntermediate(present)}));
  }
}

TEST_F(ClientsTest, RecordsStraddlingTheStreamWindowConvertAlike) {
  std::string source;
  for (int n = 0; n < 40; ++n) source += test::OldClient(n).bytes();
  std::string whole = RunBody(ConvertClientsToR1, source).bytes;
  for (std::size_t window : {16u, 100u, 777u, 779u, 4096u}) {
    SCOPED_TRACE(window);
    Converted mid = RunBody(ConvertClientsToR1, source, window);
    EXPECT_TRUE(mid.ok);
    EXPECT_EQ(mid.bytes, whole);
    EXPECT_EQ(RunBody(ConvertClientsToR2, whole, window).bytes, RunBody(ConvertClientsToR2, whole).bytes);
  }
}

TEST_F(ClientsTest, FailedWriteIsReported) {
  std::string source = Records({test::OldClient(1), test::OldClient(2)});
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  Converted mid = RunBody(ConvertClientsToR1, source, 64);
  Converted fin = RunBody(ConvertClientsToR2, std::string(2740, 'x'), 64);
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_FALSE(mid.ok);
  EXPECT_FALSE(fin.ok);
}

}  // namespace
