// Holds a file open for writing for a while, as another copy of the program
// that writes the file would, so that the busy tests have a second process to
// wait for. Portable: the platform layer and standard C++ only.
//
//   lanvo-hold-file NAME MILLISECONDS [READY [DONE]]
//
// READY is created once NAME is held, DONE once it has been let go; a test
// waits for the first before it looks and for the second before it cleans up.
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "platform/platform.hpp"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: lanvo-hold-file NAME MILLISECONDS [READY [DONE]]\n";
    return 2;
  }
  plat::Handle held = plat::OpenFile(argv[1], plat::OpenMode::kUpdate);
  if (held == plat::kNoHandle) {
    std::cerr << "lanvo-hold-file: cannot open " << argv[1] << " for writing\n";
    return 1;
  }
  if (argc > 3) std::ofstream(argv[3]) << "held\n";
  plat::SleepMs(std::atoi(argv[2]));
  plat::CloseFile(held);
  if (argc > 4) std::ofstream(argv[4]) << "done\n";
  return 0;
}
