#include "recfile/new_file.hpp"

#include "platform/platform.hpp"
#include "recfile/journal.hpp"

namespace rec {

NewFile::NewFile(std::string target, Placing placing)
    : target_(std::move(target)), pending_(PendingName(target_)) {
  if (placing == Placing::kJournal && JournalPending()) return;
  owned_ = true;
  // One left by an interrupted run is written anew.
  FMakeWritable(pending_);
  stream_ = OpenToCreate(pending_);
}

NewFile::~NewFile() {
  FCloseIf(stream_);
  // Also when the stream could not be opened: the file may exist all the same.
  if (owned_ && !kept_) plat::RemoveFile(pending_);
}

bool NewFile::Finish() {
  if (!stream_) return false;
  bool ok = stream_->Sync();
  return FCloseIf(stream_) && ok;
}

bool NewFile::Commit() {
  if (!stream_) return false;
  if (!Finish() || !plat::RenameNoReplace(pending_, target_)) {
    NoteFailure();
    plat::RemoveFile(pending_);
    return false;
  }
  std::size_t slash = target_.find_last_of('\\');
  plat::SyncFolder(slash == std::string::npos ? "" : target_.substr(0, slash));
  kept_ = true;
  return true;
}

bool ApplyChanges(FileChanges& changes, const std::vector<NewFile*>& files) {
  bool applied = changes.Apply();
  if (applied || JournalPending())
    for (NewFile* file : files)
      if (file) file->HandOver();
  return applied;
}

}  // namespace rec
