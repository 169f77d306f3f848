#include "tests/posix/console_support.hpp"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace test {

ConsoleResult RunConsole(const std::string& arguments) {
  return RunShell(std::string(LANVO303_EXE) + " " + arguments);
}

ConsoleResult RunShell(const std::string& command) {
  ConsoleResult result{-1, ""};
  FILE* pipe = popen((command + " </dev/null 2>&1").c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  std::size_t got;
  while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.out.append(buffer.data(), got);
  int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

}  // namespace test
