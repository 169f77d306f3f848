#include "recfile/counters.hpp"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.hpp"
#include "recfile/guarded_open.hpp"
#include "recfile/text.hpp"

namespace {

// F34.DAT: records of 30 characters with no terminator; the key of a counter
// is its group and name, the first 20 characters.
constexpr int kRecordLength = 30;
constexpr std::size_t kGroupWidth = 10;  // at 0; the empty group is 10 spaces
constexpr std::size_t kNameWidth = 10;   // at 10
constexpr int kValueAt = 20;
constexpr int kValueWidth = 10;          // "%-10ld"
constexpr int kKeyWidth = kGroupWidth + kNameWidth;
constexpr char kRecordFormat[] = "%-10s%-10s%-10ld";

constexpr long kMaxValue = 999999999;
constexpr int kDefaultDigits = 6;

constexpr char kCaption[] = "MacroCodeCad";
constexpr char kReadFailed[] = "Erro ao abrir ou posicionar arquivo de contadores.";

// A group or a name as it goes into a record: cleaned (UTF-8 pairs collapsed,
// control characters made spaces), then cut to its field. Cleaning each field
// before the record is joined keeps every field at its offset; cleaning the
// joined record would shorten the group by each collapsed pair and shift the
// name and the value out of their columns. A longer text is cut so that it
// cannot run into the next field.
std::string FieldText(const char* text, std::size_t width) {
  std::string field = text ? text : "";
  CleanText(field.data());
  field.resize(std::strlen(field.c_str()));
  if (field.size() > width) field.resize(width);
  return field;
}

struct CounterKey {
  std::string group;
  std::string name;
  std::string text;  // "%-10s%-10s" of group and name
};

CounterKey MakeKey(const char* group, const char* name) {
  CounterKey key{FieldText(group, kGroupWidth), FieldText(name, kNameWidth), {}};
  key.text = key.group;
  key.text.resize(kGroupWidth, ' ');
  key.text += key.name;
  key.text.resize(kKeyWidth, ' ');
  return key;
}

// The index of the counter's record, -1 when there is none.
std::int64_t FindCounter(const CounterKey& key, const std::string& file = kCountersFile) {
  std::int64_t index;
  FFindKey(file, kRecordLength, key.text.c_str(), 0, kKeyWidth, &index);
  return index;
}

// A last record cut short inside its key (a write that was interrupted) is
// passed over by the search; but the guarded open completes it with spaces
// before it appends, and completed it may hold this very key. It would then
// come first, and a counter appended behind it would never be found again:
// the next read would give the blank value of the completed record, and a
// code would be handed out twice. The index of such a record, else -1.
std::int64_t CutRecordOfCounter(const CounterKey& key, const std::string& file) {
  if (!HasText(key.text.c_str())) return -1;  // a blank key finds nothing anyway
  StreamPtr f34 = FOpenRead(file);
  if (!f34) return -1;
  std::int64_t index = f34->Size() / kRecordLength;
  auto cut = static_cast<std::size_t>(f34->Size() % kRecordLength);
  char bytes[kKeyWidth];
  bool read = cut > 0 && cut < static_cast<std::size_t>(kKeyWidth) && f34->Seek(index * kRecordLength) &&
              f34->Read(bytes, cut) == cut;
  FCloseIf(f34);
  if (!read) return -1;
  std::string completed(bytes, cut);
  completed.resize(kKeyWidth, ' ');
  return completed == key.text ? index : -1;
}

// True with the value of record index; false when it cannot be read.
bool ReadValue(std::int64_t index, long* value) {
  StreamPtr f34 = FOpenRead(kCountersFile);
  if (!f34) return false;
  char field[kValueWidth + 1];
  if (!f34->Seek(index * kRecordLength + kValueAt) || !FReadField(f34.get(), field, kValueWidth)) {
    FCloseIf(f34);
    plat::ShowMessageBox(nullptr, kReadFailed, kCaption, plat::kIconError);
    return false;
  }
  FCloseIf(f34);
  long stored = TextToInt(field);
  *value = (stored < 0 || stored > kMaxValue) ? 0 : stored;
  return true;
}

// True with the counter's record (-1 for none) and value (0 for none).
bool ReadCounter(const CounterKey& key, std::int64_t* index, long* value) {
  *value = 0;
  *index = FindCounter(key);
  return *index < 0 || ReadValue(*index, value);
}

// Rewrites record index, or appends the counter when index is -1.
bool WriteCounter(const CounterKey& key, std::int64_t index, long value,
                 const std::string& file = kCountersFile) {
  if (index < 0) index = CutRecordOfCounter(key, file);
  char record[64];
  std::snprintf(record, sizeof record, kRecordFormat, key.group.c_str(), key.name.c_str(), value);
  SetLength(record, kRecordLength);
  std::int64_t at = index;
  StreamPtr f34 = FOpen2(file, kRecordLength, &at, index >= 0 ? kRewriteRecord : kNewRecord,
                         kAlwaysAppend);
  if (!f34) return false;
  // A write that the disk refused leaves the counter as it was: not written.
  bool written = f34->WriteField(record, kRecordLength) == static_cast<std::size_t>(kRecordLength);
  return FCloseIf(f34) && written;
}

}  // namespace

bool CounterRead(const char* group, const char* name, long* value) {
  std::int64_t index;
  return ReadCounter(MakeKey(group, name), &index, value);
}

bool CounterNext(const char* group, const char* name, long* value, int digits) {
  CounterKey key = MakeKey(group, name);
  std::int64_t index;
  long current;
  *value = 0;
  if (!ReadCounter(key, &index, &current)) return false;
  int cycle_digits = (digits >= 1 && digits <= 9) ? digits : kDefaultDigits;
  long next = static_cast<long>(NextInCycle(static_cast<unsigned long>(current), cycle_digits));
  if (!WriteCounter(key, index, next)) return false;
  *value = next;
  return true;
}

bool CounterSet(const char* group, const char* name, long value) {
  return CounterSetIn(kCountersFile, group, name, value);
}

bool CounterSetIn(const std::string& file, const char* group, const char* name, long value) {
  CounterKey key = MakeKey(group, name);
  return WriteCounter(key, FindCounter(key, file), value, file);
}

bool CounterRegroup(const char* group, const char* name, const char* new_group) {
  CounterKey key = MakeKey(group, name);
  StreamPtr f34 = FOpenUpdate(kCountersFile);
  if (!f34) return false;
  char record[kRecordLength];
  // Deleted records are not passed over here: the first record with the key
  // is the one that moves.
  for (std::int64_t at = 0; f34->Seek(at); at += kRecordLength) {
    if (f34->Read(record, kRecordLength) < static_cast<std::size_t>(kKeyWidth)) break;
    if (std::memcmp(record, key.text.data(), kKeyWidth) != 0) continue;
    f34->Seek(at);
    bool written = f34->WriteField(FieldText(new_group, kGroupWidth), kGroupWidth) == kGroupWidth;
    return FCloseIf(f34) && written;
  }
  FCloseIf(f34);
  return false;
}
