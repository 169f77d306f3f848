#include "recfile/find_key.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/platform.hpp"
#include "recfile/text.hpp"

namespace {

// A key part as it is compared: its text cut and padded to its capped width.
struct Part {
  std::int64_t offset;
  std::size_t width;
  std::string key;
};

Part Prepare(const KeyPart& part, int cap) {
  int width = std::clamp(part.width, 0, cap);
  std::string key = part.text ? part.text : "";
  key.resize(static_cast<std::size_t>(width), ' ');
  return {part.offset, static_cast<std::size_t>(width), std::move(key)};
}

bool FieldEquals(Stream* stream, std::int64_t position, const Part& part) {
  char field[kFirstKeyWidthCap];
  return stream->Seek(position) && stream->Read(field, part.width) == part.width &&
         std::memcmp(field, part.key.data(), part.width) == 0;
}

// A blank key would match every blank record; it stands for "no key".
bool HasKey(std::span<const KeyPart> parts) {
  return !parts.empty() && parts[0].text && HasText(parts[0].text);
}

int Search(Stream* stream, int length, const Part* parts, std::size_t count, FindMode mode,
           std::int64_t except, std::int64_t* index) {
  const Part& first = parts[0];
  char field[kFirstKeyWidthCap];
  for (std::int64_t i = 0;; ++i) {
    std::int64_t record = i * length;
    // The walk ends where the first key field can no longer be read.
    if (!stream->Seek(record + first.offset)) return 0;
    std::size_t got = stream->Read(field, first.width);
    if (got == 0) return 0;
    bool match = got == first.width && std::memcmp(field, first.key.data(), got) == 0 &&
                 !FIsDeleted(stream, i, length);
    for (std::size_t p = 1; match && p < count; ++p)
      if (parts[p].width > 0) match = FieldEquals(stream, record + parts[p].offset, parts[p]);
    if (match && (mode == FindMode::kAny || i != except)) {
      *index = i;
      return 1;
    }
  }
}

}  // namespace

int FFindKey(Stream* stream, int record_length, std::span<const KeyPart> parts, FindMode mode,
             std::int64_t except, std::int64_t* index) {
  *index = -1;
  if (!HasKey(parts)) return 0;
  // Without a length or a first field the walk would never move on.
  if (!stream || record_length <= 0 || parts[0].width <= 0) return 0;
  std::size_t count = std::min<std::size_t>(parts.size(), kMaxKeyParts);
  Part prepared[kMaxKeyParts];
  for (std::size_t p = 0; p < count; ++p)
    prepared[p] = Prepare(parts[p], p == 0 ? kFirstKeyWidthCap : kOtherKeyWidthCap);
  plat::Cursor cursor = plat::ShowWaitCursor();
  int found = Search(stream, record_length, prepared, count, mode, except, index);
  plat::RestoreCursor(cursor);
  return found;
}

int FFindKey(const std::string& name, int record_length, std::span<const KeyPart> parts,
             FindMode mode, std::int64_t except, std::int64_t* index) {
  *index = -1;
  if (!HasKey(parts)) return 0;
  StreamPtr stream = FOpenRead(name);
  if (!stream) return 0;
  int found = FFindKey(stream.get(), record_length, parts, mode, except, index);
  FCloseIf(stream);
  return found;
}

int FFindKey(Stream* stream, int record_length, const char* key, int offset, int width,
             std::int64_t* index) {
  KeyPart part{key, offset, width};
  return FFindKey(stream, record_length, std::span<const KeyPart>(&part, 1), FindMode::kAny, -1,
                  index);
}

int FFindKey(const std::string& name, int record_length, const char* key, int offset, int width,
             std::int64_t* index) {
  KeyPart part{key, offset, width};
  return FFindKey(name, record_length, std::span<const KeyPart>(&part, 1), FindMode::kAny, -1,
                  index);
}
