// The code table: F13.DAT (66 characters a record) into the typed table
// F24.DAT (60), where every record it gives is of kind "1". The table also
// holds records of other kinds that the later steps add or carry on.
#include "convert/code_table.hpp"

#include "convert/relayout.hpp"

namespace {

namespace f13 {
constexpr int kLength = 66;
constexpr int kCodeAt = 0, kCodeWidth = 4;
constexpr int kNameAt = 4, kNameWidth = 30;
// 34 to 65: not kept.
}  // namespace f13

namespace f24 {
constexpr int kLength = 60;
constexpr char kKindCode[] = "1";  // the kind, at 0
constexpr int kCodeWidth = 8;      // at 1
constexpr int kNameWidth = 51;     // at 9
}  // namespace f24

constexpr FieldMove kToF24[] = {
    {f13::kCodeAt, f13::kCodeWidth, 0, f13::kCodeWidth, f24::kCodeWidth, 0},
    {f13::kNameAt, f13::kNameWidth, 0, f13::kNameWidth, f24::kNameWidth, 0},
};
constexpr RecordLayout kCodeTable = {f13::kLength, f24::kLength, f24::kKindCode, kToF24};
static_assert(IsConsistent(kCodeTable));

}  // namespace

bool ConvertCodeTable(rec::Stream& f13, rec::Stream& f24) { return RelayoutRecords(f13, f24, kCodeTable); }
