// Support for the tests of the conversion bodies: a body run on a source given
// as bytes, and the records of step 1 built field by field.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "recfile/stream.hpp"
#include "tests/support.hpp"

namespace test {

struct Converted {
  bool ok;            // what the body answered
  std::string bytes;  // what it wrote
};

using Body = std::function<bool(rec::Stream& source, rec::Stream& target)>;

// Writes the source into the working folder, runs the body from it into a new
// file and answers the body's result and the target's bytes. window is the
// streams' window: a small one makes records straddle its edges.
Converted RunBody(const Body& body, const std::string& source,
                  std::size_t window = rec::Stream::kDefaultWindow);

// A text of exactly width characters that names its field and its client,
// with a character of code page 1252 in it: "N3\xC9N3\xC9N3\xC9...".
std::string FieldText(const std::string& tag, int client, std::size_t width);

// An F10.DAT record whose every kept field is full, with the characters that
// the conversion reads and drops, and those it never reads, set to '~'.
Record OldClient(int n);
// What pass 1 makes of it, field by field.
Record IntermediateClient(const Record& old);
// What pass 2 makes of an F10R1.DAT record, field by field.
Record NewClientFromIntermediate(const Record& mid);
// What both passes make of an F10.DAT record, straight from the old fields.
Record NewClientFromOld(const Record& old);

// An F13.DAT record (its unkept tail set to '~') and the F24.DAT record that
// it gives.
Record OldCode(const std::string& code, const std::string& name);
Record NewCode(const std::string& code, const std::string& name);

// A registration record with text everywhere, the amounts at 149 and 165
// such that the second is more than 15 times the first, and its last
// character; and the record as the one-time fix leaves it.
Record Registration(char fill, char last);
Record Blanked(Record registration);

// An F14.DAT form with its slots given as texts; the character after the code
// and everything after the slots hold '~'.
Record OldForm(const std::string& code, const std::string& description, const std::vector<std::string>& slots);
// The F14R0.DAT form with its groups given as texts ("3 30").
Record NewForm(const std::string& code, const std::string& description, const std::vector<std::string>& groups);

}  // namespace test
