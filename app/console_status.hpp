// The status command: for each data folder, what a conversion would do there,
// found by running the real conversion in a scratch copy of the folder; the
// folder itself is only read (no byte, mode or time of it changes, and its
// lock file is never made).
#pragma once

#include <string>
#include <vector>

namespace console {

struct StatusOptions {
  bool json = false;
  bool answer_yes = false;  // how the trial run answers a Yes/No question
};

// Prints the report of each folder; 0 when every folder would convert
// cleanly or is at 3.03 already, 1 when something blocks one of them.
int ShowStatus(const std::vector<std::string>& folders, const StatusOptions& options);

}  // namespace console
