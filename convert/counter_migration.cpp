// The counter migration of step 2: the six last codes that older releases kept
// in CONFIGA.DAT become counters of the empty group in F34.DAT.
#include "convert/split.hpp"
#include "recfile/counters.hpp"
#include "recfile/recfile.hpp"
#include "recfile/text.hpp"

namespace convert {
namespace {

constexpr char kOldCounters[] = "CONFIGA.DAT";
constexpr char kCounters[] = "F34.DAT";
constexpr int kFieldWidth = 11;
// The fields of CONFIGA.DAT in order, named by the module numbers that name
// the counters: clients, receipts, auctions, payment forms, farms, banks.
constexpr const char* kCounterNames[] = {"10", "60", "11", "14", "9", "4"};
// Counters hold 0 to 999,999,999; an old value outside 1 to 999,999,998 is
// not carried over.
constexpr long kValueLimit = 999999999;

long ReadOldCounter(int field) {
  StreamPtr file = FOpenRead(kOldCounters);
  char text[kFieldWidth + 1];
  if (!file || !file->Seek(std::int64_t{field} * kFieldWidth) || !FReadField(file.get(), text, kFieldWidth))
    return 0;
  long value = TextToInt(text);
  return (value < 0 || value >= kValueLimit) ? 0 : value;
}

}  // namespace

void MigrateOldCounters() {
  if (!plat::Exists(kOldCounters) || plat::Exists(kCounters)) return;
  bool all_set = true;
  for (int field = 0; field < 6; ++field) {
    long value = ReadOldCounter(field);
    if (value > 0 && CounterSet("", kCounterNames[field], value) != 1) all_set = false;
  }
  // A counter that could not be written still has its value in CONFIGA.DAT.
  if (all_set) FDelete(kOldCounters);
}

}  // namespace convert
