// A new version of a data file, written under the pending name beside it
// (rec::NewFile::PendingName) and put in place by a rec::FileChanges together
// with the other files of the same step: a step that changes several files
// changes all of them or none, also across an interruption.
#pragma once

#include <string>
#include <vector>

#include "recfile/journal.hpp"
#include "recfile/recfile.hpp"

namespace convert {

class PendingFile {
 public:
  explicit PendingFile(std::string target);
  // Removes the pending file unless it was handed to a journal.
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Null when the pending file could not be created, or when a journal is
  // waiting to be completed.
  rec::Stream* stream() { return stream_.get(); }
  const std::string& target() const { return target_; }
  // Writes everything to the disk and closes; false when anything failed.
  bool Finish();
  // From now on the journal decides what becomes of the pending file.
  void HandOver() { handed_over_ = true; }

 private:
  std::string target_;
  std::string pending_;
  StreamPtr stream_;
  bool owned_ = false;  // not a journal's
  bool handed_over_ = false;
};

// Applies the changes that put the pending files in place. When the journal
// was written the files are its own (it stays behind for the next run if the
// changes could not all be made now); otherwise nothing changed and they are
// removed. True when every change was made.
bool ApplyChanges(rec::FileChanges& changes, const std::vector<PendingFile*>& files);

}  // namespace convert
