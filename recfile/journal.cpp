#include "recfile/journal.hpp"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/platform.hpp"
#include "recfile/new_file.hpp"
#include "recfile/recfile.hpp"

namespace rec {
namespace {

constexpr char kJournal[] = "LANVO.JNL";
// The journal is written under this name and renamed when whole.
constexpr char kJournalBeingWritten[] = "LANVO.JN~";
// No journal of the steps comes near this; a bigger file is none of ours.
constexpr std::size_t kJournalLimit = 4096;

// Every change that a step journals (the names in any letter case). A change
// is one line: a letter, a space, the name; a copy names its two files
// separated by a tab, the second one of the numbered series of a backup name
// (rec::BackupName). A journal holding any other line was not written by this
// program, and a step that journals a change missing here is refused at once.
struct Change {
  char kind;
  const char* name;
  const char* backup;  // a copy's target: a name of this backup's series
};
constexpr Change kJournalled[] = {
    // The split of the client records (convert/split.cpp).
    {'K', "F10R2.DAT", "F10R2-250.BAK"}, {'C', "F04R0.DAT", nullptr}, {'C', "F09R0.DAT", nullptr},
    {'R', "F10R2.DAT", nullptr}, {'C', "F24R0.DAT", nullptr}, {'D', "F24.DAT", nullptr},
    // The counter migration (convert/counter_migration.cpp).
    {'C', "F34.DAT", nullptr}, {'D', "CONFIGA.DAT", nullptr},
    // The phone index (convert/phone_index.cpp); it also rewrites F10R2.DAT.
    {'C', "FTEL1.DAT", nullptr}, {'R', "F00R0.DAT", nullptr},
    // The text documents (convert/text_documents.cpp).
    {'C', "F40.DAT", nullptr}, {'K', "F90.DAT", "F90.TMP"}, {'D', "F90.DAT", nullptr},
};

// The only names that a run leaves behind when cut short before its journal:
// the pending files of the new files (rec::NewFile) and the ".~part" copies
// of the backups (KeepBackup, rec::CopyToBackup), under a backup's name or one
// of its numbered series. Other files of those patterns belong to somebody
// else and stay.
constexpr const char* kPendingTargets[] = {
    "F10R1.DAT", "F10R2.DAT", "F24.DAT", "F14R0.DAT",  // step 1 (convert/run.cpp)
    "F04R0.DAT", "F09R0.DAT", "F24R0.DAT", "F34.DAT",  // step 2
    "FTEL1.DAT", "F00R0.DAT", "F40.DAT",               // step 3
};
constexpr char kPartSuffix[] = ".~part";
constexpr const char* kBackups[] = {
    "F10.TMP", "F10R1.TMP", "F14.TMP",  // step 1
    "F10R2-250.BAK",                    // the split
    "F90.TMP",                          // the text documents
    "F09.TMP",                          // the clean-up
};

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// True when name is backup or a name of its numbered series, which a backup
// name that holds something else moves on to: F10.TMP, F10-1.TMP, F10-2.TMP
// (and F10-1-1.TMP where a copy through the journal met a taken name).
bool OfBackupSeries(std::string_view name, std::string_view backup) {
  std::size_t dot = backup.rfind('.');
  std::string_view stem = backup.substr(0, dot), extension = backup.substr(dot);
  if (name.size() < backup.size() || !SameLetters(name.substr(0, stem.size()), stem) ||
      !SameLetters(name.substr(name.size() - extension.size()), extension))
    return false;
  // What lies between: "-1", "-2"... "-999", any number of times.
  std::string_view numbers = name.substr(stem.size(), name.size() - backup.size());
  while (!numbers.empty()) {
    std::size_t digits = 0;
    while (digits + 1 < numbers.size() && numbers[digits + 1] >= '0' && numbers[digits + 1] <= '9') ++digits;
    if (numbers[0] != '-' || digits == 0 || digits > 3 || numbers[1] == '0') return false;
    numbers.remove_prefix(1 + digits);
  }
  return true;
}

bool Journalled(std::string_view line) {
  if (line.size() < 3 || line[1] != ' ') return false;
  std::string_view name = line.substr(2), to;
  if (std::size_t tab = name.find('\t'); tab != std::string_view::npos) {
    to = name.substr(tab + 1);
    name = name.substr(0, tab);
  }
  for (const Change& known : kJournalled)
    if (line[0] == known.kind && SameLetters(name, known.name) &&
        (known.backup ? OfBackupSeries(to, known.backup) : to.empty() && line.size() == name.size() + 2))
      return true;
  return false;
}

// The CRC-32 of zip files (reflected polynomial 0xEDB88320).
std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// The last line of a journal whose other lines are body: "END", the length of
// body in decimal and its CRC-32 in eight hexadecimal digits, e.g.
// "END 24 5A0C31F7".
std::string EndLine(std::string_view body) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::uint32_t crc = Crc32(body);
  std::string line = "END " + std::to_string(body.size()) + " ";
  for (int shift = 28; shift >= 0; shift -= 4) line += kHex[(crc >> shift) & 0xF];
  return line + "\n";
}

// The changes of a journal; false when it is not one that this program wrote
// whole.
bool ParseJournal(std::string_view bytes, std::vector<std::string>* changes) {
  if (bytes.empty() || bytes.back() != '\n') return false;
  std::size_t last = bytes.rfind('\n', bytes.size() - 2);
  std::string_view body = bytes.substr(0, last == std::string_view::npos ? 0 : last + 1);
  if (bytes.substr(body.size()) != EndLine(body)) return false;
  for (std::size_t start = 0; start < body.size();) {
    std::size_t end = body.find('\n', start);
    std::string_view line = body.substr(start, end - start);
    if (!Journalled(line)) return false;
    changes->emplace_back(line);
    start = end + 1;
  }
  return true;
}

enum class Reading { kRead, kUnreadable, kDamaged };

Reading ReadJournal(std::vector<std::string>* changes) {
  StreamPtr in = FOpenRead(kJournal);
  if (!in) return Reading::kUnreadable;
  std::string bytes(kJournalLimit + 1, '\0');
  bytes.resize(in->Read(bytes.data(), bytes.size()));
  bool read = !in->Failed();
  if (!FCloseIf(in) || !read) return Reading::kUnreadable;
  if (bytes.size() > kJournalLimit || !ParseJournal(bytes, changes)) return Reading::kDamaged;
  return Reading::kRead;
}

// Carries out one line of a journal that ParseJournal accepted.
bool Carry(const std::string& line) {
  std::string name = line.substr(2);
  std::string pending = NewFile::PendingName(name);
  switch (line[0]) {
    case 'R':
      return !plat::Exists(pending) || plat::RenameReplace(pending, name);
    case 'C':
      return !plat::Exists(pending) || plat::RenameNoReplace(pending, name);
    case 'K': {
      std::size_t tab = name.find('\t');
      if (tab == std::string::npos) return false;
      std::string from = name.substr(0, tab), to = name.substr(tab + 1);
      // The source is replaced or removed by a later change of the same
      // journal: a second name is its backup, where the system has them.
      return !plat::Exists(from) || plat::Exists(to) || plat::LinkNoReplace(from, to) || KeepBackup(from, to);
    }
    case 'D':
      return !plat::Exists(name) || FDelete(name) == 0;
    default:
      return false;
  }
}

bool CarryAll(const std::vector<std::string>& changes) {
  for (const std::string& change : changes)
    if (!Carry(change)) return false;
  if (!plat::RemoveFile(kJournal)) return false;
  // The changes are made; a removal that may not be on the disk is counted as
  // a failure all the same (a power cut now would have the next run carry
  // them out once more, which changes nothing).
  if (!plat::SyncFolder("")) NoteFailure();
  return true;
}

bool OurLeftover(std::string_view name) {
  auto ends_with = [&](std::string_view suffix) {
    return name.size() > suffix.size() && SameLetters(name.substr(name.size() - suffix.size()), suffix);
  };
  if (ends_with(NewFile::kPendingSuffix)) {
    std::string_view target = name.substr(0, name.size() - std::strlen(NewFile::kPendingSuffix));
    for (std::string_view known : kPendingTargets)
      if (SameLetters(target, known)) return true;
  }
  if (ends_with(kPartSuffix)) {
    std::string_view copy = name.substr(0, name.size() - std::strlen(kPartSuffix));
    for (std::string_view backup : kBackups)
      if (OfBackupSeries(copy, backup)) return true;
  }
  return false;
}

void RemoveLeftovers() {
  FDelete(kJournalBeingWritten);
  for (const char* suffix : {NewFile::kPendingSuffix, kPartSuffix})
    for (const std::string& name : plat::FindFiles("", std::string("*") + suffix))
      if (OurLeftover(name)) FDelete(name);
}

}  // namespace

void FileChanges::Replace(const std::string& target) { changes_.push_back("R " + target); }
void FileChanges::Create(const std::string& target) { changes_.push_back("C " + target); }
void FileChanges::CopyUnlessExists(const std::string& from, const std::string& to) {
  changes_.push_back("K " + from + "\t" + to);
}
void FileChanges::Delete(const std::string& name) { changes_.push_back("D " + name); }

bool FileChanges::Apply() {
  bool applied = ApplyAll();
  if (!applied) NoteFailure();
  return applied;
}

bool FileChanges::ApplyAll() {
  std::string body;
  for (const std::string& change : changes_) {
    // The next run would take the journal for a foreign one.
    if (!Journalled(change)) return false;
    body += change + "\n";
  }
  if (plat::Exists(kJournal)) return false;  // an earlier one was never completed
  {
    StreamPtr out = OpenToCreate(kJournalBeingWritten);
    if (!out) return false;
    out->Write(body);
    out->Write(EndLine(body));
    bool written = out->Sync();
    if (!FCloseIf(out) || !written) {
      FDelete(kJournalBeingWritten);
      return false;
    }
  }
  // From here on the changes happen: now, or in the next run.
  if (!plat::RenameNoReplace(kJournalBeingWritten, kJournal)) {
    FDelete(kJournalBeingWritten);
    return false;
  }
  // No change before the journal's name is on the disk: the next run carries
  // them out.
  if (!plat::SyncFolder("")) return false;
  return CarryAll(changes_);
}

Recovery RecoverJournal() {
  if (!plat::Exists(kJournal)) {
    RemoveLeftovers();
    return Recovery::kNone;
  }
  std::vector<std::string> changes;
  switch (ReadJournal(&changes)) {
    case Reading::kDamaged:
      // Renamed into place only when whole and made only of our changes: this
      // one is not ours to carry out, nor to remove.
      return Recovery::kDamaged;
    case Reading::kUnreadable:
      NoteFailure();
      return Recovery::kFailed;
    case Reading::kRead:
      break;
  }
  if (!CarryAll(changes)) {
    NoteFailure();
    return Recovery::kFailed;
  }
  RemoveLeftovers();
  return Recovery::kCompleted;
}

bool RecoverPending() {
  Recovery recovery = RecoverJournal();
  return recovery == Recovery::kNone || recovery == Recovery::kCompleted;
}

bool JournalPending() { return plat::Exists(kJournal); }

void ShowJournalDamaged(plat::Dialog* dialog) {
  plat::ShowMessageBox(dialog,
                       "O arquivo LANVO.JNL está danificado ou não foi gravado por este programa, "
                       "e nada do que ele pede foi feito.\n"
                       "Guarde-o para o suporte técnico e retire-o da pasta para continuar.",
                       "Lanvo", plat::kIconError | plat::kOk);
}

}  // namespace rec
