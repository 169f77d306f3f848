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

std::size_t ReadRecordLine(rec::Stream& stream, char* buffer, int length) {
  std::int64_t start = stream.Tell();
  if (!stream.ReadLine(buffer, length + 1)) return 0;
  auto got = static_cast<std::size_t>(stream.Tell() - start);
  for (std::size_t i = 0; i < got; ++i)
    if (buffer[i] == '\0') buffer[i] = ' ';
  return got;
}

}  // namespace maint
