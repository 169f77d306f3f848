// A file written under a temporary name beside its final one, the pending
// name, and put in place only when complete, so that an interruption never
// leaves a half-written file under a name that a guard of the next run would
// take for done. A file on its own is put in place by Commit(), a rename that
// never replaces. The files of a step that changes several are put in place
// together by a FileChanges (recfile/journal.hpp), all of them or none, also
// across an interruption: ApplyChanges below.
#pragma once

#include <string>
#include <vector>

#include "recfile/recfile.hpp"

namespace rec {

class FileChanges;

class NewFile {
 public:
  // Who puts the file in place.
  enum class Placing {
    kCommit,   // Commit(), on its own
    kJournal,  // a FileChanges with the other files of its step
  };

  // Creates the pending file (one left by an interrupted run is written
  // anew). A file of a journal is not created while a journal is waiting
  // to be completed: its pending files are that journal's.
  explicit NewFile(std::string target, Placing placing = Placing::kCommit);
  // Removes the pending file unless it was put in place or handed to a journal.
  ~NewFile();
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  // Null when the pending file could not be created, or when a journal is
  // waiting to be completed.
  Stream* stream() { return stream_.get(); }
  const std::string& target() const { return target_; }
  // Writes everything to the disk and closes; false when anything failed.
  bool Finish();
  // Finish(), then renames the file to its final name, which must not exist,
  // and flushes the folder. False, with the pending file removed and the
  // failure noted, on any failure.
  bool Commit();
  // From now on the journal decides what becomes of the pending file.
  void HandOver() { kept_ = true; }

  // The pending name of a target.
  static std::string PendingName(const std::string& target) { return target + kPendingSuffix; }
  static constexpr char kPendingSuffix[] = ".~new";

 private:
  std::string target_;
  std::string pending_;
  StreamPtr stream_;
  bool owned_ = false;  // not a journal's
  bool kept_ = false;   // put in place, or handed to a journal
};

// Applies the changes that put the pending files in place. When the journal
// was written the files are its own (it stays behind for the next run if the
// changes could not all be made now); otherwise nothing changed and they are
// removed. Null entries are passed over. True when every change was made.
bool ApplyChanges(FileChanges& changes, const std::vector<NewFile*>& files);

}  // namespace rec
