// Reading and changing the records of a record file in memory: a step or a
// command reads a whole record, takes its fields from there, changes it there
// and writes it back or to the file's new version; the streams' windows make
// this free of system calls per field. The layouts that these routines are
// used with are written as named offsets and widths (recfile/client_record.hpp,
// recfile/member_record.hpp), checked with FillsRecord.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "recfile/stream.hpp"

namespace rec {

// One field of a record layout.
struct FieldSpan {
  int at;
  int width;
};

// True when the fields, in order, lie back to back from 0 and fill a record
// of the given length: a check for the layouts written as named offsets.
constexpr bool FillsRecord(std::initializer_list<FieldSpan> fields, int length) {
  int next = 0;
  for (const FieldSpan& field : fields) {
    if (field.at != next || field.width < 0) return false;
    next += field.width;
  }
  return next == length;
}

// Reads up to n characters at position into buffer; returns how many there
// were (fewer at the end of the file).
std::size_t ReadAt(Stream& stream, std::int64_t position, char* buffer, std::size_t n);

// Reads the record of the given length that starts at start: as many of its
// characters as the file holds (fewer for a last record cut short, none past
// the end).
std::string_view ReadRecord(Stream& stream, std::int64_t start, std::size_t length, std::string& buffer);

// The field at offset of a record held in memory, as a field read takes it:
// at most width characters, only those the record has, ending after a line
// feed. Empty when the record ends before the offset, so that a record cut
// short never lends a field the text of another record.
std::string_view FieldOf(std::string_view record, int offset, int width);

// The same field as a text: copied into buffer (which holds width + 1) and
// terminated, so that a null character inside it ends it, as it ends the text
// of a line read. False when the record ends before the offset.
bool FieldAsText(std::string_view record, int offset, char* buffer, int width);

// The text with its trailing spaces removed (TrimRight over a view).
std::string_view TrimmedRight(std::string_view text);

// Puts text at offset of a record held in memory, which keeps its length:
// what would fall beyond its end is not written, so a record cut short at the
// end of a file never grows.
void PutInRecord(std::string& record, int offset, std::string_view text);
// The same with n spaces.
void BlankInRecord(std::string& record, int offset, int n);

// Appends value as a field of width characters: padded with spaces, and cut
// when longer, so that a record built field by field always has its width.
void AppendField(std::string& record, std::string_view value, int width);

}  // namespace rec
