// The bank table copy of step 2: the records of F24.DAT that are not banks go
// to F24R0.DAT in file order (deleted ones as they are), and F24.DAT goes.
#include "convert/split.hpp"
#include "recfile/recfile.hpp"

namespace convert {
namespace {
constexpr char kBankTable[] = "F24.DAT";
constexpr char kCodeTable[] = "F24R0.DAT";
constexpr char kBankKind = '2';
}  // namespace

void CopyBankTable(StreamPtr& f24) {
  if (!f24) return;
  if (plat::Exists(kCodeTable)) {
    FCloseIf(f24);
    return;
  }
  rec::NewFile copy(kCodeTable);
  if (!copy.stream() || !f24->Seek(0)) {
    FCloseIf(f24);
    return;
  }
  char record[split::kBankTableLength];
  for (;;) {
    std::size_t got = f24->Read(record, sizeof record);
    if (got == 0) break;
    // A last record cut short is completed with spaces, as "%-60s" writes it.
    if (record[0] != kBankKind) copy.stream()->WriteField(std::string_view(record, got), sizeof record);
    if (got < sizeof record) break;
  }
  bool read = !f24->Failed();
  FCloseIf(f24);
  // F24.DAT goes only once its other records are safe in F24R0.DAT.
  if (read && copy.Commit()) FDelete(kBankTable);
}

}  // namespace convert
