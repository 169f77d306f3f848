// Reading and changing the records of a file that a step rewrites (the client
// file, the company file): a step reads a whole record into memory, takes its
// fields from there, changes it there and writes it to the file's new version;
// the streams' windows make this free of system calls per field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "recfile/stream.hpp"

namespace convert {

// Reads up to n characters at position into buffer; returns how many there
// were (fewer at the end of the file).
std::size_t ReadAt(rec::Stream& stream, std::int64_t position, char* buffer, std::size_t n);

// Reads the record of the given length that starts at start: as many of its
// characters as the file holds (fewer for a last record cut short, none past
// the end).
std::string_view ReadRecord(rec::Stream& stream, std::int64_t start, std::size_t length,
                            std::string& buffer);

// The field at offset of a record held in memory, as a field read takes it:
// at most width characters, only those the record has, ending after a line
// feed. Empty when the record ends before the offset, so that a record cut
// short never lends a field the text of another record.
std::string_view FieldOf(std::string_view record, int offset, int width);

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

}  // namespace convert
