// The payment forms, F14.DAT (335 characters a record) into F14R0.DAT (311),
// on any bytes.
#include <cstdlib>
#include <cstring>

#include "ui/text_dialog.hpp"
#include "convert/payment_forms.hpp"
#include "tests/fuzz/file_conversion.hpp"

namespace {

// The code of 3 characters in a field of 11, the description of 31 in one of
// 157, and the blank tail.
const fuzz::FileConversion kPaymentForms = {
    "F14.DAT", "F14R0.DAT", 335, 311, ConvertPaymentForms, {{3, 8}, {42, 126}, {238, 73}}};

constexpr std::size_t kGroupsAt = 168, kGroupWidth = 7, kGroupCount = 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  ui::TextDialog dialog(ui::ConversionDialogItems(), "Lanvo 3.03");
  std::string forms = fuzz::ConvertAndCheck(ws, kPaymentForms, {reinterpret_cast<const char*>(data), size}, &dialog);
  // A group is blank, or a count of 1 to 24 and a value above 0.
  for (std::size_t start = 0; start < forms.size(); start += kPaymentForms.target_length) {
    for (std::size_t g = 0; g < kGroupCount; ++g) {
      std::string group = forms.substr(start + kGroupsAt + g * kGroupWidth, kGroupWidth);
      if (group == std::string(kGroupWidth, ' ')) continue;
      long count = std::strtol(group.substr(0, 2).c_str(), nullptr, 10);
      long value = std::strtol(group.substr(2).c_str(), nullptr, 10);
      fuzz::Check(count >= 1 && count <= 24 && value > 0, "a payment-form group out of range: " + group);
    }
  }
  // The warning comes once for the file, however many forms raised it; the
  // conversion ran twice (the second time with a small window).
  fuzz::Check(ws.messages().size() == 0 || ws.messages().size() == 2, "the warning came more than once a run");
  ws.ExpectOnly({"F14.DAT", "F14R0.DAT"});
  return 0;
}
