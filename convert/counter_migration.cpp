// The counter migration of step 2: the six last codes that older releases kept
// in CONFIGA.DAT become counters of the empty group in F34.DAT.
#include <optional>
#include <vector>

#include "convert/pending_file.hpp"
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

// The value of one field; 0 for a field that is not there or holds no value
// to carry over; nothing when the file could not be read, which must not pass
// for a field without a value.
std::optional<long> ReadOldCounter(int field) {
  StreamPtr file = FOpenRead(kOldCounters);
  if (!file) return std::nullopt;
  char text[kFieldWidth + 1];
  bool read = file->Seek(std::int64_t{field} * kFieldWidth) && FReadField(file.get(), text, kFieldWidth);
  if (file->Failed()) return std::nullopt;
  if (!read) return 0;
  long value = TextToInt(text);
  return (value < 0 || value >= kValueLimit) ? 0 : value;
}

}  // namespace

void MigrateOldCounters() {
  if (!plat::Exists(kOldCounters) || plat::Exists(kCounters)) return;
  // The counters are set in a new F34.DAT under its pending name, which takes
  // the place of CONFIGA.DAT through the journal: a run cut short between two
  // counters leaves no F34.DAT that would stop the migration for good.
  PendingFile counters(kCounters);
  if (!counters.stream() || !counters.Finish()) return;
  const std::string pending = rec::NewFile::PendingName(kCounters);
  bool any_set = false;
  for (int field = 0; field < 6; ++field) {
    std::optional<long> value = ReadOldCounter(field);
    if (!value) return;
    if (*value <= 0) continue;
    // A counter that could not be written keeps its value in CONFIGA.DAT.
    if (CounterSetIn(pending, "", kCounterNames[field], *value) != 1) return;
    any_set = true;
  }
  rec::FileChanges changes;
  std::vector<PendingFile*> files;
  if (any_set) {
    // The first counter set creates F34.DAT; with none, there is none.
    StreamPtr written = FOpenUpdate(pending);
    if (!written || !written->Sync() || !FCloseIf(written)) return;
    changes.Create(kCounters);
    files.push_back(&counters);
  }
  changes.Delete(kOldCounters);
  ApplyChanges(changes, files);
}

}  // namespace convert
