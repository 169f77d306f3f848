#include "recfile/journal.hpp"

#include "platform/platform.hpp"
#include "recfile/recfile.hpp"

namespace rec {
namespace {

constexpr char kJournal[] = "LANVO.JNL";
// The journal is written under this name and renamed when whole.
constexpr char kJournalBeingWritten[] = "LANVO.JN~";
constexpr char kEnd[] = "END";
// Left behind by work that never reached its journal: new files, and copies
// that the platform makes under a name of their own before renaming them.
constexpr const char* kLeftovers[] = {"*.~new", "*.~part"};

// One change is one line: a letter, a space, the name; a copy names its two
// files separated by a tab. Names of the data folder hold neither.
bool Carry(const std::string& line) {
  if (line.size() < 3 || line[1] != ' ') return false;
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
      return !plat::Exists(from) || KeepBackup(from, to);
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
  plat::SyncFolder("");
  return true;
}

// The changes of a whole journal; false when it is not whole (no end line).
bool ReadJournal(const char* name, std::vector<std::string>* changes) {
  StreamPtr in = FOpenRead(name);
  if (!in) return false;
  std::string line;
  for (int c; (c = in->GetChar()) != -1;) {
    if (c != '\n') {
      line.push_back(static_cast<char>(c));
      continue;
    }
    if (line == kEnd) return !in->Failed();
    changes->push_back(line);
    line.clear();
  }
  return false;
}

void RemoveLeftovers() {
  FDelete(kJournalBeingWritten);
  for (const char* pattern : kLeftovers)
    for (const std::string& name : plat::FindFiles("", pattern)) FDelete(name);
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
  if (plat::Exists(kJournal)) return false;  // an earlier one was never completed
  {
    StreamPtr out = OpenToCreate(kJournalBeingWritten);
    if (!out) return false;
    for (const std::string& change : changes_) {
      out->Write(change);
      out->Write("\n");
    }
    out->Write(kEnd);
    out->Write("\n");
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
  plat::SyncFolder("");
  return CarryAll(changes_);
}

bool RecoverPending() {
  bool ok = true;
  if (plat::Exists(kJournal)) {
    std::vector<std::string> changes;
    if (ReadJournal(kJournal, &changes))
      ok = CarryAll(changes);
    else
      ok = false;  // renamed into place only when whole: a broken one is not ours to undo
  }
  if (ok)
    RemoveLeftovers();
  else
    NoteFailure();
  return ok;
}

bool JournalPending() { return plat::Exists(kJournal); }

}  // namespace rec
