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
// it does anything else (RecoverJournal): every change in it can be done
// again without harm. Before the journal exists nothing has changed, and the
// temporary files are simply removed.
//
// The data folder comes from customers' machines and archives, so a journal
// found there is carried out only when it is one that this program wrote:
// whole (its end line holds the length and the CRC-32 of the lines before it),
// and made only of the changes that the steps journal, on the files they name.
// Anything else is carried out in no part and left where it is.
#pragma once

#include <string>
#include <vector>

namespace plat {
class Dialog;
}

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
  // caller must not go on with work that depends on these files. A change
  // that no step journals is refused before anything is written.
  bool Apply();
  bool empty() const { return changes_.empty(); }

 private:
  bool ApplyAll();
  std::vector<std::string> changes_;
};

enum class Recovery {
  kNone,       // no journal was waiting
  kCompleted,  // a journal was waiting and its changes are all made
  kFailed,     // a journal of this program could not be completed now; it stays
  kDamaged,    // a journal cut short, changed, or not written by this program:
               // nothing of it was done, and it stays
};

// Completes the changes of a journal left by an interrupted run and removes
// the temporary files of work that never reached its journal (only when no
// journal stays behind).
Recovery RecoverJournal();

// RecoverJournal() for those who only ask whether work may go on: false when
// a journal stays behind.
bool RecoverPending();

// True when a journal is waiting to be completed.
bool JournalPending();

// Tells the user that LANVO.JNL is damaged or foreign and what to do with it
// (an error message box).
void ShowJournalDamaged(plat::Dialog* dialog);

}  // namespace rec
