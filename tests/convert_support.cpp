#include "tests/convert_support.hpp"

#include "tests/step1_layouts.hpp"

namespace test {

Converted RunBody(const Body& body, const std::string& source, std::size_t window) {
  WriteFile("SOURCE.DAT", source);
  auto in = rec::Stream::Open("SOURCE.DAT", plat::OpenMode::kRead, window);
  auto out = rec::Stream::Open("TARGET.DAT", plat::OpenMode::kCreate, window);
  EXPECT_TRUE(in && out);
  if (!in || !out) return {false, ""};
  bool ok = body(*in, *out);
  in->Close();
  out->Close();
  return {ok, ReadFile("TARGET.DAT")};
}

std::string FieldText(const std::string& tag, int client, std::size_t width) {
  std::string unit = tag + std::to_string(client) + "\xC9";
  std::string text;
  while (text.size() < width) text += unit;
  return text.substr(0, width);
}

namespace {
namespace f10 = layout::f10;
namespace r1 = layout::f10r1;
namespace r2 = layout::f10r2;
}  // namespace

Record OldClient(int n) {
  Record r(f10::kLength);
  r.Set(0, f10::kLength, std::string(f10::kLength, '~'));
  r.Set(f10::kCode, 11, "0000" + std::to_string(n));
  r.Set(f10::kName, 40, FieldText("N", n, 40));
  r.Set(f10::kText2, 40, FieldText("B", n, 40));
  r.Set(f10::kText3, 40, FieldText("C", n, 40));
  r.Set(f10::kText4, 30, FieldText("D", n, 30));
  r.Set(f10::kPostal, 9, "8401" + std::to_string(n) + "-000");
  r.Set(f10::kText5, 30, FieldText("E", n, 30));
  r.Set(f10::kShort, 2, "S" + std::to_string(n));
  r.Set(f10::kTenChar, 10, FieldText("T", n, 10));
  r.Set(f10::kTaxpayer, 18, "123.456.789-0" + std::to_string(n));
  r.Set(f10::kAccount, 18, FieldText("A", n, 18));
  r.Set(f10::kPhone1, 31, FieldText("P", n, 31));
  r.Set(f10::kPhone2, 31, FieldText("Q", n, 31));
  r.Set(f10::kLongText, 60, FieldText("L", n, 60));
  r.Set(f10::kFarm1, 40, FieldText("F", n, 40));
  r.Set(f10::kFarm2, 30, FieldText("G", n, 30));
  r.Set(f10::kDocument2, 18, FieldText("R", n, 18));
  r.Set(f10::kGroup, 4, std::to_string(100 + n) + "9");
  r.Set(f10::kArea, 4, "(" + std::to_string(40 + n) + ")");
  return r;
}

Record IntermediateClient(const Record& old) {
  Record r(r1::kLength);
  r.Set(r1::kCode, r1::kCodeW, old.Get(f10::kCode, 11));
  r.Set(r1::kName, r1::kNameW, old.Get(f10::kName, 40));
  r.Set(r1::kText2, r1::kText2W, old.Get(f10::kText2, 40));
  r.Set(r1::kText3, r1::kText3W, old.Get(f10::kText3, 40));
  r.Set(r1::kText4, r1::kText4W, old.Get(f10::kText4, 30));
  r.Set(r1::kPostal, r1::kPostalW, old.Get(f10::kPostal, 9));
  r.Set(r1::kText5, r1::kText5W, old.Get(f10::kText5, 30));
  r.Set(r1::kShort, r1::kShortW, old.Get(f10::kShort, 2));
  r.Set(r1::kTenChar, r1::kTenCharW, old.Get(f10::kTenChar, 10));
  r.Set(r1::kArea, r1::kAreaW, old.Get(f10::kArea, 4));
  r.Set(r1::kPhone1, r1::kPhone1W, old.Get(f10::kPhone1, 31));
  r.Set(r1::kPhone2, r1::kPhone2W, old.Get(f10::kPhone2, 31));
  r.Set(r1::kLongText, r1::kLongTextW, old.Get(f10::kLongText, 60));
  r.Set(r1::kTaxpayer, r1::kTaxpayerW, old.Get(f10::kTaxpayer, 18));
  r.Set(r1::kDocument2, r1::kDocument2W, old.Get(f10::kDocument2, 18));
  r.Set(r1::kAccount, r1::kAccountW, old.Get(f10::kAccount, 18));
  r.Set(r1::kGroup, r1::kGroupW, old.Get(f10::kGroup, 4));
  r.Set(r1::kFarm1, r1::kFarm1W, old.Get(f10::kFarm1, 40));
  r.Set(r1::kFarm2, r1::kFarm2W, old.Get(f10::kFarm2, 30));
  return r;
}

Record NewClientFromIntermediate(const Record& mid) {
  Record r(r2::kLength);
  r.Set(r2::kCode, r2::kCodeW, mid.Get(r1::kCode, r1::kCodeW));
  r.Set(r2::kName, r2::kNameW, mid.Get(r1::kName, r2::kNameW));
  r.Set(r2::kText2, r2::kText2W, mid.Get(r1::kText2, r1::kText2W));
  r.Set(r2::kText3, r2::kText3W, mid.Get(r1::kText3, r1::kText3W));
  r.Set(r2::kText4, r2::kText4W, mid.Get(r1::kText4, r1::kText4W));
  r.Set(r2::kPostal, r2::kPostalW, mid.Get(r1::kPostal, r1::kPostalW));
  r.Set(r2::kText5, r2::kText5W, mid.Get(r1::kText5, r1::kText5W));
  r.Set(r2::kShort, r2::kShortW, mid.Get(r1::kShort, r1::kShortW));
  r.Set(r2::kGroup, r2::kGroupW, mid.Get(r1::kGroup, 3));
  r.Set(r2::kTenChar, r2::kTenCharW, mid.Get(r1::kTenChar, r1::kTenCharW));
  r.Set(r2::kTaxpayer, r2::kTaxpayerW, mid.Get(r1::kTaxpayer, r1::kTaxpayerW));
  r.Set(r2::kDocument2, r2::kDocument2W, mid.Get(r1::kDocument2, r1::kDocument2W));
  r.Set(r2::kArea, r2::kAreaW, mid.Get(r1::kArea, r1::kAreaW));
  r.Set(r2::kPhone1, r2::kPhone1W, mid.Get(r1::kPhone1, r1::kPhone1W));
  r.Set(r2::kPhone2, r2::kPhone2W, mid.Get(r1::kPhone2, r1::kPhone2W));
  r.Set(r2::kLongText, r2::kLongTextW, mid.Get(r1::kLongText, r1::kLongTextW));
  r.Set(r2::kAccount, r2::kAccountW, mid.Get(r1::kAccount, r1::kAccountW));
  r.Set(r2::kFarm1, r2::kFarm1W, mid.Get(r1::kFarm1, r1::kFarm1W));
  r.Set(r2::kFarm2, r2::kFarm2W, mid.Get(r1::kFarm2, r2::kFarm2W));
  r.Set(r2::kBankCode, r2::kBankCodeW, mid.Get(r1::kBankCode, r1::kBankCodeW));
  r.Set(r2::kBankAccount, r1::kBankAccountW, mid.Get(r1::kBankAccount, r1::kBankAccountW));
  return r;
}

Record NewClientFromOld(const Record& old) {
  Record r(r2::kLength);
  r.Set(r2::kCode, r2::kCodeW, old.Get(f10::kCode, 11));
  r.Set(r2::kName, r2::kNameW, old.Get(f10::kName, 40));
  r.Set(r2::kText2, r2::kText2W, old.Get(f10::kText2, 40));
  r.Set(r2::kText3, r2::kText3W, old.Get(f10::kText3, 40));
  r.Set(r2::kText4, r2::kText4W, old.Get(f10::kText4, 30));
  r.Set(r2::kPostal, r2::kPostalW, old.Get(f10::kPostal, 9));
  r.Set(r2::kText5, r2::kText5W, old.Get(f10::kText5, 30));
  r.Set(r2::kShort, r2::kShortW, old.Get(f10::kShort, 2));
  r.Set(r2::kGroup, r2::kGroupW, old.Get(f10::kGroup, 3));
  r.Set(r2::kTenChar, r2::kTenCharW, old.Get(f10::kTenChar, 10));
  r.Set(r2::kTaxpayer, r2::kTaxpayerW, old.Get(f10::kTaxpayer, 18));
  r.Set(r2::kDocument2, r2::kDocument2W, old.Get(f10::kDocument2, 18));
  r.Set(r2::kArea, r2::kAreaW, old.Get(f10::kArea, 4));
  r.Set(r2::kPhone1, r2::kPhone1W, old.Get(f10::kPhone1, 31));
  r.Set(r2::kPhone2, r2::kPhone2W, old.Get(f10::kPhone2, 31));
  r.Set(r2::kLongText, r2::kLongTextW, old.Get(f10::kLongText, 60));
  r.Set(r2::kAccount, r2::kAccountW, old.Get(f10::kAccount, 18));
  r.Set(r2::kFarm1, r2::kFarm1W, old.Get(f10::kFarm1, 40));
  r.Set(r2::kFarm2, r2::kFarm2W, old.Get(f10::kFarm2, 30));
  return r;
}

Record OldCode(const std::string& code, const std::string& name) {
  namespace f13 = layout::f13;
  return Record(f13::kLength)
      .Set(f13::kCode, f13::kCodeW, code)
      .Set(f13::kName, f13::kNameW, name)
      .Set(f13::kRest, f13::kRestW, std::string(f13::kRestW, '~'));
}

Record NewCode(const std::string& code, const std::string& name) {
  namespace f24 = layout::f24;
  return Record(f24::kLength).Set(f24::kKind, "1").Set(f24::kCode, f24::kCodeW, code).Set(f24::kName, f24::kNameW, name);
}

Record Registration(char fill, char last) {
  namespace reg = layout::reg;
  return Record(reg::kLength)
      .Set(0, reg::kLength, std::string(reg::kLength, fill))
      .Set(reg::kAmount1, reg::kAmountW, "2,00")
      .Set(reg::kAmount2, reg::kAmountW, "1.234,56")
      .Set(reg::kLast, std::string(1, last));
}

Record Blanked(Record registration) {
  return registration.Set(layout::reg::kBlank, layout::reg::kBlankW, "");
}

Record OldForm(const std::string& code, const std::string& description, const std::vector<std::string>& slots) {
  namespace f14 = layout::f14;
  Record r(f14::kLength);
  r.Set(0, f14::kLength, std::string(f14::kLength, '~'));
  r.Set(f14::kCode, f14::kCodeW, code).Set(f14::kDescription, f14::kDescriptionW, description);
  for (std::size_t i = 0; i < f14::kSlotCount; ++i)
    r.Set(f14::kSlots + i * f14::kSlotW, f14::kSlotW, i < slots.size() ? slots[i] : "");
  return r;
}

Record NewForm(const std::string& code, const std::string& description, const std::vector<std::string>& groups) {
  namespace f14r0 = layout::f14r0;
  Record r(f14r0::kLength);
  r.Set(f14r0::kCode, f14r0::kCodeW, code).Set(f14r0::kDescription, f14r0::kDescriptionW, description);
  for (std::size_t i = 0; i < groups.size(); ++i) r.Set(f14r0::kGroups + i * f14r0::kGroupW, f14r0::kGroupW, groups[i]);
  return r;
}

}  // namespace test
