// The code table, F13.DAT (66 characters a record) into F24.DAT (60), on any
// bytes.
#include "convert/code_table.hpp"
#include "tests/fuzz/file_conversion.hpp"

namespace {

bool Convert(plat::Dialog*, rec::Stream& source, rec::Stream& target) { return ConvertCodeTable(source, target); }

// The code of 4 characters in a field of 8, the name of 30 in one of 51.
const fuzz::FileConversion kCodeTable = {"F13.DAT", "F24.DAT", 66, 60, Convert, {{5, 4}, {39, 21}}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  std::string table = fuzz::ConvertAndCheck(ws, kCodeTable, {reinterpret_cast<const char*>(data), size});
  // Every record made from F13.DAT is of kind "1".
  for (std::size_t start = 0; start < table.size(); start += kCodeTable.target_length)
    fuzz::Check(table[start] == '1', "a code-table record not of kind 1");
  ws.ExpectOnly({"F13.DAT", "F24.DAT"});
  return 0;
}
