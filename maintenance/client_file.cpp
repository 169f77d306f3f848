#include "maintenance/client_file.hpp"

#include <cstring>

#include "recfile/record_io.hpp"
#include "recfile/text.hpp"

namespace maint {

bool SameCodeIgnoringCase(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (FoldToUpper(a[i]) != FoldToUpper(b[i])) return false;
    if (a[i] == '\0') return true;
  }
  return true;
}

std::size_t ReadRecordAt(rec::Stream& stream, std::int64_t n, char* buffer, int length) {
  std::size_t got = rec::ReadAt(stream, n * length, buffer, static_cast<std::size_t>(length));
  // memchr rather than a test of every byte: a million records are a
  // gigabyte, and null bytes are rare.
  char* end = buffer + got;
  for (char* at = buffer; (at = static_cast<char*>(std::memchr(at, '\0', static_cast<std::size_t>(end - at))));)
    *at++ = ' ';
  buffer[got] = '\0';
  return got;
}

}  // namespace maint
