// The export of a group (command 310) and the change of group (command 312)
// on a client file F10R2.DAT of any bytes. What each writes is checked
// against what it does, worked out here from the bytes: the export copies the
// records of the group, cleaned, whole, up to the room on the diskette; the
// change of group rewrites the group field of every record that holds the old
// group and nothing else.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "ui/text_dialog.hpp"
#include "maintenance/change_group.hpp"
#include "maintenance/export_import.hpp"
#include "recfile/text.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

constexpr char kClients[] = "F10R2.DAT";
constexpr char kDiskette[] = "A:\\F10R2.BAK";
constexpr std::size_t kLength = 1000;
constexpr std::size_t kGroupAt = 232, kGroupWidth = 3;
// Records kept free on the diskette.
constexpr long kReserve = 5;
// An earlier export on the diskette, whose room the export counts as free.
constexpr std::size_t kEarlierExport = 2500;

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// What the dialog gives for a typed text: code page 1252, cut to 3.
std::string AsTyped(const std::string& typed) { return Utf8ToCp1252(typed, kGroupWidth); }

// Record n of the client file as the commands read it: up to 1000
// characters at n × 1000, a null character read as a space.
std::string RecordAt(const std::string& file, std::size_t start) {
  std::string record = file.substr(start, kLength);
  std::replace(record.begin(), record.end(), '\0', ' ');
  return record;
}

// The group field begins with the typed text, letters A to Z in any case.
bool InGroup(const std::string& record, const std::string& group) {
  for (std::size_t i = 0; i < group.size(); ++i)
    if (kGroupAt + i >= record.size() || Fold(record[kGroupAt + i]) != Fold(group[i])) return false;
  return record.size() > kGroupAt;
}

void Export(fuzz::Workspace& ws, const std::string& clients, bool have_clients, fuzz::Script& script) {
  bool earlier = script.Byte() & 1;
  long free_records = script.Byte();
  // A dialog's text ends at its first null character.
  std::string typed = script.Text(5).c_str();
  std::string group = AsTyped(typed);
  if (earlier) ws.Write(kDiskette, std::string(kEarlierExport, 'X'));
  ws.SetDisketteFreeSpace(static_cast<std::uint64_t>(free_records) * kLength + kLength - 1);
  long capacity = free_records + (earlier ? static_cast<long>(kEarlierExport / kLength) : 0);

  ui::TextDialog dialog(ui::ConversionDialogItems(), "Lanvo 3.03");
  dialog.SetItemText(100, typed);
  ExportImportClients(&dialog, 0);

  bool runs = capacity > 0 && !group.empty() && have_clients;
  std::string expected;
  long count = 0;
  bool limit = false;
  for (std::size_t start = 0; runs && start < clients.size() && !limit; start += kLength) {
    std::string record = RecordAt(clients, start);
    if (!InGroup(record, group)) continue;
    CleanText(record.data());
    record.resize(std::strlen(record.c_str()));
    record.resize(kLength, ' ');
    expected += record;
    limit = ++count >= capacity - kReserve;
  }
  auto messages = ws.TakeMessages();
  char summary[64];
  std::snprintf(summary, sizeof summary, "Foram exportados %ld clientes.", count);
  fuzz::Check(messages.size() == (limit ? 2u : 1u) && messages.back().text == summary,
              "the export says \"" + (messages.empty() ? "" : messages.back().text) + "\", not \"" + summary + "\"");
  if (runs) {
    fuzz::ExpectWholeRecords(ws, kDiskette, kLength);
    fuzz::Check(ws.Read(kDiskette) == expected, "the diskette file is not the records of the group");
  } else {
    fuzz::Check(ws.Read(kDiskette) == (earlier ? std::string(kEarlierExport, 'X') : ""),
                "an export that could not run touched the diskette");
  }
}

void ChangeGroup(fuzz::Workspace& ws, const std::string& clients, bool have_clients, fuzz::Script& script) {
  std::string typed_old = script.Text(5).c_str();
  std::string typed_new = script.Text(5).c_str();
  ui::TextDialog dialog({110, 111}, "Lanvo 3.03");
  dialog.SetItemText(110, typed_old);
  dialog.SetItemText(111, typed_new);
  std::string old_group = AsTyped(typed_old);
  std::string new_group = AsTyped(typed_new);
  ChangeClientGroup(&dialog);

  auto messages = ws.TakeMessages();
  if (!have_clients) {
    fuzz::Check(messages.size() == 1 && messages[0].text == "Erro ao abrir o arquivo de clientes.",
                "a missing client file was not reported");
    fuzz::Check(!ws.Has(kClients), "the change of group created the client file");
    return;
  }
  // The field is read with the line read of limit 4: a line feed in its first
  // two characters ends it early, and a field cut short matches nothing.
  old_group.resize(kGroupWidth, ' ');
  new_group.resize(kGroupWidth, ' ');
  std::string expected = clients;
  long count = 0;
  for (std::size_t at = kGroupAt; at < clients.size(); at += kLength) {
    std::string field = *fuzz::LineField(clients, at, kGroupWidth);
    if (field.size() < kGroupWidth ||
        !std::equal(field.begin(), field.end(), old_group.begin(), [](char a, char b) { return Fold(a) == Fold(b); }))
      continue;
    expected.replace(at, kGroupWidth, new_group);
    ++count;
  }
  char summary[64];
  std::snprintf(summary, sizeof summary, "O grupo foi alterado em %ld clientes.", count);
  fuzz::Check(messages.size() == 1 && messages[0].text == summary,
              "the change of group says \"" + (messages.empty() ? "" : messages.back().text) + "\", not \"" + summary + "\"");
  fuzz::Check(ws.Read(kClients) == expected, "the change of group wrote other than the matching group fields");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  auto parts = fuzz::SplitInput(data, size, 2);
  const std::string& clients = parts[0];
  fuzz::Script script(parts[1]);
  bool have_clients = (script.Byte() & 1) == 0;
  if (have_clients) ws.Write(kClients, clients);

  Export(ws, clients, have_clients, script);
  ChangeGroup(ws, clients, have_clients, script);
  ws.ExpectOnly({kClients, kDiskette});
  return 0;
}
