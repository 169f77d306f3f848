// The client file through its older layouts: F10.DAT (778 characters) into
// F10R1.DAT (1370), and F10R1.DAT into the 3.03 client file F10R2.DAT (1000).
//
// Each pass is a table of moves (see relayout.hpp) in the order of the target
// record. The reads are those the passes have always made: many old fields are
// read one character wider than they are kept, the last character dropped.
#include "convert/clients.hpp"

#include "convert/relayout.hpp"
#include "recfile/client_record.hpp"

namespace {

namespace f10 = client::f10;
namespace f10r1 = client::f10r1;

// clang-format off
constexpr FieldMove kToR1[] = {
  //  at                    read from keep  width                      spaces after
  {f10::kCodeAt,             11,   0,  11,  f10r1::kCodeWidth,         0},
  {f10::kNameAt,             41,   0,  40,  f10r1::kNameWidth,         0},
  {f10::kText2At,            41,   0,  40,  f10r1::kText2Width,        0},
  {f10::kText3At,            41,   0,  40,  f10r1::kText3Width,        0},
  {f10::kText4At,            31,   0,  30,  f10r1::kText4Width,        0},
  {f10::kPostalCodeAt,       10,   0,   9,  f10r1::kPostalCodeWidth,   0},
  {f10::kText5At,            31,   0,  30,  f10r1::kText5Width,        0},
  {f10::kShortTextAt,         3,   0,   2,  f10r1::kShortTextWidth,    f10r1::kBlank1Width},
  {f10::kTenCharAt,          11,   0,  10,  f10r1::kTenCharWidth,      f10r1::kBlank2Width},
  {f10::kAreaCodeAt,          5,   0,   4,  f10r1::kAreaCodeWidth,     0},
  {f10::kPhone1At,           31,   0,  31,  f10r1::kPhone1Width,       0},
  {f10::kPhone2At,           31,   0,  31,  f10r1::kPhone2Width,       0},
  // 334 to 434 were read here as well, and dropped.
  {f10::kLongTextAt,         61,   0,  60,  f10r1::kLongTextWidth,     0},
  {f10::kTaxpayerAt,         19,   0,  18,  f10r1::kTaxpayerWidth,     0},
  {f10::kDocument2At,        19,   0,  18,  f10r1::kDocument2Width,    0},
  {f10::kAccountFieldAt,     19,   0,  18,  f10r1::kAccountFieldWidth, 0},
  {f10::kGroupAt,             4,   0,   4,  f10r1::kGroupWidth,        0},
  {f10::kFarmNameAt,            41,   0,  40,  f10r1::kFarmNameWidth,        f10r1::kBlank3Width},
  {f10::kFarmCityAt,            31,   0,  30,  f10r1::kFarmCityWidth,        f10r1::kBlank4Width},
};

// Several moves read a stretch over more than one field of F10R1.DAT and keep
// a part of it; the comments name what lands where in F10R2.DAT.
constexpr FieldMove kToR2[] = {
  //  at                    read from keep  width spaces after
  // The code and the name cut to 40.
  {f10r1::kCodeAt,           71,   0,  51,  51,   0},
  // Texts 2 to 5, the CEP and the short text, at the same widths.
  {f10r1::kText2At,         181,   0, 181, 181,   0},
  // The group code moved to 232 in 3.03: three characters, then spaces up to
  // and including the flag at 239.
  {f10r1::kGroupAt,           3,   0,   3,   client::kGroupWidth + client::kFlagWidth, 0},
  // The ten-character field, read with the blank stretch in front of it.
  {f10r1::kBlank1At,         40,  10,  10,  client::kTenCharWidth, 0},
  // CPF/CNPJ and the second document: read after the phones, written first.
  {f10r1::kTaxpayerAt,       36,   0,  36,  36,   0},
  // The area code, the two phones and the long text; then the fields that
  // are new in 3.03, blank.
  {f10r1::kAreaCodeAt,      206,   0, 206, 206,   client::kNewFieldsWidth},
  {f10r1::kAccountFieldAt,   30,   0,  30,  client::kAccountFieldWidth, 0},
  // The two farm fields, each read with the stretch in front of it; the
  // second is cut to 30.
  {f10r1::kGroupAt,          50,  10,  40,  client::kFarmNameWidth, 0},
  {f10r1::kBlank3At,         99,  69,  30,  client::kFarmCityWidth, 0},
  // The bank code and the account: only files of an older release hold them.
  {f10r1::kBankStretchAt,   305, 302,   3,  client::kBankCodeWidth, 0},
  {f10r1::kAccountAt,        16,   0,  16,  16,   client::kLength - (client::kAgencyAt + 16)},
};
// clang-format on

constexpr RecordLayout kClientsToR1 = {f10::kLength, f10r1::kLength, "", kToR1};
constexpr RecordLayout kClientsToR2 = {f10r1::kLength, client::kLength, "", kToR2};
static_assert(IsConsistent(kClientsToR1));
static_assert(IsConsistent(kClientsToR2));
static_assert(f10r1::kBankStretchAt + 302 == f10r1::kBankCodeAt);

}  // namespace

bool ConvertClientsToR1(rec::Stream& f10, rec::Stream& f10r1) {
  return RelayoutRecords(f10, f10r1, kClientsToR1);
}

bool ConvertClientsToR2(rec::Stream& f10r1, rec::Stream& f10r2) {
  return RelayoutRecords(f10r1, f10r2, kClientsToR2);
}
