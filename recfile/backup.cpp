#include "recfile/backup.hpp"

#include <cstring>

#include "platform/platform.hpp"
#include "recfile/recfile.hpp"

namespace rec {
namespace {

// Far more than a folder ever holds; past it the source simply stays.
constexpr int kLastNumber = 999;

std::vector<std::pair<std::string, std::string>>& Numbered() {
  static std::vector<std::pair<std::string, std::string>> kept;
  return kept;
}

void NoteNumbered(const std::string& source, const std::string& name, int n) {
  if (n > 0) Numbered().emplace_back(source, name);
}

// The folder that holds a name of the data folder, for flushing its entries.
std::string FolderOf(const std::string& name) {
  std::size_t slash = name.find_last_of('\\');
  return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

}  // namespace

std::string NumberedBackup(const std::string& backup, int n) {
  if (n == 0) return backup;
  std::size_t dot = backup.rfind('.');
  std::size_t slash = backup.find_last_of('\\');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = backup.size();
  return backup.substr(0, dot) + "-" + std::to_string(n) + backup.substr(dot);
}

bool SameBytes(const std::string& a, const std::string& b) {
  if (plat::IsFolder(a) || plat::IsFolder(b)) return false;
  StreamPtr x = OpenToRead(a), y = OpenToRead(b);
  if (!x || !y || x->Size() != y->Size()) return false;
  constexpr std::size_t kChunk = 64 * 1024;
  std::string left(kChunk, '\0'), right(kChunk, '\0');
  for (;;) {
    std::size_t got = x->Read(left.data(), kChunk);
    if (y->Read(right.data(), kChunk) != got || std::memcmp(left.data(), right.data(), got) != 0) return false;
    if (got < kChunk) return !x->Failed() && !y->Failed();
  }
}

std::string BackupName(const std::string& source, const std::string& backup) {
  for (int n = 0; n <= kLastNumber; ++n) {
    std::string name = NumberedBackup(backup, n);
    if (!plat::Exists(name)) {
      NoteNumbered(source, name, n);
      return name;
    }
    if (SameBytes(source, name)) return name;
  }
  return std::string();
}

bool CopyToBackup(const std::string& source, const std::string& backup) {
  if (!plat::Exists(source)) return true;
  for (int n = 0; n <= kLastNumber; ++n) {
    std::string name = NumberedBackup(backup, n);
    if (plat::Exists(name)) {
      if (SameBytes(source, name)) return true;
      continue;
    }
    if (plat::CopyNoReplace(source, name)) {
      NoteNumbered(source, name, n);
      return true;
    }
    if (!plat::Exists(name)) return false;  // a full disk, no right: not a taken name
  }
  return false;
}

bool MoveToBackup(const std::string& source, const std::string& backup) {
  if (!plat::Exists(source)) return true;
  for (int n = 0; n <= kLastNumber; ++n) {
    std::string name = NumberedBackup(backup, n);
    if (plat::Exists(name)) {
      if (SameBytes(source, name)) return FDelete(source) == 0;
      continue;
    }
    if (plat::RenameNoReplace(source, name)) {
      NoteNumbered(source, name, n);
      // The rename on the disk before anything that counts on it.
      return plat::SyncFolder(FolderOf(name));
    }
    if (!plat::Exists(name)) return false;
  }
  return false;
}

const std::vector<std::pair<std::string, std::string>>& NumberedBackups() { return Numbered(); }
void ClearNumberedBackups() { Numbered().clear(); }

}  // namespace rec
