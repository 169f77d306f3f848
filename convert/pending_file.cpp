#include "convert/pending_file.hpp"

namespace convert {

PendingFile::PendingFile(std::string target)
    : target_(std::move(target)), pending_(rec::NewFile::PendingName(target_)) {
  // While a journal waits, its pending files are its own: no step writes one
  // until the journal is completed.
  if (rec::JournalPending()) return;
  owned_ = true;
  // One left by an interrupted run that never reached its journal is written anew.
  FMakeWritable(pending_);
  stream_ = OpenToCreate(pending_);
}

PendingFile::~PendingFile() {
  FCloseIf(stream_);
  // Also when the stream could not be opened: the file may exist all the same.
  if (owned_ && !handed_over_) plat::RemoveFile(pending_);
}

bool PendingFile::Finish() {
  if (!stream_) return false;
  bool ok = stream_->Sync();
  return FCloseIf(stream_) && ok;
}

bool ApplyChanges(rec::FileChanges& changes, const std::vector<PendingFile*>& files) {
  bool applied = changes.Apply();
  if (applied || rec::JournalPending())
    for (PendingFile* file : files)
      if (file) file->HandOver();
  return applied;
}

}  // namespace convert
