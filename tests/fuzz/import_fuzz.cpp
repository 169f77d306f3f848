// The import of clients (command 311) on any bytes: the diskette file
// "A:\F10R2.BAK", the local client file F10R2.DAT and the typed group. The
// client file after the import is checked against what the import does, worked
// out here from the bytes: every diskette record appended whole, with the next
// code that no local client holds and the group typed, then cleaned.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "ui/text_dialog.hpp"
#include "maintenance/export_import.hpp"
#include "recfile/text.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

constexpr char kClients[] = "F10R2.DAT";
constexpr char kDiskette[] = "A:\\F10R2.BAK";
constexpr std::size_t kLength = 1000;
constexpr std::size_t kCodeWidth = 10;
constexpr std::size_t kGroupAt = 232, kGroupWidth = 3;
constexpr long kLastCode = 29999;

// The codes that the local clients hold, read as the import reads them:
// the line read of the code field (a line feed ends it), then the integer.
std::set<long> LocalCodes(const std::string& clients) {
  std::set<long> codes;
  for (std::size_t start = 0; start < clients.size(); start += kLength)
    codes.insert(TextToInt(fuzz::LineField(clients, start, kCodeWidth)->c_str()));
  return codes;
}

// Record n of the diskette as it is appended with the code and the group.
std::string Imported(std::string record, long code, const std::string& group) {
  std::replace(record.begin(), record.end(), '\0', ' ');
  record.resize(kLength, ' ');
  char code_field[32];
  std::snprintf(code_field, sizeof code_field, "%05ld%5s", code, "");
  record.replace(0, kCodeWidth, code_field, kCodeWidth);
  record.replace(kGroupAt, kGroupWidth, (group + "   ").substr(0, kGroupWidth));
  CleanText(record.data());
  record.resize(std::strlen(record.c_str()));
  record.resize(kLength, ' ');
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  auto parts = fuzz::SplitInput(data, size, 3);
  const std::string& diskette = parts[0];
  const std::string& clients = parts[1];
  // The first byte of the last part says which files are missing; the rest
  // is the text typed as the group (the dialog takes 3 characters).
  fuzz::Script settings(parts[2]);
  std::uint8_t missing = settings.Byte();
  std::string typed;
  while (typed.size() < 3 && !settings.Done()) typed += static_cast<char>(settings.Byte());
  typed = typed.c_str();  // a dialog's text ends at its first null character
  bool have_diskette = !(missing & 1);
  if (have_diskette) ws.Write(kDiskette, diskette);
  if (!(missing & 2)) ws.Write(kClients, clients);
  std::string before = ws.Read(kClients);

  ui::TextDialog dialog(ui::ConversionDialogItems(), "Lanvo 3.03");
  dialog.SetItemText(100, typed);
  ExportImportClients(&dialog, 1);

  auto messages = ws.TakeMessages();
  fuzz::Check(messages.size() == 1 && messages[0].caption == "Importar", "the import did not end with its summary alone");
  int count = -1;
  std::sscanf(messages[0].text.c_str(), "Foram importados %d clientes.", &count);

  // What the import must have appended: a code for every diskette record, the
  // lowest free one above the previous, and the group as the dialog gives it.
  std::string expected = before;
  int records = 0;
  if (have_diskette && !diskette.empty()) {
    std::string group = Utf8ToCp1252(typed, 3);
    std::set<long> taken = LocalCodes(before);
    expected.resize(fuzz::RecordCount(before.size(), kLength) * kLength, ' ');
    long code = 0;
    for (std::size_t start = 0; start < diskette.size(); start += kLength, ++records) {
      do ++code;
      while (taken.count(code) && code <= kLastCode);
      fuzz::Check(code <= kLastCode, "the fuzz input ran out of codes");
      expected += Imported(diskette.substr(start, kLength), code, group);
    }
  }
  fuzz::ExpectUpdatedInPlace(ws, kClients, static_cast<std::int64_t>(before.size()), kLength);
  fuzz::Check(ws.Read(kClients) == expected, "the client file is not what the import makes of the diskette");
  fuzz::Check(count == records, "the summary counts " + std::to_string(count) + " of " + std::to_string(records));
  fuzz::Check(ws.Read(kDiskette) == diskette || !have_diskette, "the diskette file changed");
  ws.ExpectOnly({kClients, kDiskette});
  return 0;
}
