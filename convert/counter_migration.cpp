// The counter migration of step 2: the six last codes that older releases kept
// in CONFIGA.DAT become counters of the empty group in F34.DAT.
#include "convert/counter_migration.hpp"

#include <iterator>
#include <vector>

#include "recfile/counters.hpp"
#include "recfile/journal.hpp"
#include "recfile/new_file.hpp"
#include "recfile/recfile.hpp"
#include "recfile/text.hpp"

namespace convert {
namespace {

constexpr char kOldCounters[] = "CONFIGA.DAT";
constexpr int kFieldWidth = 11;
// The fields of CONFIGA.DAT in order, named by the module numbers that name
// the counters: clients, receipts, auctions, payment forms, farms, banks.
constexpr const char* kCounterNames[] = {"10", "60", "11", "14", "9", "4"};
// Counters hold 0 to 999,999,999; an old value outside 1 to 999,999,998 is
// not carried over.
constexpr long kValueLimit = 999999999;

constexpr std::size_t kCounterCount = std::size(kCounterNames);

// The values of the six fields, 0 for a field that is not there or holds no
// value to carry over. False when the file could not be read, which must not
// pass for fields without a value.
bool ReadOldCounters(long (&values)[kCounterCount]) {
  StreamPtr file = FOpenRead(kOldCounters);
  if (!file) return false;
  for (std::size_t field = 0; field < kCounterCount; ++field) {
    char text[kFieldWidth + 1];
    bool read = file->Seek(static_cast<std::int64_t>(field) * kFieldWidth) &&
                FReadField(file.get(), text, kFieldWidth);
    if (file->Failed()) return false;
    long value = read ? TextToInt(text) : 0;
    values[field] = (value < 0 || value >= kValueLimit) ? 0 : value;
  }
  return true;
}

}  // namespace

void MigrateOldCounters() {
  if (!plat::Exists(kOldCounters) || plat::Exists(kCountersFile)) return;
  // The counters are set in a new F34.DAT under its pending name, which takes
  // the place of CONFIGA.DAT through the journal: a run cut short between two
  // counters leaves no F34.DAT that would stop the migration for good.
  long values[kCounterCount];
  if (!ReadOldCounters(values)) return;
  rec::NewFile counters(kCountersFile, rec::NewFile::Placing::kJournal);
  if (!counters.stream() || !counters.Finish()) return;
  const std::string pending = rec::NewFile::PendingName(kCountersFile);
  bool any_set = false;
  for (std::size_t field = 0; field < kCounterCount; ++field) {
    if (values[field] <= 0) continue;
    // A counter that could not be written keeps its value in CONFIGA.DAT.
    if (!CounterSetIn(pending, "", kCounterNames[field], values[field])) return;
    any_set = true;
  }
  rec::FileChanges changes;
  std::vector<rec::NewFile*> files;
  if (any_set) {
    // The first counter set creates F34.DAT; with none, there is none.
    StreamPtr written = FOpenUpdate(pending);
    if (!written || !written->Sync() || !FCloseIf(written)) return;
    changes.Create(kCountersFile);
    files.push_back(&counters);
  }
  changes.Delete(kOldCounters);
  rec::ApplyChanges(changes, files);
}

}  // namespace convert
