#include "convert/relayout.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "recfile/record_io.hpp"

bool RelayoutRecords(rec::Stream& source, rec::Stream& target, const RecordLayout& layout) {
  // A whole record is read at once and its target built in memory, then
  // written at once: a million records are then a million reads and writes
  // inside the streams' windows rather than forty million.
  std::vector<char> record(static_cast<std::size_t>(layout.source_length));
  std::string out;
  out.reserve(static_cast<std::size_t>(layout.target_length));
  for (std::int64_t start = 0;; start += layout.source_length) {
    std::size_t got = rec::ReadAt(source, start, record.data(), record.size());
    if (source.Failed()) return false;
    if (got == 0) return !target.Failed();  // no record begins here
    out.assign(layout.lead);
    for (const FieldMove& m : layout.moves) {
      // Each stretch takes only what the record holds at its own offset, so
      // what a short record lacks comes out blank and never from a
      // neighbouring record or field.
      std::size_t at = static_cast<std::size_t>(m.at);
      std::size_t there = got > at ? std::min(got - at, static_cast<std::size_t>(m.read)) : 0;
      std::size_t from = std::min(there, static_cast<std::size_t>(m.keep_from));
      std::size_t kept = std::min(there - from, static_cast<std::size_t>(m.keep));
      out.append(record.data() + at + from, kept);
      out.append(static_cast<std::size_t>(m.width) - kept + static_cast<std::size_t>(m.spaces), ' ');
    }
    target.Write(out);
    if (target.Failed()) return false;
  }
}
