// The payment forms: F14.DAT (335 characters a record) into the 3.03 file
// F14R0.DAT (311). The 24 instalment slots of a form become groups of equal
// values: a run of equal values, even with empty or zero slots inside it, is
// one group of a count and a value; a value that comes back after another
// one opens a new group.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "convert/payment_forms.hpp"
#include "convert/relayout.hpp"
#include "recfile/record_io.hpp"
#include "recfile/text.hpp"

namespace {

namespace f14 {
constexpr int kLength = 335;
constexpr int kHeadWidth = 35;
constexpr int kCodeAt = 0, kCodeWidth = 3;
// 3: not kept.
constexpr int kDescriptionAt = 4, kDescriptionWidth = 31;
constexpr int kSlotsAt = 35, kSlotCount = 24, kSlotWidth = 5;
// 155 to 334: not read.
}  // namespace f14

namespace f14r0 {
constexpr int kLength = 311;
constexpr int kCodeWidth = 11;          // at 0
constexpr int kDescriptionWidth = 157;  // at 11
constexpr int kGroupCount = 10;         // at 168
constexpr int kGroupWidth = 7;          // the count in 2, the value in 5
constexpr int kTailWidth = 73;          // at 238, blank
static_assert(kCodeWidth + kDescriptionWidth + kGroupCount * kGroupWidth + kTailWidth == kLength);
}  // namespace f14r0

// A form of more groups than this is converted, but support has to look at it.
constexpr int kGroupsWithoutWarning = 6;

constexpr char kWarning[] = "Problema na conversão das formas de pagamento.\nConsulte o suporte técnico.";

struct SlotGroup {
  int count = 0;
  long value = 0;
};
using SlotGroups = std::array<SlotGroup, f14::kSlotCount>;

// A slot that is empty, zero or negative is passed over.
SlotGroups GroupSlots(const std::array<long, f14::kSlotCount>& slots) {
  SlotGroups groups;
  std::size_t current = 0;
  long previous = 0;
  for (long value : slots) {
    if (value <= 0) continue;
    if (previous > 0 && value != previous) ++current;
    ++groups[current].count;
    groups[current].value = value;
    previous = value;
  }
  return groups;
}

void WriteGroup(rec::Stream& out, const SlotGroup& group) {
  if (group.count == 0 && group.value == 0) {
    out.WriteSpaces(f14r0::kGroupWidth);
    return;
  }
  char text[32];
  int n = std::snprintf(text, sizeof text, "%-2d%-5ld", group.count, group.value);
  out.WriteField(std::string_view(text, std::min(n, f14r0::kGroupWidth)), f14r0::kGroupWidth);
}

std::array<long, f14::kSlotCount> ReadSlots(rec::Stream& f14, std::int64_t start) {
  std::array<long, f14::kSlotCount> slots{};
  for (int i = 0; i < f14::kSlotCount; ++i) {
    char text[f14::kSlotWidth + 1];
    std::size_t got = rec::ReadAt(f14, start + f14::kSlotsAt + i * f14::kSlotWidth, text, f14::kSlotWidth);
    text[got] = '\0';
    slots[static_cast<std::size_t>(i)] = got ? TextToInt(text) : 0;
  }
  return slots;
}

}  // namespace

bool ConvertPaymentForms(plat::Dialog* dialog, rec::Stream& f14, rec::Stream& f14r0) {
  bool warn = false;
  for (std::int64_t start = 0;; start += f14::kLength) {
    char head[f14::kHeadWidth];
    std::size_t got = rec::ReadAt(f14, start, head, f14::kHeadWidth);
    if (f14.Failed()) return false;
    if (got == 0) break;
    std::string_view read(head, got);
    f14r0.WriteField(read.substr(f14::kCodeAt, f14::kCodeWidth), f14r0::kCodeWidth);
    f14r0.WriteField(read.substr(std::min<std::size_t>(got, f14::kDescriptionAt), f14::kDescriptionWidth),
                     f14r0::kDescriptionWidth);

    SlotGroups groups = GroupSlots(ReadSlots(f14, start));
    for (int i = 0; i < f14r0::kGroupCount; ++i) WriteGroup(f14r0, groups[static_cast<std::size_t>(i)]);
    f14r0.WriteSpaces(f14r0::kTailWidth);
    // Groups fill in order, so any group past the sixth means the seventh is used.
    if (groups[kGroupsWithoutWarning].count > 0) warn = true;
    if (f14.Failed() || f14r0.Failed()) return false;
  }
  // Once, however many forms caused it, when the whole file has been read.
  if (warn) plat::ShowMessageBox(dialog, kWarning, "Lanvo", plat::kIconWarning | plat::kOk);
  return !f14r0.Failed();
}
