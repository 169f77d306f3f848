#include "maintenance/append_guard.hpp"

#include <string>

#include "maintenance/code_map.hpp"
#include "recfile/client_record.hpp"
#include "recfile/new_file.hpp"
#include "recfile/recfile.hpp"

namespace maint {
namespace {

constexpr char kLengthFile[] = "F10R2.LEN";
constexpr char kLinePrefix[] = "F10R2.DAT ";
// Longer than any line of ours.
constexpr std::size_t kLongest = 64;

std::string LengthLine(std::int64_t length) { return kLinePrefix + std::to_string(length) + "\r\n"; }

enum class Reading { kOurs, kForeign, kUnreadable };

// The length that a record of ours holds. A file of any other form is not
// one of ours: ours appear whole, through their temporary name.
Reading ReadLength(std::int64_t* length) {
  StreamPtr in = OpenToRead(kLengthFile);
  if (!in) return Reading::kUnreadable;
  std::string bytes(kLongest, '\0');
  bytes.resize(in->Read(bytes.data(), bytes.size()));
  bool read = !in->Failed();
  if (!FCloseIf(in) || !read) return Reading::kUnreadable;
  const std::string prefix = kLinePrefix;
  if (bytes.size() < prefix.size() + 3 || bytes.compare(0, prefix.size(), prefix) != 0 ||
      bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
    return Reading::kForeign;
  std::string digits = bytes.substr(prefix.size(), bytes.size() - prefix.size() - 2);
  if (digits.empty() || digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos)
    return Reading::kForeign;
  *length = std::stoll(digits);
  return Reading::kOurs;
}

// Cuts the client file to length bytes, on the disk before the record goes.
bool CutClientFile(std::int64_t length) {
  StreamPtr clients = OpenToUpdate(client::kFile);
  if (!clients) return false;
  bool cut = clients->Truncate(length) && clients->Sync();
  return FCloseIf(clients) && cut;
}

}  // namespace

bool AppendGuard::Record(std::int64_t length) {
  if (recorded_) return true;
  rec::NewFile file(kLengthFile);
  if (!file.stream()) return false;
  std::string line = LengthLine(length);
  if (file.stream()->Write(line) != line.size()) return false;
  // Commit flushes the file and its folder, and never replaces a record
  // that is still there.
  recorded_ = file.Commit();
  return recorded_;
}

bool AppendGuard::Release() {
  if (!recorded_) return true;
  if (FDelete(kLengthFile) != 0) return false;
  recorded_ = false;
  return plat::SyncFolder("");
}

bool RecoverInterruptedAppend() {
  CodeMap::RemoveLeftovers();
  // A record that never got its name: nothing was appended after it.
  std::string pending = rec::NewFile::PendingName(kLengthFile);
  if (plat::Exists(pending)) FDelete(pending);
  if (!plat::Exists(kLengthFile)) return true;
  std::int64_t length = 0;
  switch (ReadLength(&length)) {
    case Reading::kForeign:
      return true;
    case Reading::kUnreadable:
      return false;
    case Reading::kOurs:
      break;
  }
  // A file shorter than the record was cut by someone else since: nothing
  // of the import is left in it.
  if (plat::FileSize(client::kFile) > length && !CutClientFile(length)) return false;
  if (FDelete(kLengthFile) != 0) return false;
  return plat::SyncFolder("");
}

}  // namespace maint
