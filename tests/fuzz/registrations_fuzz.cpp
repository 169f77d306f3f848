// The one-time fix of the registration files on any bytes: F11.DAT, which
// names the files, and three registration files under REG. A file beside REG
// stands for what a code of F11.DAT must never reach.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "convert/registrations.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

constexpr std::size_t kF11Length = 997, kCodeWidth = 11;
constexpr std::size_t kRegLength = 1608, kBlankAt = 960, kBlankWidth = 647;

struct RegFile {
  const char* code;  // the code of F11.DAT that names it
  const char* name;
};
constexpr std::array<RegFile, 3> kFiles = {{{"1", "REG\\F121.DAT"},
                                            {"00002", "REG\\F1200002.DAT"},
                                            {"A", "REG\\F12A.DAT"}}};
// Files that a code leaving the folder REG would name.
constexpr std::array<const char*, 3> kOutside = {"F12X.DAT", "X.DAT", "REG\\X.DAT"};

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// True when some record of F11.DAT holds the code of this file: its 11
// characters, spaces after it trimmed, equal the code in any letter case (the
// data folder is found in any case, as on Windows).
bool Named(std::string_view f11, std::string_view code) {
  for (std::size_t start = 0; start < f11.size(); start += kF11Length) {
    std::string_view field = f11.substr(start, kCodeWidth);
    while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
    if (field.size() == code.size() &&
        std::equal(field.begin(), field.end(), code.begin(), [](char a, char b) { return Fold(a) == Fold(b); }))
      return true;
  }
  return false;
}

bool InBlankStretch(std::size_t at) {
  std::size_t in_record = at % kRegLength;
  return in_record >= kBlankAt && in_record < kBlankAt + kBlankWidth;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  auto parts = fuzz::SplitInput(data, size, 1 + kFiles.size());
  ws.Write("F11.DAT", parts[0]);
  for (std::size_t f = 0; f < kFiles.size(); ++f) ws.Write(kFiles[f].name, parts[f + 1]);
  for (const char* name : kOutside) ws.Write(name, parts[1]);

  // Every file is there to be fixed and writable: the fix is complete.
  fuzz::Check(FixRegistrations(), "the fix says it is not complete");

  fuzz::Check(ws.Read("F11.DAT") == parts[0], "F11.DAT changed");
  for (const char* name : kOutside) fuzz::Check(ws.Read(name) == parts[1], std::string(name) + " changed");
  for (std::size_t f = 0; f < kFiles.size(); ++f) {
    const std::string& before = parts[f + 1];
    std::string after = ws.Read(kFiles[f].name);
    // In place: the same size, every character kept or blanked inside 960 to
    // 1606 of its record; all of those blanked when F11.DAT names the file.
    fuzz::Check(after.size() == before.size(), std::string(kFiles[f].name) + " changed its size");
    bool named = Named(parts[0], kFiles[f].code);
    for (std::size_t i = 0; i < after.size(); ++i) {
      char expected = named && InBlankStretch(i) ? ' ' : before[i];
      if (after[i] != expected)
        fuzz::Fail(std::string(kFiles[f].name) + ": wrong character at " + std::to_string(i));
    }
  }
  ws.ExpectOnly({"F11.DAT", kFiles[0].name, kFiles[1].name, kFiles[2].name, kOutside[0], kOutside[1], kOutside[2]});
  return 0;
}
