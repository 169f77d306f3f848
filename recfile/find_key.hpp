// The keyed record search: finds the first live record of a record file whose
// key fields hold the given texts. Used on the counters file and on the code
// table. The search is linear in record order and the first match wins.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "recfile/recfile.hpp"

// One key field: the text looked for, and where the field lies in a record.
// The text is cut to the width and padded with spaces to it; a part of width
// 0 takes no part in the comparison.
struct KeyPart {
  const char* text = "";
  int offset = 0;
  int width = 0;
};

enum class FindMode {
  kAny,        // the first matching record
  kAnyExcept,  // the first matching record other than the excluded index
};

// Widest first key part, and widest second and third part.
constexpr int kFirstKeyWidthCap = 50;
constexpr int kOtherKeyWidthCap = 10;
constexpr int kMaxKeyParts = 3;

// Searches from record 0. Returns 1 with *index set to the record found, or 0
// with *index -1. A first key text that is empty or all spaces finds nothing,
// without reading the file. Deleted records (last byte '+') never match.
// A given stream is left open at some position of the search; by name, the
// file is opened for reading and closed again (not found when it cannot be
// opened). Parts after the third are ignored.
int FFindKey(Stream* stream, int record_length, std::span<const KeyPart> parts, FindMode mode,
             std::int64_t except, std::int64_t* index);
int FFindKey(const std::string& name, int record_length, std::span<const KeyPart> parts,
             FindMode mode, std::int64_t except, std::int64_t* index);

// One key part, any match.
int FFindKey(Stream* stream, int record_length, const char* key, int offset, int width,
             std::int64_t* index);
int FFindKey(const std::string& name, int record_length, const char* key, int offset, int width,
             std::int64_t* index);
