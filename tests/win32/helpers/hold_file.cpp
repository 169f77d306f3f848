// A second process for the busy test: opens a file for writing the way the
// program's writers do, says so on its standard output, keeps the file for
// the given time and ends.
//   lanvo-hold-file FILE MILLISECONDS
#include <cstdio>
#include <cstdlib>

#include "platform/platform.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: lanvo-hold-file FILE MILLISECONDS\n", stderr);
    return 2;
  }
  plat::Handle h = plat::OpenFile(argv[1], plat::OpenMode::kUpdate);
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
