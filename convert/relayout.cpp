#include "convert/relayout.hpp"

#include <algorithm>
#include <vector>

std::size_t ReadAt(rec::Stream& stream, std::int64_t position, char* buffer, std::size_t n) {
  if (!stream.Seek(position)) return 0;
  return stream.Read(buffer, n);
}

bool RelayoutRecords(rec::Stream& source, rec::Stream& target, const RecordLayout& layout) {
  int widest = 0;
  for (const FieldMove& m : layout.moves) widest = std::max(widest, m.read);
  std::vector<char> stretch(static_cast<std::size_t>(widest));

  for (std::int64_t start = 0;; start += layout.source_length) {
    for (std::size_t i = 0; i < layout.moves.size(); ++i) {
      const FieldMove& m = layout.moves[i];
      // Each stretch is read at its own offset, so what a short record lacks
      // comes out blank and never from a neighbouring record or field.
      std::size_t got = ReadAt(source, start + m.at, stretch.data(), static_cast<std::size_t>(m.read));
      if (source.Failed()) return false;
      if (i == 0) {
        if (got == 0) return !target.Failed();  // no record begins here
        target.Write(layout.lead);
      }
      std::size_t from = std::min(got, static_cast<std::size_t>(m.keep_from));
      std::size_t kept = std::min(got - from, static_cast<std::size_t>(m.keep));
      target.WriteField(std::string_view(stretch.data() + from, kept), static_cast<std::size_t>(m.width));
      target.WriteSpaces(static_cast<std::size_t>(m.spaces));
    }
    if (target.Failed()) return false;
  }
}
