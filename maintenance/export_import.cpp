// Commands 310 and 311: the clients of one group travel from the client file
// of one installation to another through the diskette file "A:\F10R2.BAK",
// which holds whole 1000-character client records back to back. The export
// copies the records of the group in item 100; the import appends every
// record of the diskette with a new code that is free locally and the group
// in item 100.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "maintenance/client_file.hpp"
#include "maintenance/code_map.hpp"
#include "maintenance/maintenance.hpp"
#include "recfile/dialog.hpp"
#include "recfile/recfile.hpp"
#include "recfile/text.hpp"

namespace {

using maint::kClientFile;
using maint::kClientLength;

constexpr char kDisketteFile[] = "A:\\F10R2.BAK";
constexpr char kDisketteRoot[] = "A:\\";
// Records kept free on the diskette: the export stops at its capacity less these.
constexpr std::int64_t kCapacityReserve = 5;

constexpr char kExportCaption[] = "Exportar";
constexpr char kImportCaption[] = "Importar";

void Show(plat::Dialog* dialog, const std::string& text, const char* caption, unsigned icon) {
  plat::ShowMessageBox(dialog, text, caption, plat::kOk | icon);
}

std::string CountMessage(const char* format, std::int64_t count) {
  char text[96];
  std::snprintf(text, sizeof text, format, static_cast<int>(count));
  return text;
}

// Whole client records that fit on the diskette. No answer from the system
// (no diskette in the drive) means no room. The export empties the previous
// export file before it writes, so the space that file holds counts as free.
std::int64_t DisketteCapacity() {
  std::uint64_t bytes = 0;
  if (!plat::FreeSpace(kDisketteRoot, &bytes)) return 0;
  std::int64_t previous = plat::FileSize(kDisketteFile);
  if (previous > 0) bytes += static_cast<std::uint64_t>(previous);
  return static_cast<std::int64_t>(bytes / kClientLength);
}

// The group field of a record begins with the typed group text.
bool InGroup(const char* record, std::size_t length, const std::string& group) {
  if (length <= static_cast<std::size_t>(maint::kGroupAt)) return false;
  return maint::SameCodeIgnoringCase(record + maint::kGroupAt, group.c_str(), group.size());
}

void ExportClients(plat::Dialog* dialog) {
  plat::Cursor previous = plat::ShowWaitCursor();
  std::int64_t capacity = DisketteCapacity();
  std::string group = Utf8ToCp1252(dialog->ItemText(kItemGroupField), maint::kGroupWidth);

  enum class End { kAll, kError, kDiskLimit } end = End::kAll;
  std::int64_t count = 0;
  if (capacity > 0 && !group.empty()) {
    StreamPtr clients = OpenToRead(kClientFile);
    StreamPtr diskette = clients ? OpenToCreate(kDisketteFile) : nullptr;
    if (diskette) {
      char record[kClientLength + 1];
      for (std::int64_t n = 0; std::size_t length = maint::ReadRecordAt(*clients, n, record, kClientLength); ++n) {
        // A record that a failed read cut short does not travel.
        if (clients->Failed()) break;
        // Deleted records travel too: only the group decides.
        if (!InGroup(record, length, group)) continue;
        CleanText(record);
        if (diskette->WriteField(record, kClientLength) != kClientLength) {
          end = End::kError;
          break;
        }
        if (++count >= capacity - kCapacityReserve) {
          end = End::kDiskLimit;
          break;
        }
      }
      // A client file that could not be read to its end, or records that
      // never reached the diskette, make the export a failed one.
      if (clients->Failed()) end = End::kError;
      if (!FCloseIf(diskette)) end = End::kError;
    }
  }
  plat::RestoreCursor(previous);

  if (end == End::kError) {
    Show(dialog, "Erro na exportação.", kExportCaption, plat::kIconError);
    return;
  }
  if (end == End::kDiskLimit) Show(dialog, "Limite do disco esgotado", kExportCaption, plat::kIconError);
  Show(dialog, CountMessage("Foram exportados %d clientes.", count), kExportCaption, plat::kIconInformation);
}

// Marks the codes of the local clients in the map. False when the client
// file could not be read to its end: codes would then be handed out twice.
bool MarkLocalCodes(Stream& clients, maint::CodeMap& map) {
  char code[maint::kCodeWidth + 1];
  for (std::int64_t n = 0; clients.Seek(n * kClientLength); ++n) {
    if (!clients.ReadLine(code, maint::kCodeWidth + 1)) break;
    map.MarkTaken(TextToInt(code));
  }
  return !clients.Failed() && !map.Failed();
}

// Appends records at the end of the client file, each at a record boundary:
// a last record cut short is first completed with spaces, so that the new
// records do not straddle two slots.
class Appender {
 public:
  explicit Appender(Stream& clients) : clients_(clients) {}

  bool Append(const char* record) {
    if (start_ < 0 && !AlignEnd()) return false;
    return clients_.SeekEnd() && clients_.WriteField(record, kClientLength) == kClientLength;
  }
  // Where the first appended record begins; -1 when none was appended.
  std::int64_t start() const { return start_; }

 private:
  bool AlignEnd() {
    std::int64_t size = clients_.Size();
    std::int64_t partial = size % kClientLength;
    if (partial != 0) {
      std::size_t missing = static_cast<std::size_t>(kClientLength - partial);
      if (!clients_.Seek(size) || clients_.WriteSpaces(missing) != missing) return false;
      size += kClientLength - partial;
    }
    start_ = size;
    return true;
  }

  Stream& clients_;
  std::int64_t start_ = -1;
};

// Cuts a file to size bytes; failures are let be (the import already reports
// its error).
void CutFile(const char* name, std::int64_t size) {
  plat::Handle file = plat::OpenFile(name, plat::OpenMode::kUpdate);
  if (file == plat::kNoHandle) return;
  (void)plat::TruncateFile(file, static_cast<std::uint64_t>(size));
  (void)plat::CloseFile(file);
}

void ImportClients(plat::Dialog* dialog) {
  plat::Cursor previous = plat::ShowWaitCursor();
  maint::CodeMap map;
  bool have_map = map.Create();
  // The client file must exist before it is opened for update.
  StreamPtr created = OpenToAppend(kClientFile);
  FCloseIf(created);

  bool error = false;
  std::int64_t count = 0;
  std::int64_t appended_from = -1;
  StreamPtr diskette = OpenToRead(kDisketteFile);
  StreamPtr clients = diskette ? OpenToUpdate(kClientFile) : nullptr;
  if (clients && have_map && map.Open()) {
    error = !MarkLocalCodes(*clients, map);
    map.Rewind();
    std::string group = Utf8ToCp1252(dialog->ItemText(kItemGroupField), maint::kGroupWidth);
    // "%-3s" of a text of at most 3 characters: an empty group gives three spaces.
    std::string group_field = group;
    group_field.resize(maint::kGroupWidth, ' ');

    Appender appender(*clients);
    char record[kClientLength + 1];
    for (std::int64_t n = 0; !error; ++n) {
      std::size_t length = maint::ReadRecordAt(*diskette, n, record, kClientLength);
      // A record that a failed read cut short is not taken for a short one.
      if (length == 0 || diskette->Failed()) {
        // A diskette that could not be read to its end is not a whole import.
        error = diskette->Failed();
        break;
      }
      long code = map.NextFree();
      if (code >= maint::CodeMap::kEnd) {
        error = true;
        break;
      }
      // A record cut short is completed to its full width first, so that
      // the code and the group land in their fields.
      std::memset(record + length, ' ', kClientLength - length);
      record[kClientLength] = '\0';
      char code_field[32];
      std::snprintf(code_field, sizeof code_field, "%05ld%5s", code, "");
      std::memcpy(record + maint::kCodeAt, code_field, maint::kCodeWidth);
      std::memcpy(record + maint::kGroupAt, group_field.data(), maint::kGroupWidth);
      CleanText(record);
      if (!appender.Append(record)) {
        error = true;
        break;
      }
      ++count;
    }
    appended_from = appender.start();
  }
  FCloseIf(diskette);
  if (!FCloseIf(clients)) error = true;
  map.Remove();
  if (error && appended_from >= 0) {
    // Records held back in the stream's buffer when the write failed never
    // reached the file; count only the whole records that did, and take off
    // the part of a record that the failed write left at the end, which the
    // next open would otherwise pad into a client with half its fields.
    std::int64_t size = plat::FileSize(kClientFile);
    std::int64_t whole = std::max<std::int64_t>(0, (size - appended_from) / kClientLength);
    std::int64_t end = appended_from + whole * kClientLength;
    if (size > end) CutFile(kClientFile, end);
    count = std::min(whole, count);
  }
  plat::RestoreCursor(previous);

  if (error)
    Show(dialog, "Houve um erro grave.\n\nÉ recomendável consultar o Suporte Técnico", kImportCaption,
         plat::kIconError);
  Show(dialog, CountMessage("Foram importados %d clientes.", count), kImportCaption, plat::kIconInformation);
}

}  // namespace

void ExportImportClients(plat::Dialog* dialog, int mode) {
  if (mode == 0)
    ExportClients(dialog);
  else if (mode == 1)
    ImportClients(dialog);
}
