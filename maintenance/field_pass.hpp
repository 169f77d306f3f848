// A pass over the client file that changes single fields of its records in
// place (the group of the change of group, the mark of the delinquency
// update) while other programs may be using the same file: Lanvo on another
// machine of the network, a second copy of this program.
//
// Only the bytes of the fields that change are written, each field in a write
// of its own: never a byte between two of them, so that nothing that another
// program writes there meanwhile is ever written over with what was read
// before. The file is read a block of records at a time (one read of about
// 256 KiB). A field whose change depends on what it holds (the group of the
// change of group) is read again just before its write, and left as it is
// when someone else changed it meanwhile.
//
// The records are those of the file's size at the start of the pass. Its
// size is checked before every write: a file that gets another size under the
// pass (records appended, or the file cut short, which a write past its new
// end would make grow again with zeros) stops it, and nothing more is
// written. The other program's work is kept, and the command says that it
// stopped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "recfile/stream.hpp"

namespace maint {

enum class PassEnd {
  kDone,         // every record read, every change written
  kFailed,       // a read or a write of the file failed
  kSizeChanged,  // the file got another size under the pass
};

class FieldPass {
 public:
  // The widest field that a pass changes (the group code).
  static constexpr std::size_t kMaxWidth = 3;

  // A pass over file, which is open for update; its size is taken now.
  explicit FieldPass(rec::Stream& file);

  // The next block of records as the file holds them now: whole records, the
  // last record of the file cut short if the file ends inside it. The changes
  // of the block before are written first. Empty at the end of the records,
  // or when the pass stopped.
  std::string_view NextBlock();
  // The file position of the first byte of the block last returned.
  std::int64_t block_start() const { return block_start_; }
  // A change of the block last returned, in the order of the positions: the
  // field at the file position at, which holds was in the block, gets to (as
  // wide as was, at most kMaxWidth), if it still holds was then.
  void Change(std::int64_t at, std::string_view was, std::string_view to);
  // The same for a field that gets to whatever it holds then.
  void Set(std::int64_t at, std::string_view to);
  // Writes the last changes and checks the size once more.
  PassEnd Finish();
  // Changes that reached the file.
  long written() const { return written_; }

 private:
  struct FieldChange {
    std::int64_t at;
    std::size_t width;
    bool compare;  // written only while the field holds was
    char was[kMaxWidth];
    char to[kMaxWidth];
  };
  // Writes the changes of the block; false when the pass stopped.
  bool WriteChanges();
  bool Stop(PassEnd end);
  // Whether the file has its size of the start.
  bool SameSize();

  rec::Stream& file_;
  std::int64_t size_;
  std::int64_t next_ = 0;
  std::int64_t block_start_ = 0;
  std::string block_;
  std::vector<FieldChange> changes_;
  long written_ = 0;
  bool stopped_ = false;
  PassEnd end_ = PassEnd::kDone;
};

}  // namespace maint
