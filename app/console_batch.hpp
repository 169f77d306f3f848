// A batch of conversions: convert DIR... converts each folder in a child
// process of its own, a few at a time, each with its own temporary folder
// ($TMPDIR/lanvo303-NAME-N/, where the run parks R02), and ends with a table
// of what became of each folder.
#pragma once

#include <string>
#include <vector>

namespace console {

struct BatchOptions {
  int jobs = 1;             // folders converted at a time
  std::string report;       // a JSON file of the summary; empty for none
  bool answer_yes = false;  // passed to each run
};

// Converts the folders; 0 when every one converted, 1 otherwise, 2 when the
// same folder is given twice.
int ConvertFolders(const std::vector<std::string>& folders, const BatchOptions& options);

}  // namespace console
