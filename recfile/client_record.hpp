// The client record, in the layout of each release: F10.DAT (778 characters),
// the intermediate F10R1.DAT (1370) and the client file of 3.03, F10R2.DAT
// (1000), which the conversion writes and every maintenance command reads.
// Each field is named here once, with its offset and its width; every step
// and command takes its fields from these names. The company file F00R0.DAT
// keeps its phones where the client record of 3.03 keeps them, and the
// diskette file of the export holds client records of 3.03 back to back.
#pragma once

#include "recfile/record_io.hpp"

namespace client {

// --- F10R2.DAT, the client record of 3.03.
constexpr char kFile[] = "F10R2.DAT";
constexpr int kLength = 1000;

constexpr int kCodeAt = 0, kCodeWidth = 11;
// The code proper is its first 10 characters: the owner key of the farm, the
// account and the phone index, and what the import writes.
constexpr int kCodeKeyWidth = 10;
constexpr int kNameAt = 11, kNameWidth = 40;
constexpr int kText2At = 51, kText2Width = 40;
constexpr int kText3At = 91, kText3Width = 70;
constexpr int kText4At = 161, kText4Width = 30;
constexpr int kPostalCodeAt = 191, kPostalCodeWidth = 9;  // CEP, 99999-999
constexpr int kText5At = 200, kText5Width = 30;
constexpr int kShortTextAt = 230, kShortTextWidth = 2;
// The group code moved to 232 in 3.03: three characters, then spaces.
constexpr int kGroupAt = 232, kGroupWidth = 7;
constexpr int kGroupCodeWidth = 3;
constexpr int kFlagAt = 239, kFlagWidth = 1;
constexpr int kTenCharAt = 240, kTenCharWidth = 10;
constexpr int kTaxpayerAt = 250, kTaxpayerWidth = 18;  // CPF/CNPJ as formatted text
constexpr int kDocument2At = 268, kDocument2Width = 18;
constexpr int kAreaCodeAt = 286, kAreaCodeWidth = 4;   // of the first phone
constexpr int kPhone1At = 290, kPhone1Width = 41;
constexpr int kPhone2At = 331, kPhone2Width = 41;
constexpr int kLongTextAt = 372, kLongTextWidth = 120;
constexpr int kNewFieldsAt = 492, kNewFieldsWidth = 121;  // added in 3.03, blank
constexpr int kAccountFieldAt = 613, kAccountFieldWidth = 30;
constexpr int kFarmNameAt = 643, kFarmNameWidth = 40;  // a client has a farm when not blank
constexpr int kFarmCityAt = 683, kFarmCityWidth = 30;
constexpr int kBankCodeAt = 713, kBankCodeWidth = 4;   // a client has an account when not blank
constexpr int kAgencyAt = 717, kAgencyWidth = 6;       // typed, such as 1234-5
constexpr int kAccountAt = 723, kAccountWidth = 18;    // typed, such as 12345-67
constexpr int kAccountTextAt = 741, kAccountTextWidth = 20;
constexpr int kTailAt = 761, kTailWidth = 239;         // blank

static_assert(rec::FillsRecord({{kCodeAt, kCodeWidth},           {kNameAt, kNameWidth},
                                {kText2At, kText2Width},         {kText3At, kText3Width},
                                {kText4At, kText4Width},         {kPostalCodeAt, kPostalCodeWidth},
                                {kText5At, kText5Width},         {kShortTextAt, kShortTextWidth},
                                {kGroupAt, kGroupWidth},         {kFlagAt, kFlagWidth},
                                {kTenCharAt, kTenCharWidth},     {kTaxpayerAt, kTaxpayerWidth},
                                {kDocument2At, kDocument2Width}, {kAreaCodeAt, kAreaCodeWidth},
                                {kPhone1At, kPhone1Width},       {kPhone2At, kPhone2Width},
                                {kLongTextAt, kLongTextWidth},   {kNewFieldsAt, kNewFieldsWidth},
                                {kAccountFieldAt, kAccountFieldWidth}, {kFarmNameAt, kFarmNameWidth},
                                {kFarmCityAt, kFarmCityWidth},   {kBankCodeAt, kBankCodeWidth},
                                {kAgencyAt, kAgencyWidth},       {kAccountAt, kAccountWidth},
                                {kAccountTextAt, kAccountTextWidth}, {kTailAt, kTailWidth}},
                               kLength));

// Fields that share a stretch of another until the steps of 3.03 take them
// apart. The first phone keeps 37 characters once the phone index holds the
// rest; the second phone is its field's first 23 characters, and the last 18
// are a field of the farm. The account field holds a field of the account in
// its first 18 characters and the farm's state in its last two.
constexpr int kPhone1Kept = 37;
constexpr int kPhone1TailAt = kPhone1At + kPhone1Kept, kPhone1TailWidth = kPhone1Width - kPhone1Kept;
constexpr int kSecondPhoneWidth = 23;
constexpr int kFarmExtraAt = kPhone2At + kSecondPhoneWidth, kFarmExtraWidth = kPhone2Width - kSecondPhoneWidth;
constexpr int kAccountExtraAt = kAccountFieldAt, kAccountExtraWidth = 18;
constexpr int kFarmStateWidth = 2, kFarmStateAt = kFarmNameAt - kFarmStateWidth;
// What leaves the client record for the farm and the account, blanked after
// the split whatever it held: the account field up to the tail.
constexpr int kMovedOutAt = kAccountFieldAt, kMovedOutWidth = kTailAt - kAccountFieldAt;

// --- F10.DAT, the old client record. Only what the conversion takes.
namespace f10 {
constexpr int kLength = 778;
constexpr int kCodeAt = 0;
constexpr int kNameAt = 11;
constexpr int kText2At = 52;
constexpr int kText3At = 93;
constexpr int kText4At = 134;
constexpr int kPostalCodeAt = 165;
constexpr int kText5At = 175;
constexpr int kShortTextAt = 206;
constexpr int kTenCharAt = 209;
constexpr int kTaxpayerAt = 220;
constexpr int kAccountFieldAt = 239;
constexpr int kPhone1At = 272;
constexpr int kPhone2At = 303;
// 334 to 434: nothing that is kept.
constexpr int kLongTextAt = 435;
constexpr int kFarmNameAt = 496;
constexpr int kFarmCityAt = 537;
constexpr int kDocument2At = 571;
constexpr int kGroupAt = 590;  // four characters, of which 3.03 keeps three
constexpr int kAreaCodeAt = 594;
}  // namespace f10

// --- F10R1.DAT, the intermediate client record. The first pass writes its
// stretches kBlank1 to kBlank4 blank, but a file left by an older release of
// the application holds data there: the bank code and the account in the last
// one.
namespace f10r1 {
constexpr int kLength = 1370;
constexpr int kCodeAt = 0, kCodeWidth = 11;
constexpr int kNameAt = 11, kNameWidth = 60;
constexpr int kText2At = 71, kText2Width = 40;
constexpr int kText3At = 111, kText3Width = 70;
constexpr int kText4At = 181, kText4Width = 30;
constexpr int kPostalCodeAt = 211, kPostalCodeWidth = 9;
constexpr int kText5At = 220, kText5Width = 30;
constexpr int kShortTextAt = 250, kShortTextWidth = 2;
constexpr int kBlank1At = 252, kBlank1Width = 10;
constexpr int kTenCharAt = 262, kTenCharWidth = 10;
constexpr int kBlank2At = 272, kBlank2Width = 20;
constexpr int kAreaCodeAt = 292, kAreaCodeWidth = 4;
constexpr int kPhone1At = 296, kPhone1Width = 41;
constexpr int kPhone2At = 337, kPhone2Width = 41;
constexpr int kLongTextAt = 378, kLongTextWidth = 120;
constexpr int kTaxpayerAt = 498, kTaxpayerWidth = 18;
constexpr int kDocument2At = 516, kDocument2Width = 18;
constexpr int kAccountFieldAt = 534, kAccountFieldWidth = 30;
constexpr int kGroupAt = 564, kGroupWidth = 10;
constexpr int kFarmNameAt = 574, kFarmNameWidth = 40;
constexpr int kBlank3At = 614, kBlank3Width = 69;
constexpr int kFarmCityAt = 683, kFarmCityWidth = 32;
constexpr int kBlank4At = 715, kBlank4Width = 655;
constexpr int kBankStretchAt = 713;  // read up to the bank code, which ends it
constexpr int kBankCodeAt = 1015;    // three characters, inside the last blank stretch
constexpr int kAccountAt = 1018;     // sixteen characters, likewise

static_assert(rec::FillsRecord({{kCodeAt, kCodeWidth},         {kNameAt, kNameWidth},
                                {kText2At, kText2Width},       {kText3At, kText3Width},
                                {kText4At, kText4Width},       {kPostalCodeAt, kPostalCodeWidth},
                                {kText5At, kText5Width},       {kShortTextAt, kShortTextWidth},
                                {kBlank1At, kBlank1Width},     {kTenCharAt, kTenCharWidth},
                                {kBlank2At, kBlank2Width},     {kAreaCodeAt, kAreaCodeWidth},
                                {kPhone1At, kPhone1Width},     {kPhone2At, kPhone2Width},
                                {kLongTextAt, kLongTextWidth}, {kTaxpayerAt, kTaxpayerWidth},
                                {kDocument2At, kDocument2Width}, {kAccountFieldAt, kAccountFieldWidth},
                                {kGroupAt, kGroupWidth},       {kFarmNameAt, kFarmNameWidth},
                                {kBlank3At, kBlank3Width},     {kFarmCityAt, kFarmCityWidth},
                                {kBlank4At, kBlank4Width}},
                               kLength));
}  // namespace f10r1

}  // namespace client
