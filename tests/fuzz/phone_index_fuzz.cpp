// The phone index of step 3 on any bytes: the company file F00R0.DAT and the
// client file F10R2.DAT, whose phone fields shrink to the 3.03 layout while
// what no longer fits goes into FTEL1.DAT. The index and both files are
// checked against what the step does, worked out here from the bytes.
#include <cstdio>
#include <string>
#include <string_view>

#include "convert/phone_index.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

using fuzz::Check;

constexpr char kIndex[] = "FTEL1.DAT";
constexpr std::size_t kRecord = 1000, kLine = 40;

struct Source {
  const char* name;
  int number;
};
constexpr Source kSources[] = {{"F00R0.DAT", 0}, {"F10R2.DAT", 10}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  auto parts = fuzz::SplitInput(data, size, 3);
  // The first byte of the last part says which sources are missing.
  std::uint8_t missing = fuzz::Script(parts[2]).Byte();
  for (int s = 0; s < 2; ++s)
    if (!(missing & (1 << s))) ws.Write(kSources[s].name, parts[static_cast<std::size_t>(s)]);

  convert::BuildPhoneIndex();

  std::string index;
  for (int s = 0; s < 2; ++s) {
    const std::string& source = parts[static_cast<std::size_t>(s)];
    if (missing & (1 << s)) {
      Check(!ws.Has(kSources[s].name), std::string(kSources[s].name) + " made by the phone index");
      continue;
    }
    std::string expected;
    for (std::size_t start = 0; start < source.size(); start += kRecord)
      expected += fuzz::MovePhones(source.substr(start, kRecord), kSources[s].number, &index);
    Check(ws.Read(kSources[s].name) == expected,
          std::string(kSources[s].name) + " is not what the phone index makes of it");
  }
  fuzz::ExpectWholeRecords(ws, kIndex, kLine);
  Check(ws.Read(kIndex) == index, "the phone index is not the phones that moved");
  ws.ExpectOnly({kIndex, kSources[0].name, kSources[1].name});
  return 0;
}
