// The 3.03 client record of F10R2.DAT: 1000 characters, as the client passes
// write it for the later steps of the conversion.
#pragma once

#include "convert/relayout.hpp"

namespace client {

constexpr int kLength = 1000;

constexpr int kCodeAt = 0, kCodeWidth = 11;
constexpr int kNameAt = 11, kNameWidth = 40;
constexpr int kText2At = 51, kText2Width = 40;
constexpr int kText3At = 91, kText3Width = 70;
constexpr int kText4At = 161, kText4Width = 30;
constexpr int kPostalCodeAt = 191, kPostalCodeWidth = 9;  // CEP, 99999-999
constexpr int kText5At = 200, kText5Width = 30;
constexpr int kShortTextAt = 230, kShortTextWidth = 2;
constexpr int kGroupAt = 232, kGroupWidth = 7;            // three digits, then spaces
constexpr int kFlagAt = 239, kFlagWidth = 1;
constexpr int kTenCharAt = 240, kTenCharWidth = 10;
constexpr int kTaxpayerAt = 250, kTaxpayerWidth = 18;    // CPF/CNPJ as formatted text
constexpr int kDocument2At = 268, kDocument2Width = 18;
constexpr int kAreaCodeAt = 286, kAreaCodeWidth = 4;     // of the first phone
constexpr int kPhone1At = 290, kPhone1Width = 41;
constexpr int kPhone2At = 331, kPhone2Width = 41;
constexpr int kLongTextAt = 372, kLongTextWidth = 120;
constexpr int kNewFieldsAt = 492, kNewFieldsWidth = 121;  // added in 3.03, blank
// Moved out by the split into the bank-account and farm records.
constexpr int kAccountFieldAt = 613, kAccountFieldWidth = 30;
constexpr int kFarm1At = 643, kFarm1Width = 40;
constexpr int kFarm2At = 683, kFarm2Width = 30;
constexpr int kBankCodeAt = 713, kBankCodeWidth = 4;
constexpr int kAccount1At = 717, kAccount1Width = 6;
constexpr int kAccount2At = 723, kAccount2Width = 18;
constexpr int kAccountTextAt = 741, kAccountTextWidth = 20;
constexpr int kTailAt = 761, kTailWidth = 239;           // blank

static_assert(FillsRecord({{kCodeAt, kCodeWidth},           {kNameAt, kNameWidth},
                          {kText2At, kText2Width},         {kText3At, kText3Width},
                          {kText4At, kText4Width},         {kPostalCodeAt, kPostalCodeWidth},
                          {kText5At, kText5Width},         {kShortTextAt, kShortTextWidth},
                          {kGroupAt, kGroupWidth},         {kFlagAt, kFlagWidth},
                          {kTenCharAt, kTenCharWidth},     {kTaxpayerAt, kTaxpayerWidth},
                          {kDocument2At, kDocument2Width}, {kAreaCodeAt, kAreaCodeWidth},
                          {kPhone1At, kPhone1Width},       {kPhone2At, kPhone2Width},
                          {kLongTextAt, kLongTextWidth},   {kNewFieldsAt, kNewFieldsWidth},
                          {kAccountFieldAt, kAccountFieldWidth}, {kFarm1At, kFarm1Width},
                          {kFarm2At, kFarm2Width},         {kBankCodeAt, kBankCodeWidth},
                          {kAccount1At, kAccount1Width},   {kAccount2At, kAccount2Width},
                          {kAccountTextAt, kAccountTextWidth}, {kTailAt, kTailWidth}},
                         kLength));

}  // namespace client
