// The bank table copy of step 2: the records of F24.DAT that are not banks
// (kind '2') go to F24R0.DAT in file order, deleted ones as they are.
#include "convert/bank_table.hpp"

namespace convert {
namespace {
constexpr char kBankKind = '2';
}  // namespace

bool CopyBankTable(rec::Stream& table, rec::Stream& copy) {
  if (!table.Seek(0)) return false;
  char record[kBankTableLength];
  for (;;) {
    std::size_t got = table.Read(record, sizeof record);
    if (got == 0) break;
    // A last record cut short is completed with spaces, as "%-60s" writes it.
    if (record[0] != kBankKind) copy.WriteField(std::string_view(record, got), sizeof record);
    if (got < sizeof record) break;
  }
  return !table.Failed() && !copy.Failed();
}

}  // namespace convert
