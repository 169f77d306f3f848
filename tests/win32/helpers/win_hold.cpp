// A second process for the busy test: opens a file the way the program does
// (for writing, or with "read" for reading), says "holding" on its standard
// output, keeps the file for the given time and ends.
//   lanvo-win-hold FILE MILLISECONDS [read]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.hpp"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: lanvo-win-hold FILE MILLISECONDS [read]\n", stderr);
    return 2;
  }
  bool read = argc > 3 && std::strcmp(argv[3], "read") == 0;
  plat::Handle h = plat::OpenFile(argv[1], read ? plat::OpenMode::kRead : plat::OpenMode::kUpdate);
  if (h == plat::kNoHandle) {
    std::fputs("cannot open\n", stdout);
    return 1;
  }
  std::fputs("holding\n", stdout);
  std::fflush(stdout);
  plat::SleepMs(std::atoi(argv[2]));
  plat::CloseFile(h);
  return 0;
}
