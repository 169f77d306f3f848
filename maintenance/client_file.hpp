// The part of the 3.03 client file F10R2.DAT that the maintenance commands
// read and write, and the small routines that they share. The export, the
// import, the change of group and the delinquency update all work on whole
// 1000-character records or on the group code at 232.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "recfile/stream.hpp"

namespace maint {

constexpr char kClientFile[] = "F10R2.DAT";
constexpr int kClientLength = 1000;
// The import rewrites only the first 10 of the 11 characters of the code.
constexpr int kCodeAt = 0, kCodeWidth = 10;
// Three characters of the group field at 232 hold the group code since 3.03.
constexpr int kGroupAt = 232, kGroupWidth = 3;
constexpr int kTaxpayerAt = 250, kTaxpayerWidth = 18;  // CPF/CNPJ as formatted text

// Compares a code that the user typed with a record field over at most n
// characters, stopping where either text ends; only the letters A to Z are
// compared without regard to case (accented letters must match exactly).
bool SameCodeIgnoringCase(const char* a, const char* b, std::size_t n);

// A field of a record held in memory, as the line read of limit width + 1
// takes it from the file: at most width characters, ending after a line feed,
// copied into buffer (which holds width + 1) and terminated. False when the
// record (cut short at the end of the file) ends before the field.
bool FieldAt(std::string_view record, int offset, char* buffer, int width);

// Reads record n, the length characters at n × length (fewer for a last
// record cut short), into buffer, which holds length + 1, and terminates it.
// Returns the number of characters read, 0 past the end. A null character
// inside the record becomes a space, so that the record does not end there
// for the text routines that follow. A line feed, which a record file should
// not hold either, ends nothing: read line by line, it would cut its record
// in two and shift every record after it by the rest.
std::size_t ReadRecordAt(rec::Stream& stream, std::int64_t n, char* buffer, int length);

}  // namespace maint
