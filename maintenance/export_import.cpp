// Commands 310 and 311: the clients of one group travel from the client file
// of one installation to another through the diskette file "A:\F10R2.BAK",
// which holds whole 1000-character client records back to back. The export
// copies the records of the group in item 100; the import appends every
// record of the diskette with a new code that is free locally and the group
// in item 100.
#include "maintenance/export_import.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "maintenance/append_guard.hpp"
#include "maintenance/client_file.hpp"
#include "maintenance/code_map.hpp"
#include "recfile/client_record.hpp"
#include "ui/dialog.hpp"
#include "recfile/recfile.hpp"
#include "recfile/text.hpp"

namespace {

// The diskette file holds client records as the client file holds them.
using client::kLength;

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
  return static_cast<std::int64_t>(bytes / kLength);
}

// The group field of a record begins with the typed group text.
bool InGroup(const char* record, std::size_t length, const std::string& group) {
  if (length <= static_cast<std::size_t>(client::kGroupAt)) return false;
  return maint::SameCodeIgnoringCase(record + client::kGroupAt, group.c_str(), group.size());
}

void ExportClients(plat::Dialog* dialog) {
  rec::ForgetFailureCause();
  plat::Cursor previous = plat::ShowWaitCursor();
  std::int64_t capacity = DisketteCapacity();
  std::string group = Utf8ToCp1252(dialog->ItemText(kItemGroupField), client::kGroupCodeWidth);

  enum class End { kAll, kError, kDiskLimit, kNotOpened } end = End::kAll;
  std::int64_t count = 0;
  if (capacity > 0 && !group.empty()) {
    // A missing client file has no client to export. One that is there but
    // cannot be read, and a diskette file that cannot be made (a diskette
    // that is write-protected, a folder of that name), are errors.
    StreamPtr clients = OpenToRead(client::kFile);
    StreamPtr diskette = clients ? OpenToCreate(kDisketteFile) : nullptr;
    if (!diskette && (clients || plat::Exists(client::kFile))) end = End::kNotOpened;
    if (diskette) {
      char record[kLength + 1];
      for (std::int64_t n = 0; std::size_t length = maint::ReadRecordAt(*clients, n, record, kLength); ++n) {
        // A record that a failed read cut short does not travel.
        if (clients->Failed()) break;
        // Deleted records travel too: only the group decides.
        if (!InGroup(record, length, group)) continue;
        CleanText(record);
        if (diskette->WriteField(record, kLength) != kLength) {
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

  if (end == End::kError || end == End::kNotOpened)
    Show(dialog, rec::WithFailureCause("Erro na exportação."), kExportCaption, plat::kIconError);
  if (end == End::kError) return;
  if (end == End::kDiskLimit) Show(dialog, "Limite do disco esgotado", kExportCaption, plat::kIconError);
  Show(dialog, CountMessage("Foram exportados %d clientes.", count), kExportCaption, plat::kIconInformation);
}

// Marks the codes of the local clients, those of the first size bytes of
// the client file, in the map. False when the client file could not be read
// to there: codes would then be handed out twice.
bool MarkLocalCodes(Stream& clients, std::int64_t size, maint::CodeMap& map) {
  char code[client::kCodeKeyWidth + 1];
  for (std::int64_t at = 0; at < size && clients.Seek(at); at += kLength) {
    if (!clients.ReadLine(code, client::kCodeKeyWidth + 1)) break;
    map.MarkTaken(TextToInt(code));
  }
  return !clients.Failed() && !map.Failed();
}

// Appends the imported records to the client file, a block of whole records
// in one write, always at the end that the file has at the moment of the
// write (the stream appends), never over records that another program
// appended meanwhile. Before each write the file must still end where the
// import left it: a file that got another size under the import stops it.
// The first write records the length of the client file first
// (maint::AppendGuard), so that an import cut short is taken back whole.
class Appender {
 public:
  // clients is an append stream of the client file, whose size is start.
  Appender(Stream& clients, std::int64_t start) : clients_(clients), start_(start), end_(start) {}

  // Adds a record, padded with spaces to its width as "%-1000s" writes it (the
  // cleaning may have shortened it); a full block goes to the file. False
  // once the import must stop: nothing more is written then.
  bool Add(std::string_view record) {
    if (stopped_) return false;
    std::size_t length = std::min(record.size(), std::size_t{kLength});
    block_.append(record.data(), length).append(kLength - length, ' ');
    return block_.size() < kBlockBytes || WriteBlock();
  }
  // Writes the records that wait and checks the end of the file once more.
  bool Finish() { return !stopped_ && (block_.empty() || WriteBlock()) && SameEnd(); }
  // Whole records appended.
  std::int64_t appended() const { return appended_; }
  // True once the file was found of another size than the import left it.
  bool size_changed() const { return size_changed_; }

  // Once the appends are over: the records go to the disk, or the part of
  // one that a failed write left at the end is taken off again.
  void Settle() {
    if (guard_.recorded()) settled_ = failed_write_ ? TakeBackPart() : clients_.Sync();
  }
  // Then, the last step of the import, the length record goes. While a part
  // of a record may be left in the file, or records not yet on the disk, it
  // stays, and the next start cuts the file back to where the import began.
  // False when the records may not all be on the disk (the next start takes
  // the import back) or the length record could not be removed for good.
  // Nothing was recorded when nothing was appended.
  bool Release() { return !guard_.recorded() || (settled_ && guard_.Release()); }

 private:
  static constexpr std::size_t kBlockBytes = rec::Stream::kDefaultWindow / kLength * kLength;

  bool Stop() {
    stopped_ = true;
    return false;
  }

  bool SameEnd() {
    std::int64_t now = clients_.SizeNow();
    if (now == end_) return true;
    size_changed_ = now >= 0;
    return Stop();
  }

  bool WriteBlock() {
    if (!guard_.Record(start_)) return Stop();
    if (!SameEnd()) return false;
    // A last record cut short is completed with spaces first, so that the
    // new records do not straddle two slots.
    if (end_ % kLength != 0 && !Write(std::string(kLength - end_ % kLength, ' '))) return false;
    if (!Write(block_)) return false;
    appended_ += static_cast<std::int64_t>(block_.size() / kLength);
    block_.clear();
    return true;
  }

  bool Write(const std::string& bytes) {
    if (clients_.Write(bytes) != bytes.size() || !clients_.Flush()) {
      failed_write_ = true;
      return Stop();
    }
    end_ += static_cast<std::int64_t>(bytes.size());
    return true;
  }

  // After a write that failed: the whole records that it wrote stay (and
  // count); a part of a record goes, and so does a part of the completion of
  // a last record cut short. An end that the write cannot have left is
  // another program's doing: the file is left to it. False when the cut or
  // the flush failed.
  bool TakeBackPart() {
    std::int64_t now = clients_.SizeNow();
    std::int64_t most = end_ + static_cast<std::int64_t>(std::max(block_.size(), std::size_t{kLength}));
    if (now < end_ || now > most) {
      size_changed_ = now >= 0;
      return size_changed_;
    }
    std::int64_t keep = end_ % kLength != 0 ? start_ : end_ + (now - end_) / kLength * kLength;
    appended_ += (keep - std::min(keep, end_)) / kLength;
    StreamPtr update = OpenToUpdate(client::kFile);
    bool cut = update && update->Truncate(keep) && update->Sync();
    return FCloseIf(update) && cut;
  }

  Stream& clients_;
  maint::AppendGuard guard_;
  std::int64_t start_;
  std::int64_t end_;  // where the file ends after the import's last write
  std::int64_t appended_ = 0;
  std::string block_;
  bool stopped_ = false;
  bool size_changed_ = false;
  bool failed_write_ = false;
  bool settled_ = false;
};

enum class ImportEnd {
  kDone,
  kNothing,      // no diskette file: nothing to import
  kNotOpened,    // a file that is there could not be opened or made
  kError,        // cut short by an error
  kSizeChanged,  // the client file got another size under the import
};

// Imports the records of the diskette file with the group field given;
// count receives the records appended.
ImportEnd Import(const std::string& group_field, std::int64_t* count) {
  rec::ForgetFailureCause();
  // The append stream makes the client file when it is missing, also when
  // there is nothing to import.
  StreamPtr appending = OpenToAppend(client::kFile);
  if (!appending) return ImportEnd::kNotOpened;
  StreamPtr diskette = OpenToRead(kDisketteFile);
  if (!diskette) return plat::Exists(kDisketteFile) ? ImportEnd::kNotOpened : ImportEnd::kNothing;
  StreamPtr clients = OpenToRead(client::kFile);
  maint::CodeMap map;
  if (!clients || !map.Create() || !map.Open()) return ImportEnd::kNotOpened;
  std::int64_t start = appending->SizeNow();
  if (start < 0 || !MarkLocalCodes(*clients, start, map)) return ImportEnd::kError;
  FCloseIf(clients);
  map.Rewind();

  bool error = false;
  Appender appender(*appending, start);
  char record[kLength + 1];
  for (std::int64_t n = 0;; ++n) {
    std::size_t length = maint::ReadRecordAt(*diskette, n, record, kLength);
    // A record that a failed read cut short is not taken for a short one, and
    // a diskette that could not be read to its end is not a whole import.
    if (length == 0 || diskette->Failed()) {
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
    std::memset(record + length, ' ', kLength - length);
    record[kLength] = '\0';
    char code_field[32];
    std::snprintf(code_field, sizeof code_field, "%05ld%5s", code, "");
    std::memcpy(record + client::kCodeAt, code_field, client::kCodeKeyWidth);
    std::memcpy(record + client::kGroupAt, group_field.data(), client::kGroupCodeWidth);
    CleanText(record);
    if (!appender.Add(record)) break;
  }
  // Records read before an error are appended all the same.
  if (!appender.Finish()) error = true;
  appender.Settle();
  // The code map goes before the length record: a run cut short in between
  // leaves nothing but the record, which takes the import back whole.
  if (!FCloseIf(appending)) error = true;
  FCloseIf(diskette);
  map.Remove();
  if (!appender.Release()) error = true;
  *count = appender.appended();
  if (appender.size_changed()) return ImportEnd::kSizeChanged;
  return error || map.Failed() ? ImportEnd::kError : ImportEnd::kDone;
}

void ImportClients(plat::Dialog* dialog) {
  plat::Cursor previous = plat::ShowWaitCursor();
  std::string group = Utf8ToCp1252(dialog->ItemText(kItemGroupField), client::kGroupCodeWidth);
  // "%-3s" of a text of at most 3 characters: an empty group gives three spaces.
  std::string group_field = group;
  group_field.resize(client::kGroupCodeWidth, ' ');
  std::int64_t count = 0;
  ImportEnd end = Import(group_field, &count);
  plat::RestoreCursor(previous);

  if (end == ImportEnd::kNotOpened || end == ImportEnd::kError || end == ImportEnd::kSizeChanged)
    Show(dialog, rec::WithFailureCause("Houve um erro grave.\n\nÉ recomendável consultar o Suporte Técnico"),
         kImportCaption, plat::kIconError);
  // A client file that another program changed meanwhile: the import
  // stopped there and claims nothing.
  if (end == ImportEnd::kSizeChanged) return;
  Show(dialog, CountMessage("Foram importados %d clientes.", count), kImportCaption, plat::kIconInformation);
}

}  // namespace

void ExportImportClients(plat::Dialog* dialog, int mode) {
  if (mode == 0)
    ExportClients(dialog);
  else if (mode == 1)
    ImportClients(dialog);
}
