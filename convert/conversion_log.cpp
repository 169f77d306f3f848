// The conversion log CONV.DAT: one entry a line, a step code followed by CR LF,
// only ever appended. An entry is found by its prefix, reading the log in
// pieces of at most 9 characters as the application always has.
#include <cstring>

#include "convert/conversion_log.hpp"
#include "recfile/recfile.hpp"

namespace {
const char kLogName[] = "CONV.DAT";
}

int LogTest(const char* code) {
  std::size_t length = std::strlen(code);
  StreamPtr log = FOpenRead(kLogName);
  if (!log) return 0;
  char piece[10];
  while (log->ReadLine(piece, sizeof piece)) {
    if (std::strncmp(piece, code, length) == 0) return 1;
  }
  return 0;
}

int LogTestAndMark(const char* code) {
  if (LogTest(code)) return 1;
  StreamPtr log = FOpenAppend(kLogName);
  if (log) {
    log->Write(code);
    log->Write("\r\n");
    // The entry must be on the disk before the work it guards goes on.
    log->Sync();
  }
  return 0;
}
