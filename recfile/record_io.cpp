#include "recfile/record_io.hpp"

#include <algorithm>

namespace rec {

std::size_t ReadAt(Stream& stream, std::int64_t position, char* buffer, std::size_t n) {
  if (!stream.Seek(position)) return 0;
  return stream.Read(buffer, n);
}

std::string_view ReadRecord(Stream& stream, std::int64_t start, std::size_t length, std::string& buffer) {
  buffer.resize(length);
  return std::string_view(buffer.data(), ReadAt(stream, start, buffer.data(), length));
}

std::string_view FieldOf(std::string_view record, int offset, int width) {
  if (offset < 0 || width <= 0 || static_cast<std::size_t>(offset) >= record.size()) return {};
  std::string_view field = record.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(width));
  std::size_t feed = field.find('\n');
  if (feed != std::string_view::npos) field = field.substr(0, feed + 1);
  return field;
}

bool FieldAsText(std::string_view record, int offset, char* buffer, int width) {
  if (offset < 0 || static_cast<std::size_t>(offset) >= record.size()) return false;
  std::string_view field = FieldOf(record, offset, width);
  field.copy(buffer, field.size());
  buffer[field.size()] = '\0';
  return true;
}

std::string_view TrimmedRight(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}

void PutInRecord(std::string& record, int offset, std::string_view text) {
  if (offset < 0 || static_cast<std::size_t>(offset) >= record.size()) return;
  std::size_t at = static_cast<std::size_t>(offset);
  record.replace(at, std::min(text.size(), record.size() - at), text.substr(0, record.size() - at));
}

void BlankInRecord(std::string& record, int offset, int n) {
  if (n > 0) PutInRecord(record, offset, std::string(static_cast<std::size_t>(n), ' '));
}

void AppendField(std::string& record, std::string_view value, int width) {
  if (width <= 0) return;
  std::size_t w = static_cast<std::size_t>(width);
  value = value.substr(0, std::min(w, value.size()));
  record.append(value);
  record.append(w - value.size(), ' ');
}

}  // namespace rec
