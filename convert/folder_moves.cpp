// The folder moves of step 4: R02 parked in the system's temporary area, R03
// and R04 merged into R60 and R65. Each move is a rename that never replaces:
// a name already taken gets the next free number, .001 to .100, and what
// cannot move stays where it is.
#include <cstdio>

#include "convert/folder_moves.hpp"
#include "platform/platform.hpp"

namespace convert {
namespace {

constexpr int kNumberedAttempts = 100;  // .001 to .100 after the plain name
// The temporary folder is asked for into a buffer of 156 characters; an
// answer that does not fit falls back to this folder.
constexpr std::size_t kTempPathLimit = 156;
constexpr char kFallbackTemp[] = "C:\\Temp\\";

std::string Numbered(const std::string& name, int attempt) {
  if (attempt == 0) return name;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%03d", attempt);
  return name + suffix;
}

// The answer comes as UTF-8 and the limit counts characters, as the system's
// own answer does: bytes that continue a character are not counted.
std::size_t CharacterCount(const std::string& utf8) {
  std::size_t count = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

bool EndsInSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

std::string TempRoot(const std::string& answer) {
  if (answer.empty() || CharacterCount(answer) >= kTempPathLimit) {
    plat::MakeFolder(kFallbackTemp);
    return kFallbackTemp;
  }
  return EndsInSeparator(answer) ? answer : answer + "\\";
}

// Creates the folders of target below root, one level at a time; the last
// component of target is not created.
void MakeParents(const std::string& root, const std::string& target) {
  for (std::size_t i = root.size() + 1; i < target.size(); ++i)
    if (target[i] == '\\') plat::MakeFolder(target.substr(0, i));
}

}  // namespace

bool ParkFolder(const std::string& source, const std::string& sub_path, const std::string& temp_folder) {
  if (!plat::Exists(source)) return false;
  const std::string root = TempRoot(temp_folder);
  const std::string parked = root + sub_path + "\\" + source;
  // The numbers only add a suffix: the parents are the same for every name.
  MakeParents(root, parked);
  for (int attempt = 0; attempt <= kNumberedAttempts; ++attempt) {
    std::string target = Numbered(parked, attempt);
    if (plat::RenameNoReplace(source, target)) return true;
    // Only a name already taken calls for the next number. A move that
    // failed otherwise (another volume, a passing fault) leaves the folder
    // for the next run, which then parks it under the same name this one
    // would have used.
    if (!plat::Exists(target)) return false;
  }
  return false;
}

void MergeFolder(const std::string& source, const std::string& target) {
  if (plat::RenameNoReplace(source, target)) return;
  // The files move one by one into a target that exists already; a whole
  // move that failed for another reason is left for the next run, as are
  // file moves that fail but for a name already taken.
  if (!plat::Exists(target)) return;
  for (const std::string& name : plat::FindFiles(source, "*.DAT")) {
    for (int attempt = 0; attempt <= kNumberedAttempts; ++attempt) {
      std::string numbered = Numbered(target + "\\" + name, attempt);
      if (plat::RenameNoReplace(source + "\\" + name, numbered) || !plat::Exists(numbered)) break;
    }
  }
  plat::RemoveFolder(source);  // only an empty folder goes
}

}  // namespace convert
