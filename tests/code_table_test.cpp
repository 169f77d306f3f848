// The code table: F13.DAT into F24.DAT, kind "1".
#include "convert/code_table.hpp"
#include "tests/convert_support.hpp"

namespace {

using test::NewCode;
using test::OldCode;
using test::Record;
using test::RunBody;

class CodeTableTest : public test::FolderTest {};

TEST_F(CodeTableTest, TwoRecordsGive120CharactersOfKindOne) {
  std::string name(30, 'B');
  name.front() = '\xC1';
  test::Converted out = RunBody(ConvertCodeTable, OldCode("0341", name).bytes() + OldCode("7", "CAIXA").bytes());
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.bytes.size(), 120u);
  EXPECT_EQ(out.bytes[0], '1');
  EXPECT_EQ(out.bytes[60], '1');
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
