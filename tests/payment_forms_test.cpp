// The payment forms: F14.DAT into F14R0.DAT, the slots grouped into runs.
#include <string>
#include <vector>

#include "ui/text_dialog.hpp"
#include "convert/payment_forms.hpp"
#include "tests/convert_support.hpp"
#include "tests/step1_layouts.hpp"

namespace {

using test::NewForm;
using test::OldForm;
using test::Record;
namespace f14r0 = test::layout::f14r0;

const char kWarning[] = "Problema na conversão das formas de pagamento.\nConsulte o suporte técnico.";

class PaymentFormsTest : public test::FolderTest {
 protected:
  test::Converted Convert(const std::string& source) {
    return test::RunBody([&](rec::Stream& in, rec::Stream& out) { return ConvertPaymentForms(&dialog_, in, out); },
                         source);
  }
  ui::TextDialog dialog_{ui::ConversionDialogItems(), "Lanvo 3.03"};
};

TEST_F(PaymentFormsTest, SlotsGroupIntoRunsOfEqualValues) {
  struct Case {
    std::vector<std::string> slots;
    std::vector<std::string> groups;
  };
  const std::vector<Case> cases = {
      {{"30", "30", "30"}, {"3 30"}},
      {{"30", "0", "30", "60"}, {"2 30", "1 60"}},
      {{"30", "60", "30"}, {"1 30", "1 60", "1 30"}},
      // Blank, zero and negative slots are passed over, also inside a run.
      {{"", "  45", "00000", "-10", "45", "", "90"}, {"2 45", "1 90"}},
      // The count takes two characters and the value five, with nothing between.
      {{"12345", "99999", "99999"}, {"1 12345", "2 99999"}},
      {std::vector<std::string>(24, "7"), {"247"}},
      {{"+28", " 28 ", "28x"}, {"3 28"}},
      {{}, {}},
  };
  std::string source, expected;
  for (std::size_t n = 0; n < cases.size(); ++n) {
    std::string code = std::to_string(100 + n), description = "FORMA " + std::to_string(n) + " \xC0 VISTA";
    source += OldForm(code, description, cases[n].slots).bytes();
    expected += NewForm(code, description, cases[n].groups).bytes();
  }
  test::MessageLog log;
  test::Converted out = Convert(source);
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.bytes, expected);
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(PaymentFormsTest, OneGroupIsWrittenAsCountSpaceValue) {
  std::string out = Convert(OldForm("001", "30 60 90", {"30", "30", "30"})).bytes;
  EXPECT_EQ(out.substr(f14r0::kGroups, 7), "3 30   ");
  EXPECT_EQ(out.substr(f14r0::kGroups + 7), std::string(9 * 7 + f14r0::kTailW, ' '));
}

TEST_F(PaymentFormsTest, MoreThanSixGroupsWarnOnceAfterTheWholeFile) {
  std::vector<std::string> seven = {"10", "20", "30", "40", "50", "60", "70"};
  std::vector<std::string> eleven = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"};
  std::vector<std::string> six = {"10", "20", "10", "20", "10", "20"};
  struct Shown {
    plat::Dialog* owner;
    std::string text, caption;
    unsigned flags;
  };
  std::vector<Shown> boxes;
  plat::TestHooks().message_box = [&](plat::Dialog* owner, std::string_view text, std::string_view caption,
                                      unsigned flags) {
    boxes.push_back({owner, std::string(text), std::string(caption), flags});
    return plat::kIdOk;
  };
  test::Converted out = Convert(OldForm("001", "SETE", seven).bytes() + OldForm("002", "SEIS", six).bytes() +
                                OldForm("003", "ONZE", eleven).bytes());
  plat::TestHooks().message_box = nullptr;

  EXPECT_TRUE(out.ok);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, &dialog_);
  EXPECT_EQ(boxes[0].text, kWarning);
  EXPECT_EQ(boxes[0].caption, "Lanvo");
  EXPECT_EQ(boxes[0].flags, static_cast<unsigned>(plat::kIconWarning | plat::kOk));
  // Seven groups are all written; of eleven, the first ten.
  EXPECT_EQ(out.bytes, NewForm("001", "SETE", {"1 10", "1 20", "1 30", "1 40", "1 50", "1 60", "1 70"}).bytes() +
                           NewForm("002", "SEIS", {"1 10", "1 20", "1 10", "1 20", "1 10", "1 20"}).bytes() +
                           NewForm("003", "ONZE", {"1 1", "1 2", "1 3", "1 4", "1 5", "1 6", "1 7", "1 8", "1 9",
                                                   "1 10"}).bytes());
}

TEST_F(PaymentFormsTest, SixGroupsDoNotWarn) {
  test::MessageLog log;
  Convert(OldForm("001", "SEIS", {"1", "2", "3", "4", "5", "6"}));
  EXPECT_TRUE(log.messages().empty());
}

// A last form cut short keeps the characters it has: code, description and
// the slots that were read whole or in part.
TEST_F(PaymentFormsTest, LastFormCutShortKeepsWhatItHas) {
  Record first = OldForm("001", "PRIMEIRA", {"30"});
  Record last = OldForm("002", "SEGUNDA FORMA", {"30", "45", "60"});
  struct Case {
    std::size_t cut;
    Record expected;
  };
  const std::vector<Case> cases = {
      {2, NewForm("00", "", {})},
      {4, NewForm("002", "", {})},
      {10, NewForm("002", "SEGUND", {})},
      {35, NewForm("002", "SEGUNDA FORMA", {})},
      {36, NewForm("002", "SEGUNDA FORMA", {"1 3"})},
      {42, NewForm("002", "SEGUNDA FORMA", {"1 30", "1 45"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cut);
    test::Converted out = Convert(first.bytes() + last.Get(0, c.cut));
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.bytes, NewForm("001", "PRIMEIRA", {"1 30"}).bytes() + c.expected.bytes());
  }
}

TEST_F(PaymentFormsTest, FailedWriteIsReported) {
  std::string source;
  for (int n = 0; n < 1000; ++n) source += OldForm(std::to_string(n), "X", {"30"}).bytes();
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  test::Converted out = Convert(source);
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_FALSE(out.ok);
}

}  // namespace
