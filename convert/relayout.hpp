// Record re-layout: a conversion of one file of fixed-length records into
// another, written as a table of moves. Each move reads a stretch of the
// source record at a fixed offset, keeps part of what it read, and writes that
// part as a target field of fixed width, padded with spaces, optionally
// followed by blank filler. The table is run once per source record.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "recfile/stream.hpp"

struct FieldMove {
  int at;         // offset of the stretch in the source record
  int read;       // characters read there
  int keep_from;  // the part kept: from this character of what was read...
  int keep;       // ...this many characters
  int width;      // the target field
  int spaces;     // blank filler written after the field
};

struct RecordLayout {
  int source_length;
  int target_length;
  std::string_view lead;  // fixed text that opens every target record
  std::span<const FieldMove> moves;
};

// True when every target record comes out exactly target_length characters
// long and every move stays inside its source record and its target field:
// the tables are checked by static_assert where they are written.
constexpr bool IsConsistent(const RecordLayout& layout) {
  if (layout.moves.empty() || layout.moves.front().at != 0) return false;
  long written = static_cast<long>(layout.lead.size());
  for (const FieldMove& m : layout.moves) {
    if (m.at < 0 || m.read <= 0 || m.at + m.read > layout.source_length) return false;
    if (m.keep_from < 0 || m.keep < 0 || m.keep_from + m.keep > m.read) return false;
    if (m.keep > m.width || m.spaces < 0) return false;
    written += m.width + m.spaces;
  }
  return written == layout.target_length;
}

// Converts every record of source into target, record n of the source read at
// n × source_length. A record exists when its first move reads at least one
// character; a last record cut short is converted with the characters that
// exist, every field padded to its width, so every target record is exactly
// target_length long. Returns false when a read or a write failed.
bool RelayoutRecords(rec::Stream& source, rec::Stream& target, const RecordLayout& layout);
