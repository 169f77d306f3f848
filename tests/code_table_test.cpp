// The code table: F13.DAT into F24.DAT, kind "1".
#include "convert/conversion.hpp"
#include "tests/convert_support.hpp"
#include "tests/step1_layouts.hpp"

namespace {

using test::Record;
using test::RunBody;
namespace f13 = test::layout::f13;
namespace f24 = test::layout::f24;

class CodeTableTest : public test::FolderTest {};

Record OldCode(const std::string& code, const std::string& name) {
  return Record(f13::kLength).Set(f13::kCode, f13::kCodeW, code).Set(f13::kName, f13::kNameW, name)
      .Set(f13::kRest, f13::kRestW, std::string(f13::kRestW, '~'));
}

Record NewCode(const std::string& code, const std::string& name) {
  return Record(f24::kLength).Set(f24::kKind, "1").Set(f24::kCode, f24::kCodeW, code).Set(f24::kName, f24::kNameW, name);
}

TEST_F(CodeTableTest, TwoRecordsGive120CharactersOfKindOne) {
  std::string name(30, 'B');
  name.front() = '\xC1';
  test::Converted out = RunBody(ConvertCodeTable, OldCode("0341", name).bytes() + OldCode("7", "CAIXA").bytes());
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.bytes.size(), 120u);
  EXPECT_EQ(out.bytes, NewCode("0341", name).bytes() + NewCode("7", "CAIXA").bytes());
}

TEST_F(CodeTableTest, LastRecordCutShortKeepsWhatItHas) {
  Record first = OldCode("0001", "PRIMEIRO");
  Record second = OldCode("0002", "SEGUNDO NOME");
  EXPECT_EQ(RunBody(ConvertCodeTable, first.bytes() + second.Get(0, 2)).bytes,
            NewCode("0001", "PRIMEIRO").bytes() + NewCode("00", "").bytes());
  EXPECT_EQ(RunBody(ConvertCodeTable, first.bytes() + second.Get(0, 10)).bytes,
            NewCode("0001", "PRIMEIRO").bytes() + NewCode("0002", "SEGUND").bytes());
  EXPECT_EQ(RunBody(ConvertCodeTable, first.bytes() + second.Get(0, 40)).bytes,
            NewCode("0001", "PRIMEIRO").bytes() + NewCode("0002", "SEGUNDO NOME").bytes());
  EXPECT_EQ(RunBody(ConvertCodeTable, "").bytes, "");
}

}  // namespace
