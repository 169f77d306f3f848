// Changes to several files of the data folder that take effect together.
//
// A step that changes several files (the split of the client records, the
// phone index, the counter migration, the text documents) writes each new file
// under its temporary name (rec::NewFile::PendingName) beside the old one, then
// lists what is to happen in a FileChanges and applies it. Applying first
// writes the list to the journal LANVO.JNL in the data folder (under another
// name, flushed, then renamed: the journal appears whole or not at all), then
// carries the changes out and removes the journal. A run interrupted anywhere
// in between leaves the journal behind, and the next run completes it before
// it does anything else (RecoverPending): every change in it can be done
// again without harm. Before the journal exists nothing has changed, and the
// temporary files are simply removed.
#pragma once

#include <string>
#include <vector>

namespace rec {

class FileChanges {
 public:
  // The pending file of target replaces target (which may exist).
  void Replace(const std::string& target);
  // The pending file of target becomes target, which must not exist.
  void Create(const std::string& target);
  // Copies from to to unless to exists (a backup).
  void CopyUnlessExists(const std::string& from, const std::string& to);
  // Removes the file.
  void Delete(const std::string& name);

  // Writes the journal and carries out the changes in the order given. False
  // when any of it failed: the journal then stays for the next run, and the
  // caller must not go on with work that depends on these files.
  bool Apply();
  bool empty() const { return changes_.empty(); }

 private:
  bool ApplyAll();
  std::vector<std::string> changes_;
};

// Completes the changes of a journal left by an interrupted run and removes
// the temporary files of work that never reached its journal. False when a
// journal is there and could not be completed.
bool RecoverPending();

// True when a journal is waiting to be completed.
bool JournalPending();

}  // namespace rec
