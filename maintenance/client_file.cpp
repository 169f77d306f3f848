#include "maintenance/client_file.hpp"

namespace maint {

namespace {

char FoldAsciiLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool SameCodeIgnoringCase(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (FoldAsciiLetter(a[i]) != FoldAsciiLetter(b[i])) return false;
    if (a[i] == '\0') return true;
  }
  return true;
}

std::size_t ReadRecordAt(rec::Stream& stream, std::int64_t n, char* buffer, int length) {
  if (!stream.Seek(n * length)) return 0;
  std::size_t got = stream.Read(buffer, static_cast<std::size_t>(length));
  for (std::size_t i = 0; i < got; ++i)
    if (buffer[i] == '\0') buffer[i] = ' ';
  buffer[got] = '\0';
  return got;
}

}  // namespace maint
