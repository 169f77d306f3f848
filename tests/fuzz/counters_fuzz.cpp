// The counters file F34.DAT on any bytes, through the counter operations and
// the keyed search, and the guarded open on a record file of any size with
// any record length. The input is the file and a script of operations; keys
// come from the script or from the records of the file itself, so that the
// operations find what the file holds.
#include <algorithm>
#include <cstring>
#include <string>

#include "recfile/counters.hpp"
#include "recfile/find_key.hpp"
#include "recfile/guarded_open.hpp"
#include "recfile/text.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

constexpr char kCounters[] = "F34.DAT";
constexpr std::int64_t kCounterLength = 30;
constexpr std::size_t kFieldWidth = 10;
constexpr long kMaxValue = 999999999;
// The file that the guarded open works on, a copy of the input's file.
constexpr char kRecords[] = "F99.DAT";
constexpr int kMaxOperations = 32;

struct Key {
  std::string group;
  std::string name;
};

// A key from the script, or the group and the name of one of the records of
// the counters file as it is now (spaces after them trimmed).
Key NextKey(fuzz::Script& script, const fuzz::Workspace& ws) {
  std::uint8_t how = script.Byte();
  std::string file = ws.Read(kCounters);
  if ((how & 0x80) == 0 || file.empty()) return {script.Text(), script.Text()};
  std::size_t start = (how & 0x7F) % fuzz::RecordCount(file.size(), kCounterLength) * kCounterLength;
  auto field = [&](std::size_t at) {
    std::string text = at < file.size() ? file.substr(at, kFieldWidth) : "";
    return text.erase(text.find_last_not_of(' ') + 1);
  };
  return {field(start), field(start + kFieldWidth)};
}

// A key that the counters file can hold: its group or its name, cleaned and
// cut as a record takes them, is not blank (a blank key finds nothing).
bool Findable(const Key& key) {
  for (const std::string* text : {&key.group, &key.name}) {
    std::string cleaned = *text;
    CleanText(cleaned.data());
    cleaned.resize(std::min(std::strlen(cleaned.c_str()), kFieldWidth));
    if (HasText(cleaned.c_str())) return true;
  }
  return false;
}

// What a counter reads after a write of value: a stored value outside 0 to
// 999,999,999 reads as 0.
long ReadBack(long value) { return value < 0 || value > kMaxValue ? 0 : value; }

void ExpectCounterIs(const Key& key, long value) {
  long read = -1;
  fuzz::Check(CounterRead(key.group.c_str(), key.name.c_str(), &read), "a counter just written cannot be read");
  fuzz::Check(read == ReadBack(value), "a counter reads " + std::to_string(read) + " after " + std::to_string(value) +
                                           " was written");
}

// The first live record whose field at offset holds the key, read from the
// bytes: what the keyed search must find.
std::int64_t FirstMatch(const std::string& file, int length, int offset, int width, const std::string& key) {
  if (!HasText(key.c_str()) || length <= 0) return -1;
  width = std::clamp(width, 0, kFirstKeyWidthCap);
  if (width == 0) return -1;
  std::string padded = key.c_str();
  padded.resize(static_cast<std::size_t>(width), ' ');
  auto size = static_cast<std::int64_t>(file.size());
  for (std::int64_t i = 0;; ++i) {
    std::int64_t at = i * length + offset;
    if (at < 0 || at >= size) return -1;
    std::int64_t mark = i * length + length - 1;
    bool deleted = mark < size && file[static_cast<std::size_t>(mark)] == '+';
    if (at + width <= size && file.compare(static_cast<std::size_t>(at), static_cast<std::size_t>(width), padded) == 0 &&
        !deleted)
      return i;
  }
}

void FindKey(fuzz::Script& script, const fuzz::Workspace& ws) {
  int length = 1 + script.Byte() % 64;
  int offset = script.Signed();
  int width = script.Signed();
  std::string key = script.Text();
  std::int64_t expected = FirstMatch(ws.Read(kCounters), length, offset, width, key);
  std::int64_t index = 99;
  int found = FFindKey(std::string(kCounters), length, key.c_str(), offset, width, &index);
  fuzz::Check(found == (expected >= 0) && index == expected,
              "the keyed search found " + std::to_string(index) + ", the first match is " + std::to_string(expected));
  StreamPtr stream = FOpenRead(kCounters);
  if (!stream) return;
  found = FFindKey(stream.get(), length, key.c_str(), offset, width, &index);
  FCloseIf(stream);
  fuzz::Check(found == (expected >= 0) && index == expected, "the keyed search on a stream differs");
}

// One record written through the guarded open: it lands at the index the
// open gave, and the file grows only to a record boundary.
void GuardedWrite(fuzz::Script& script, const fuzz::Workspace& ws) {
  int length = script.Byte() % 65;
  std::uint8_t how = script.Byte();
  int mode = (how & 1) ? kNewRecord : kRewriteRecord;
  int reuse = (how >> 1) % 3;
  std::int64_t index = script.Signed();
  std::int64_t before = ws.Size(kRecords);
  StreamPtr stream = FOpen2(kRecords, length, &index, mode, reuse);
  if (!stream) return;
  std::string record(static_cast<std::size_t>(length), 'R');
  fuzz::Check(stream->Write(record) == record.size(), "the guarded open gave a stream that cannot be written");
  fuzz::Check(FCloseIf(stream), "closing the guarded open's stream failed");
  if (length == 0) return;
  fuzz::Check(index >= 0, "the guarded open gave no record index");
  if (before >= 0) fuzz::ExpectUpdatedInPlace(ws, kRecords, before, length);
  std::string file = ws.Read(kRecords);
  fuzz::Check(file.size() % static_cast<std::size_t>(length) == 0 || before >= 0, "a new file not of whole records");
  fuzz::Check(file.compare(static_cast<std::size_t>(index * length), record.size(), record) == 0,
              "the record did not land at the index the guarded open gave");
}

void ExpectCountersKeptWhole(const fuzz::Workspace& ws, std::int64_t before) {
  if (before >= 0)
    fuzz::ExpectUpdatedInPlace(ws, kCounters, before, kCounterLength);
  else if (ws.Has(kCounters))
    fuzz::ExpectWholeRecords(ws, kCounters, kCounterLength);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  auto parts = fuzz::SplitInput(data, size, 2);
  fuzz::Script script(parts[1]);
  // The first byte of the script says which files exist (also empty).
  std::uint8_t files = script.Byte();
  if (files & 1) ws.Write(kCounters, parts[0]);
  if (files & 2) ws.Write(kRecords, parts[0]);

  for (int n = 0; n < kMaxOperations && !script.Done(); ++n) {
    std::int64_t before = ws.Size(kCounters);
    switch (script.Byte() % 6) {
      case 0: {
        Key key = NextKey(script, ws);
        long value = -1;
        if (CounterRead(key.group.c_str(), key.name.c_str(), &value))
          fuzz::Check(value >= 0 && value <= kMaxValue, "a counter read out of range");
        break;
      }
      case 1: {
        Key key = NextKey(script, ws);
        int digits = script.Signed();
        long value = -1;
        if (!CounterNext(key.group.c_str(), key.name.c_str(), &value, digits)) break;
        int cycle = digits >= 1 && digits <= 9 ? digits : 6;
        long widest = 1;
        for (int i = 0; i < cycle; ++i) widest *= 10;
        fuzz::Check(value >= 1 && value < widest, "a next code out of its cycle");
        if (Findable(key)) ExpectCounterIs(key, value);
        break;
      }
      case 2: {
        Key key = NextKey(script, ws);
        long value = script.Int();
        if (CounterSet(key.group.c_str(), key.name.c_str(), value) && Findable(key)) ExpectCounterIs(key, value);
        break;
      }
      case 3: {
        Key key = NextKey(script, ws);
        std::string group = script.Text();
        CounterRegroup(key.group.c_str(), key.name.c_str(), group.c_str());
        break;
      }
      case 4:
        FindKey(script, ws);
        break;
      case 5:
        GuardedWrite(script, ws);
        break;
    }
    ExpectCountersKeptWhole(ws, before);
  }
  ws.ExpectOnly({kCounters, kRecords});
  return 0;
}
