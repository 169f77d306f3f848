// The entries of the data folder that the file services refused to touch
// (links, special files, hard links, names that are no plain names), told to
// the user in one error message naming each of them.
#pragma once

namespace plat {
class Dialog;
}

namespace rec {

// Shows the error message for the entries refused since the command began
// (each command clears the record at its start); false, and nothing shown,
// when there were none.
bool ShowRefusals(plat::Dialog* dialog);

}  // namespace rec
