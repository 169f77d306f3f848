#include "maintenance/field_pass.hpp"

#include <algorithm>
#include <cstring>

#include "recfile/client_record.hpp"

namespace maint {
namespace {

// Whole records that fill the stream's window: the read of a block is one
// system call of about 256 KiB.
constexpr std::size_t kBlockRecords = rec::Stream::kDefaultWindow / client::kLength;
constexpr std::size_t kBlockBytes = kBlockRecords * client::kLength;

}  // namespace

FieldPass::FieldPass(rec::Stream& file) : file_(file), size_(file.SizeNow()) {
  if (size_ < 0) Stop(PassEnd::kFailed);
}

bool FieldPass::Stop(PassEnd end) {
  if (!stopped_) end_ = end;
  stopped_ = true;
  changes_.clear();
  return false;
}

bool FieldPass::SameSize() {
  std::int64_t now = file_.SizeNow();
  if (now < 0) return Stop(PassEnd::kFailed);
  if (now != size_) return Stop(PassEnd::kSizeChanged);
  return true;
}

std::string_view FieldPass::NextBlock() {
  if (!WriteChanges() || next_ >= size_) return {};
  std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(kBlockBytes, size_ - next_));
  block_.resize(n);
  std::int64_t got = file_.ReadThrough(next_, block_.data(), n);
  // Shorter than at the start: cut by someone else.
  if (got < 0 || static_cast<std::size_t>(got) < n) {
    Stop(got < 0 ? PassEnd::kFailed : PassEnd::kSizeChanged);
    return {};
  }
  block_start_ = next_;
  next_ += static_cast<std::int64_t>(n);
  return block_;
}

void FieldPass::Change(std::int64_t at, std::string_view was, std::string_view to) {
  if (stopped_) return;
  FieldChange change{at, std::min(was.size(), kMaxWidth), true, {}, {}};
  was.copy(change.was, change.width);
  to.copy(change.to, change.width);
  changes_.push_back(change);
}

void FieldPass::Set(std::int64_t at, std::string_view to) {
  if (stopped_) return;
  FieldChange change{at, std::min(to.size(), kMaxWidth), false, {}, {}};
  to.copy(change.to, change.width);
  changes_.push_back(change);
}

bool FieldPass::WriteChanges() {
  if (stopped_) return false;
  for (const FieldChange& change : changes_) {
    if (change.compare) {
      char now[kMaxWidth];
      std::int64_t got = file_.ReadThrough(change.at, now, change.width);
      if (got < 0) return Stop(PassEnd::kFailed);
      if (static_cast<std::size_t>(got) < change.width) return Stop(PassEnd::kSizeChanged);
      // Changed by someone else since the block was read: theirs stays.
      if (std::memcmp(now, change.was, change.width) != 0) continue;
    }
    // Last, just before the write: a write past the end of a file that was
    // cut short meanwhile would make it grow again, with zeros up to the field.
    if (!SameSize()) return false;
    if (file_.WriteThrough(change.at, change.to, change.width) != change.width) return Stop(PassEnd::kFailed);
    ++written_;
  }
  changes_.clear();
  return true;
}

PassEnd FieldPass::Finish() {
  if (WriteChanges()) SameSize();
  return stopped_ ? end_ : PassEnd::kDone;
}

}  // namespace maint
