// The console program run again as a child process: the status command runs
// the real conversion in a scratch copy this way, and a batch runs one child
// per folder. Each child has its own temporary folder ($TMPDIR), no terminal
// on its input, and its output (standard output and error together) on a pipe.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace console {

struct Child {
  pid_t pid = -1;
  int output = -1;  // read end of the pipe, non-blocking
};

// Starts this program with the arguments (not counting its own name) and
// TMPDIR set to temp_folder. pid -1 when it could not be started.
Child StartSelf(const std::vector<std::string>& arguments, const std::string& temp_folder);

// Reads what the child has written so far into text; false at the end of its
// output.
bool ReadSome(Child& child, std::string* text);

// Waits for the child to end; its exit status, or 128 + the signal that ended it.
int WaitFor(Child& child);

// Runs the child to its end: its whole output, and its exit status.
int RunToEnd(Child child, std::string* output);

}  // namespace console
