// The second pass of the client re-layout, F10R1.DAT (1370 characters a
// record, as pass 1 or an older release left it) into the 3.03 client file
// F10R2.DAT (1000), on any bytes.
#include "convert/clients.hpp"
#include "tests/fuzz/file_conversion.hpp"

namespace {

bool Convert(plat::Dialog*, rec::Stream& source, rec::Stream& target) { return ConvertClientsToR2(source, target); }

// What pass 2 leaves blank: the rest of the group field and the flag, the
// fields new in 3.03, the last character of the bank code and everything
// after the account.
const fuzz::FileConversion kPass2 = {
    "F10R1.DAT", "F10R2.DAT", 1370, 1000, Convert, {{235, 5}, {492, 121}, {716, 1}, {733, 267}}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  fuzz::ConvertAndCheck(ws, kPass2, {reinterpret_cast<const char*>(data), size});
  ws.ExpectOnly({"F10R1.DAT", "F10R2.DAT"});
  return 0;
}
