// The entries of the data folder that the file services refused to touch
// (links, special files, hard links, names that are no plain names), told to
// the user in one error message naming each of them.
#pragma once

#include <string>

namespace plat {
class Dialog;
}

namespace rec {

// Shows the error message for the entries refused since the command began
// (each command clears the record at its start); false, and nothing shown,
// when there were none.
bool ShowRefusals(plat::Dialog* dialog);

// Work that a step leaves undone on purpose (a read-only file that it does not
// change), told in one warning message at the end of the run, so that the
// closing message never stands alone for a run that skipped something.
void NoteSkipped(const std::string& text);
// Shows the warning and forgets the notes; false when there were none.
bool ShowSkipped(plat::Dialog* dialog);

}  // namespace rec
