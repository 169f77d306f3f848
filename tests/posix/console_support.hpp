// The console program run as a process, for the tests that use it as support
// technicians do.
#pragma once

#include <string>

namespace test {

struct ConsoleResult {
  int status;       // the exit status, -1 when it did not exit normally
  std::string out;  // standard output and standard error
};

// Runs LANVO303_EXE with the arguments (shell words), no terminal on input.
ConsoleResult RunConsole(const std::string& arguments);
// Runs a shell command the same way.
ConsoleResult RunShell(const std::string& command);

}  // namespace test
