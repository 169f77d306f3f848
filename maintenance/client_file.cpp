#include "maintenance/client_file.hpp"

#include <cstring>

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

bool FieldAt(std::string_view record, int offset, char* buffer, int width) {
  auto at = static_cast<std::size_t>(offset);
  if (at >= record.size()) return false;
  std::string_view field = record.substr(at, static_cast<std::size_t>(width));
  std::size_t feed = field.find('\n');
  if (feed != std::string_view::npos) field = field.substr(0, feed + 1);
  field.copy(buffer, field.size());
  buffer[field.size()] = '\0';
  return true;
}

std::size_t ReadRecordAt(rec::Stream& stream, std::int64_t n, char* buffer, int length) {
  if (!stream.Seek(n * length)) return 0;
  std::size_t got = stream.Read(buffer, static_cast<std::size_t>(length));
  // memchr rather than a test of every byte: a million records are a
  // gigabyte, and null bytes are rare.
  char* end = buffer + got;
  for (char* at = buffer; (at = static_cast<char*>(std::memchr(at, '\0', static_cast<std::size_t>(end - at))));)
    *at++ = ' ';
  buffer[got] = '\0';
  return got;
}

}  // namespace maint
