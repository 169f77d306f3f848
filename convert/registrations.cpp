// The one-time fix of the registration files: in every record of each file
// REG\F12<code>.DAT named by F11.DAT, 960 to 1606 become spaces. The file is
// changed in place and has no backup; the entry "219" of CONV.DAT, written
// once the fix is complete and on the disk, keeps it from running twice (see
// run.cpp). Blanking the same stretch again changes nothing, so a fix that was
// cut short is simply done again in full.
#include <algorithm>
#include <string>
#include <string_view>

#include "convert/registrations.hpp"
#include "convert/relayout.hpp"
#include "recfile/record_io.hpp"
#include "recfile/recfile.hpp"
#include "recfile/text.hpp"

namespace {

namespace f11 {
constexpr int kLength = 997;
constexpr int kCodeAt = 0, kCodeWidth = 11;
}  // namespace f11

namespace reg {
constexpr int kLength = 1608;
constexpr int kAmount1At = 149, kAmount2At = 165, kAmountWidth = 16;
constexpr int kBlankAt = 960, kBlankWidth = 647;  // the last character, 1607, stays
}  // namespace reg

// True when "REG\F12<code>.DAT" names a file of the folder REG and nothing
// else. The code is data read from F11.DAT; it must never choose a file
// elsewhere to overwrite, so a separator, "..", a drive colon and every
// character that a Windows file name cannot hold rule it out.
bool IsPlainNamePart(std::string_view code) {
  if (code.find("..") != std::string_view::npos) return false;
  constexpr std::string_view kForbidden = "<>:\"/\\|?*";
  return std::none_of(code.begin(), code.end(), [&](char c) {
    return static_cast<unsigned char>(c) < 32 || kForbidden.find(c) != std::string_view::npos;
  });
}

double ReadAmount(rec::Stream& file, std::int64_t position) {
  char text[reg::kAmountWidth + 1];
  text[rec::ReadAt(file, position, text, reg::kAmountWidth)] = '\0';
  return ParseDecimal(text);
}

// True when every record was fixed and the file is on the disk.
bool BlankRecords(rec::Stream& file) {
  for (std::int64_t start = 0;; start += reg::kLength) {
    char first;
    if (rec::ReadAt(file, start, &first, 1) == 0) break;
    // The fix has always read the two amounts and compared them without
    // writing anything at 165; what belongs there was never settled, so they
    // are read and the record keeps them as they are.
    [[maybe_unused]] double amount1 = ReadAmount(file, start + reg::kAmount1At);
    [[maybe_unused]] double amount2 = ReadAmount(file, start + reg::kAmount2At);
    // Only the characters that exist: a last record cut short is not grown.
    std::int64_t end = std::min(file.Size(), start + reg::kBlankAt + reg::kBlankWidth);
    if (end > start + reg::kBlankAt && file.Seek(start + reg::kBlankAt))
      file.WriteSpaces(static_cast<std::size_t>(end - (start + reg::kBlankAt)));
    if (file.Failed()) return false;
  }
  return file.Sync() && file.Close();
}

}  // namespace

bool FixRegistrations() {
  StreamPtr f11 = OpenToRead("F11.DAT");
  if (!f11) return !plat::Exists("F11.DAT");  // none: nothing names a registration file
  bool fixed = true;
  char code[f11::kCodeWidth + 1];
  for (std::int64_t start = 0;; start += f11::kLength) {
    std::size_t got = rec::ReadAt(*f11, start + f11::kCodeAt, code, f11::kCodeWidth);
    if (got == 0) break;
    if (!IsPlainNamePart(std::string_view(code, got))) continue;
    code[got] = '\0';
    TrimRight(code);
    // The code is spelled in the code page of the data files; the name in the
    // system's spelling of it.
    std::string name = "REG\\F12" + plat::NameFromData(code) + ".DAT";
    if (StreamPtr file = OpenToUpdate(name))
      fixed = BlankRecords(*file) && fixed;
    else if (plat::Exists(name) && !plat::IsReadOnly(name))
      fixed = false;  // there, and writable, yet it would not open: done again next time
  }
  return fixed && !f11->Failed();
}
