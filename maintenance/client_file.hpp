// The small routines that the maintenance commands share over the client file
// F10R2.DAT (its layout is recfile/client_record.hpp): the export, the
// import, the change of group and the delinquency update all work on whole
// 1000-character records or on the group code at 232.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recfile/stream.hpp"

namespace maint {

// Compares a code that the user typed with a record field over at most n
// characters, stopping where either text ends; only the letters A to Z are
// compared without regard to case (accented letters must match exactly).
bool SameCodeIgnoringCase(const char* a, const char* b, std::size_t n);

// Reads record n, the length characters at n × length (fewer for a last
// record cut short), into buffer, which holds length + 1, and terminates it.
// Returns the number of characters read, 0 past the end. A null character
// inside the record becomes a space, so that the record does not end there
// for the text routines that follow. A line feed, which a record file should
// not hold either, ends nothing: read line by line, it would cut its record
// in two and shift every record after it by the rest.
std::size_t ReadRecordAt(rec::Stream& stream, std::int64_t n, char* buffer, int length);

}  // namespace maint
