// The record layouts of conversion step 1 as the tests see them, written out
// once from the file formats and kept apart from the conversion's own tables,
// so that a wrong offset on either side shows.
#pragma once

#include <cstddef>

namespace test::layout {

// F10.DAT: only the fields that the conversion takes.
namespace f10 {
constexpr std::size_t kLength = 778;
constexpr std::size_t kCode = 0;        // 11
constexpr std::size_t kName = 11;       // 40, and a 41st character that is lost
constexpr std::size_t kText2 = 52;      // 40 (+1)
constexpr std::size_t kText3 = 93;      // 40 (+1)
constexpr std::size_t kText4 = 134;     // 30 (+1)
constexpr std::size_t kPostal = 165;    // 9 (+1)
constexpr std::size_t kText5 = 175;     // 30 (+1)
constexpr std::size_t kShort = 206;     // 2 (+1)
constexpr std::size_t kTenChar = 209;   // 10 (+1)
constexpr std::size_t kTaxpayer = 220;  // 18 (+1)
constexpr std::size_t kAccount = 239;   // 18 (+1)
constexpr std::size_t kPhone1 = 272;    // 31
constexpr std::size_t kPhone2 = 303;    // 31
constexpr std::size_t kLongText = 435;  // 60 (+1)
constexpr std::size_t kFarm1 = 496;     // 40 (+1)
constexpr std::size_t kFarm2 = 537;     // 30 (+1)
constexpr std::size_t kDocument2 = 571; // 18 (+1)
constexpr std::size_t kGroup = 590;     // 4
constexpr std::size_t kArea = 594;      // 4 (+1)
}  // namespace f10

// F10R1.DAT (offset, width).
namespace f10r1 {
constexpr std::size_t kLength = 1370;
constexpr std::size_t kCode = 0, kCodeW = 11;
constexpr std::size_t kName = 11, kNameW = 60;
constexpr std::size_t kText2 = 71, kText2W = 40;
constexpr std::size_t kText3 = 111, kText3W = 70;
constexpr std::size_t kText4 = 181, kText4W = 30;
constexpr std::size_t kPostal = 211, kPostalW = 9;
constexpr std::size_t kText5 = 220, kText5W = 30;
constexpr std::size_t kShort = 250, kShortW = 2;
constexpr std::size_t kBlank1 = 252, kBlank1W = 10;
constexpr std::size_t kTenChar = 262, kTenCharW = 10;
constexpr std::size_t kBlank2 = 272, kBlank2W = 20;
constexpr std::size_t kArea = 292, kAreaW = 4;
constexpr std::size_t kPhone1 = 296, kPhone1W = 41;
constexpr std::size_t kPhone2 = 337, kPhone2W = 41;
constexpr std::size_t kLongText = 378, kLongTextW = 120;
constexpr std::size_t kTaxpayer = 498, kTaxpayerW = 18;
constexpr std::size_t kDocument2 = 516, kDocument2W = 18;
constexpr std::size_t kAccount = 534, kAccountW = 30;
constexpr std::size_t kGroup = 564, kGroupW = 10;
constexpr std::size_t kFarm1 = 574, kFarm1W = 40;
constexpr std::size_t kBlank3 = 614, kBlank3W = 69;
constexpr std::size_t kFarm2 = 683, kFarm2W = 32;
constexpr std::size_t kBlank4 = 715, kBlank4W = 655;
constexpr std::size_t kBankCode = 1015, kBankCodeW = 3;  // inside kBlank4, older files only
constexpr std::size_t kBankAccount = 1018, kBankAccountW = 16;
}  // namespace f10r1

// F10R2.DAT, the 3.03 client record (offset, width).
namespace f10r2 {
constexpr std::size_t kLength = 1000;
constexpr std::size_t kCode = 0, kCodeW = 11;
constexpr std::size_t kName = 11, kNameW = 40;
constexpr std::size_t kText2 = 51, kText2W = 40;
constexpr std::size_t kText3 = 91, kText3W = 70;
constexpr std::size_t kText4 = 161, kText4W = 30;
constexpr std::size_t kPostal = 191, kPostalW = 9;
constexpr std::size_t kText5 = 200, kText5W = 30;
constexpr std::size_t kShort = 230, kShortW = 2;
constexpr std::size_t kGroup = 232, kGroupW = 7;
constexpr std::size_t kFlag = 239;
constexpr std::size_t kTenChar = 240, kTenCharW = 10;
constexpr std::size_t kTaxpayer = 250, kTaxpayerW = 18;
constexpr std::size_t kDocument2 = 268, kDocument2W = 18;
constexpr std::size_t kArea = 286, kAreaW = 4;
constexpr std::size_t kPhone1 = 290, kPhone1W = 41;
constexpr std::size_t kPhone2 = 331, kPhone2W = 41;
constexpr std::size_t kLongText = 372, kLongTextW = 120;
constexpr std::size_t kAccount = 613, kAccountW = 30;
constexpr std::size_t kFarm1 = 643, kFarm1W = 40;
constexpr std::size_t kFarm2 = 683, kFarm2W = 30;
constexpr std::size_t kBankCode = 713, kBankCodeW = 4;
constexpr std::size_t kBankAccount = 717;  // 16 characters over 717 to 732
}  // namespace f10r2

namespace f13 {
constexpr std::size_t kLength = 66;
constexpr std::size_t kCode = 0, kCodeW = 4;
constexpr std::size_t kName = 4, kNameW = 30;
constexpr std::size_t kRest = 34, kRestW = 32;
}  // namespace f13

namespace f24 {
constexpr std::size_t kLength = 60;
constexpr std::size_t kKind = 0;
constexpr std::size_t kCode = 1, kCodeW = 8;
constexpr std::size_t kName = 9, kNameW = 51;
}  // namespace f24

namespace f11 {
constexpr std::size_t kLength = 997;
constexpr std::size_t kCode = 0, kCodeW = 11;
}  // namespace f11

namespace reg {
constexpr std::size_t kLength = 1608;
constexpr std::size_t kAmount1 = 149, kAmount2 = 165, kAmountW = 16;
constexpr std::size_t kBlank = 960, kBlankW = 647;
constexpr std::size_t kLast = 1607;
}  // namespace reg

namespace f14 {
constexpr std::size_t kLength = 335;
constexpr std::size_t kCode = 0, kCodeW = 3;
constexpr std::size_t kDropped = 3;
constexpr std::size_t kDescription = 4, kDescriptionW = 31;
constexpr std::size_t kSlots = 35, kSlotW = 5, kSlotCount = 24;
}  // namespace f14

namespace f14r0 {
constexpr std::size_t kLength = 311;
constexpr std::size_t kCode = 0, kCodeW = 11;
constexpr std::size_t kDescription = 11, kDescriptionW = 157;
constexpr std::size_t kGroups = 168, kGroupW = 7, kGroupCount = 10;
constexpr std::size_t kTail = 238, kTailW = 73;
}  // namespace f14r0

}  // namespace test::layout
