// The buffered byte stream through which every data file is read and written.
//
// Bytes go in and out unchanged: no CR/LF translation and no Ctrl-Z end, on
// either system, so a record file is addressed by byte positions whatever it
// holds. The stream keeps one window of the file in memory; a seek, a read or
// a write that stays inside the window makes no system call, and the window is
// written back (only the part that changed) when it has to move or when the
// stream closes. Streams close themselves when they go out of scope.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.hpp"

namespace rec {

class Stream {
 public:
  static constexpr std::size_t kDefaultWindow = 256 * 1024;

  // Opens a file; null when the system refuses. window is the size of the
  // in-memory window (tests use tiny windows to reach its edges).
  static std::unique_ptr<Stream> Open(const std::string& name, plat::OpenMode mode,
                                      std::size_t window = kDefaultWindow);
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Reads up to n bytes at the position; returns how many were read. Fewer
  // than n means the end of the file (AtEnd) or an error (Failed).
  std::size_t Read(void* buffer, std::size_t n);
  // The standard line read: at most limit - 1 bytes, stopping after a line
  // feed (kept), then a terminating zero. Null when nothing could be read.
  char* ReadLine(char* buffer, int limit);
  // One byte, or -1 at the end of the file.
  int GetChar();

  // Writes n bytes at the position (append streams: at the end of the file).
  // Returns the count accepted; less than n when the write failed.
  std::size_t Write(const void* data, std::size_t n);
  std::size_t Write(std::string_view text) { return Write(text.data(), text.size()); }
  // Writes text left-justified in a field of width characters, padded with
  // spaces; a longer text is written whole. Returns the count written.
  std::size_t WriteField(std::string_view text, std::size_t width);
  std::size_t WriteSpaces(std::size_t n);

  // Straight to and from the file at a position, past the window, for a file
  // that another program may change while the stream is open. ReadThrough
  // reads what the file holds now: the count read, fewer than n at its end,
  // -1 on an error. WriteThrough writes those n bytes and no other, so that
  // nothing read earlier is ever written back over what changed since; the
  // window takes them too, for the reads through it. Returns the count
  // written. Changes waiting in the window are written first. Neither moves
  // the position. Not for append streams.
  std::int64_t ReadThrough(std::int64_t position, void* buffer, std::size_t n);
  std::size_t WriteThrough(std::int64_t position, const void* data, std::size_t n);
  // The size of the file as the system has it now (another program may have
  // changed it since the open), without what an append stream still holds;
  // -1 when the system cannot say.
  std::int64_t SizeNow();
  // Cuts the file to size bytes (not an append stream); false when it fails.
  bool Truncate(std::int64_t size);

  // Positions the stream. Any position from 0 on is accepted, also beyond the
  // end of the file (the next read there yields nothing); a negative one fails.
  bool Seek(std::int64_t position);
  bool SeekEnd();
  std::int64_t Tell() const { return position_; }
  // The size of the file including what is still in the window.
  std::int64_t Size() const;

  // The end-of-file indicator: set by a read that met the end, cleared by a seek.
  bool AtEnd() const { return at_end_; }
  // True once any read or write failed since the stream was opened.
  bool Failed() const { return failed_; }

  // Writes the window back to the file.
  bool Flush();
  // Flush, then makes the system write the file to the disk.
  bool Sync();
  // Flushes and closes; false when anything failed since the open. Further
  // calls do nothing and repeat the answer.
  bool Close();

 private:
  Stream(plat::OpenMode mode, plat::Handle handle, std::int64_t size, std::size_t window);
  bool CanRead() const { return mode_ != plat::OpenMode::kAppend; }
  bool CanWrite() const { return mode_ != plat::OpenMode::kRead; }
  // Moves the window so that it holds the byte at position; false at the end
  // of the file or on error.
  bool FillAt(std::int64_t position);
  bool WriteAppend(const char* data, std::size_t n);
  // Marks the stream failed, counting the first failure (see FailureCount).
  void Fail();
  bool InWindow(std::int64_t position) const {
    return position >= window_start_ &&
           position < window_start_ + static_cast<std::int64_t>(window_length_);
  }

  plat::OpenMode mode_;
  plat::Handle handle_;
  std::unique_ptr<char[]> window_;
  std::size_t capacity_;
  std::int64_t window_start_ = 0;   // file position of window_[0]
  std::size_t window_length_ = 0;   // bytes of the window that hold file data
  std::size_t dirty_from_ = 0;      // the changed part of the window
  std::size_t dirty_to_ = 0;
  std::int64_t size_;               // size of the file as written so far
  std::int64_t position_ = 0;
  bool at_end_ = false;
  bool failed_ = false;
  bool closed_ = false;
};

using StreamPtr = std::unique_ptr<Stream>;

// How many streams are open in the process (no step may leave one open).
std::size_t OpenStreamCount();

// Failures of reading or writing a file (not a file that is missing): each
// stream counts its first, and the routines that put files in place count
// theirs. A command compares the count before and after to know whether its
// work was cut short.
void NoteFailure();
std::uint64_t FailureCount();

// The cause of the first failure counted since ForgetFailureCause(): the
// failure of the file service that the platform layer reported last when it
// was counted (see plat::LastError). Empty when the failure had no such cause.
const plat::Error& FirstFailureCause();
void ForgetFailureCause();
// The cause for the user, "Arquivo: F10R1.DAT — Espaço insuficiente no
// disco."; empty when none is known.
std::string FailureCauseText();
// text, followed by the cause as a paragraph of its own when one is known.
std::string WithFailureCause(std::string text);

}  // namespace rec
