// The first pass of the client re-layout, F10.DAT (778 characters a record)
// into F10R1.DAT (1370), on any bytes.
#include "convert/clients.hpp"
#include "tests/fuzz/file_conversion.hpp"

namespace {

bool Convert(plat::Dialog*, rec::Stream& source, rec::Stream& target) { return ConvertClientsToR1(source, target); }

// What pass 1 leaves blank: the padding of the fields it keeps shorter than
// they are, and the stretches that only older releases filled.
const fuzz::FileConversion kPass1 = {
    "F10.DAT", "F10R1.DAT", 778, 1370, Convert,
    {{51, 20}, {151, 30}, {252, 10}, {272, 20}, {327, 10}, {368, 10}, {438, 60}, {552, 12},
     {568, 6}, {614, 69}, {713, 2}, {715, 655}}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  fuzz::ConvertAndCheck(ws, kPass1, {reinterpret_cast<const char*>(data), size});
  ws.ExpectOnly({"F10.DAT", "F10R1.DAT"});
  return 0;
}
