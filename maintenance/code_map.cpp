#include "maintenance/code_map.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "recfile/text.hpp"

namespace maint {
namespace {

// How many names after the one of the clock are tried before giving up.
constexpr int kNameTries = 1000;

// The next name in the sequence of TempFileName: its nine digits plus one.
std::string NextName(const std::string& name) {
  long number = std::strtol(name.substr(0, 9).c_str(), nullptr, 10);
  char next[16];
  std::snprintf(next, sizeof next, "%09ld.tmp", (number + 1) % 1000000000L);
  return next;
}

// A name that TempFileName gives: nine digits, then ".tmp" in any case.
bool TempName(const std::string& name) {
  if (name.size() != 13 || name.find_first_not_of("0123456789") != 9) return false;
  std::string suffix = name.substr(9);
  for (char& c : suffix) c = FoldToUpper(c);
  return suffix == ".TMP";
}

// Bytes that only a map has: "1", then spaces and the marks "1" of the codes
// taken, up to the last character, "0" or the mark of code 30000.
bool MapBytes(const std::string& bytes) {
  if (bytes.size() != static_cast<std::size_t>(CodeMap::kEnd) + 1 || bytes.front() != '1') return false;
  std::size_t other = bytes.find_first_not_of("1 ");
  return other == std::string::npos || (other == bytes.size() - 1 && bytes.back() == '0');
}

bool LeftoverMap(const std::string& name) {
  std::int64_t size = plat::FileSize(name);
  if (size == 0) return true;
  if (size != CodeMap::kEnd + 1) return false;
  StreamPtr in = OpenToRead(name);
  if (!in) return false;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  bytes.resize(in->Read(bytes.data(), bytes.size()));
  bool read = !in->Failed();
  return FCloseIf(in) && read && MapBytes(bytes);
}

}  // namespace

void CodeMap::RemoveLeftovers() {
  for (const std::string& name : plat::FindFiles("", "*.tmp"))
    if (TempName(name) && LeftoverMap(name)) FDelete(name);
}

bool CodeMap::Create() {
  char first[14];
  std::string name = TempFileName(first);
  // Only a name that no file has: the map never empties a file of the user's,
  // not even one made between a test of the name and the open.
  StreamPtr map;
  for (int tries = 0; !(map = OpenToCreateNew(name)); name = NextName(name))
    if (!plat::Exists(name) || ++tries == kNameTries) return false;
  name_ = name;
  // The text "1%30000ld" gives for 0: code 0 taken, 1 to 29999 free, then "0".
  bool written = map->Write("1") == 1 && map->WriteSpaces(kEnd - 1) == kEnd - 1 && map->Write("0") == 1;
  written = FCloseIf(map) && written;
  if (!written) Remove();
  return written;
}

bool CodeMap::Open() {
  if (name_.empty()) return false;
  stream_ = OpenToUpdate(name_);
  if (!stream_) return false;
  // The map (30,001 bytes) is read into the stream's window at once: the
  // marks of the local codes, which come in any order, are then made in
  // memory and written back together, not one write of one byte a client.
  stream_->GetChar();
  return !stream_->Failed();
}

void CodeMap::MarkTaken(long code) {
  if (code > kEnd || !stream_->Seek(code)) return;
  stream_->Write("1");
}

void CodeMap::Rewind() { stream_->Seek(0); }

long CodeMap::NextFree() {
  // The search stops on the first character that is not "1", or at the end
  // of the map; the code is the position of the last character read.
  int c;
  do {
    c = stream_->GetChar();
  } while (c == '1');
  return static_cast<long>(stream_->Tell()) - 1;
}

void CodeMap::Remove() {
  FCloseIf(stream_);
  if (!name_.empty()) FDelete(name_);
  name_.clear();
}

}  // namespace maint
