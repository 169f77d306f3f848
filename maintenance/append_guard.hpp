// Appends to the client file that an interruption never leaves half done.
//
// Before the import appends its first record, it writes the length that
// F10R2.DAT has at that moment into F10R2.LEN, a file of this program's own
// in the data folder (the line "F10R2.DAT 123000", then CR LF). It appears
// whole or not at all (written under a temporary name, flushed, renamed, the
// folder flushed), and only then does the first record go. When the appends
// are over and on the disk, or taken back, the file goes. A run killed in
// between leaves it behind, and the next start of a maintenance command or
// of the conversion (RecoverInterruptedAppend) cuts F10R2.DAT back to that
// length: the client file is again what it was before the import, without
// the records, or the part of one, that the import had written, and an
// import run again gives what one uninterrupted import gives.
#pragma once

#include <cstdint>

namespace maint {

class AppendGuard {
 public:
  // Records that the client file is length bytes long before anything is
  // appended. False when the record could not be written whole and flushed
  // (or one of an earlier run is still there): nothing may be appended then.
  bool Record(std::int64_t length);
  bool recorded() const { return recorded_; }
  // The appends are over and flushed to the disk, or taken back: the record
  // goes. False when it could not be removed.
  bool Release();

 private:
  bool recorded_ = false;
};

// Cuts the client file back to the length recorded by an append that was
// interrupted, and removes the record and the code maps that such an import
// left behind (maint::CodeMap::RemoveLeftovers). Called before anything else
// at the start of every maintenance command and of the conversion. False when
// a cut that is due could not be made: the record then stays for the next
// start, and the caller must not go on with the client file. A F10R2.LEN that
// this program did not write (not of its form) is left alone, and nothing is
// cut.
bool RecoverInterruptedAppend();

}  // namespace maint
