#include "recfile/stream.hpp"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace rec {
namespace {

std::atomic<std::size_t> g_open_streams{0};

// When the window moves on from its end (sequential reading), its last bytes
// stay in front: the conversions seek back a little inside a record, and a
// record that straddles the window's edge must not cost a second read.
constexpr std::size_t kKeepBehind = 8 * 1024;
// A window placed by a random seek starts on this boundary below the position.
constexpr std::int64_t kAlign = 4 * 1024;

std::atomic<std::uint64_t> g_failures{0};
// The count when the cause was last forgotten: only the first failure after
// that gives the cause.
std::uint64_t g_failures_at_forget = 0;

}  // namespace

std::size_t OpenStreamCount() { return g_open_streams.load(); }

plat::Error& FirstCause() {
  static plat::Error cause;
  return cause;
}

void NoteFailure() {
  if (!FirstCause() && g_failures.load() == g_failures_at_forget) FirstCause() = plat::LastError();
  ++g_failures;
}

const plat::Error& FirstFailureCause() { return FirstCause(); }

void ForgetFailureCause() {
  FirstCause() = plat::Error{};
  g_failures_at_forget = g_failures.load();
  plat::ClearLastError();
}

std::string FailureCauseText() {
  const plat::Error& cause = FirstCause();
  if (!cause) return {};
  std::string text = plat::Describe(cause.code);
  if (cause.name.empty()) return text;
  // A file is written under a name of ours until it is whole: the user knows
  // it by the name it is to have.
  std::string name = cause.name;
  for (std::string_view suffix : {".~new", ".~part"})
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      name.resize(name.size() - suffix.size());
  return "Arquivo: " + name + " — " + text;
}

std::string WithFailureCause(std::string text) {
  std::string cause = FailureCauseText();
  return cause.empty() ? text : text + "\n\n" + cause;
}
// A link, special file or hard link that the file services refused stops the
// command as a failure does (a name passed over in a listing does not).
std::uint64_t FailureCount() { return g_failures.load() + (plat::ChangesStopped() ? 1 : 0); }

void Stream::Fail() {
  if (!failed_) NoteFailure();
  failed_ = true;
}

std::unique_ptr<Stream> Stream::Open(const std::string& name, plat::OpenMode mode,
                                     std::size_t window) {
  plat::Handle handle = plat::OpenFile(name, mode);
  if (handle == plat::kNoHandle) {
    // A missing file, and a read-only one opened for writing, are refused as
    // a matter of course; any other refusal (a locked file, a share that
    // dropped, a file that cannot be created) is a failure.
    bool exists = plat::Exists(name);
    bool read_only = mode != plat::OpenMode::kRead && exists && plat::IsReadOnly(name);
    bool missing = !exists && (mode == plat::OpenMode::kRead || mode == plat::OpenMode::kUpdate);
    bool taken = exists && mode == plat::OpenMode::kCreateNew;
    if (!read_only && !missing && !taken && !plat::IsFolder(name))
      NoteFailure();
    else
      plat::ClearLastError();  // refused as a matter of course: no cause of a later failure
    return nullptr;
  }
  std::int64_t size = plat::SizeOf(handle);
  if (size < 0) {
    NoteFailure();
    plat::CloseFile(handle);
    return nullptr;
  }
  return std::unique_ptr<Stream>(new Stream(mode, handle, size, std::max<std::size_t>(window, 16)));
}

Stream::Stream(plat::OpenMode mode, plat::Handle handle, std::int64_t size, std::size_t window)
    : mode_(mode),
      handle_(handle),
      window_(new char[window]),
      capacity_(window),
      size_(size) {
  ++g_open_streams;
  if (mode_ == plat::OpenMode::kAppend) position_ = size_;
}

Stream::~Stream() { Close(); }

std::int64_t Stream::Size() const {
  if (mode_ == plat::OpenMode::kAppend) return size_ + static_cast<std::int64_t>(window_length_);
  return size_;
}

bool Stream::FillAt(std::int64_t position) {
  if (!Flush()) return false;
  if (position >= size_) return false;
  std::size_t kept = 0;
  std::int64_t start;
  std::int64_t window_end = window_start_ + static_cast<std::int64_t>(window_length_);
  std::size_t keep = std::min(kKeepBehind, capacity_ / 4);
  if (position >= window_end && position - window_end <= static_cast<std::int64_t>(capacity_ / 4) &&
      window_length_ > keep) {
    // Sequential, or a short step forward past the end (a field further on in
    // a record that the window's edge cut): the next window continues where
    // this one ends and keeps its tail in front, so that going back a little
    // inside the record finds it there and no byte is read twice.
    std::memmove(window_.get(), window_.get() + window_length_ - keep, keep);
    kept = keep;
    start = window_end - static_cast<std::int64_t>(keep);
  } else {
    start = position - position % kAlign;
    if (position - start >= static_cast<std::int64_t>(capacity_ / 2)) start = position;
  }
  std::int64_t got = plat::ReadAt(handle_, static_cast<std::uint64_t>(start) + kept,
                                  window_.get() + kept, capacity_ - kept);
  if (got < 0) {
    Fail();
    window_start_ = position;
    window_length_ = 0;
    return false;
  }
  window_start_ = start;
  window_length_ = kept + static_cast<std::size_t>(got);
  return InWindow(position);
}

std::size_t Stream::Read(void* buffer, std::size_t n) {
  if (!CanRead() || closed_) {
    if (n > 0) Fail();
    return 0;
  }
  char* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    if (!InWindow(position_) && !FillAt(position_)) {
      at_end_ = !failed_;
      break;
    }
    std::size_t offset = static_cast<std::size_t>(position_ - window_start_);
    std::size_t take = std::min(n - done, window_length_ - offset);
    std::memcpy(out + done, window_.get() + offset, take);
    done += take;
    position_ += static_cast<std::int64_t>(take);
  }
  return done;
}

char* Stream::ReadLine(char* buffer, int limit) {
  if (limit <= 0) return nullptr;
  if (!CanRead() || closed_) {
    Fail();
    return nullptr;
  }
  std::size_t room = static_cast<std::size_t>(limit - 1);
  std::size_t done = 0;
  while (done < room) {
    if (!InWindow(position_) && !FillAt(position_)) {
      at_end_ = !failed_;
      break;
    }
    std::size_t offset = static_cast<std::size_t>(position_ - window_start_);
    std::size_t take = std::min(room - done, window_length_ - offset);
    const char* from = window_.get() + offset;
    const void* feed = std::memchr(from, '\n', take);
    if (feed) take = static_cast<std::size_t>(static_cast<const char*>(feed) - from) + 1;
    std::memcpy(buffer + done, from, take);
    done += take;
    position_ += static_cast<std::int64_t>(take);
    if (feed) break;
  }
  if (done == 0) return nullptr;
  buffer[done] = '\0';
  return buffer;
}

int Stream::GetChar() {
  unsigned char c;
  return Read(&c, 1) == 1 ? c : -1;
}

bool Stream::WriteAppend(const char* data, std::size_t n) {
  while (n > 0) {
    if (window_length_ == capacity_ && !Flush()) return false;
    std::size_t take = std::min(n, capacity_ - window_length_);
    std::memcpy(window_.get() + window_length_, data, take);
    window_length_ += take;
    dirty_to_ = window_length_;
    data += take;
    n -= take;
  }
  position_ = Size();
  return true;
}

std::size_t Stream::Write(const void* data, std::size_t n) {
  if (!CanWrite() || closed_) {
    if (n > 0) Fail();
    return 0;
  }
  const char* in = static_cast<const char*>(data);
  if (mode_ == plat::OpenMode::kAppend) {
    // Counted as accepted once in the window; a failure to write it back
    // later shows in Failed() and in Close().
    return WriteAppend(in, n) ? n : 0;
  }
  std::size_t done = 0;
  while (done < n) {
    std::int64_t window_end = window_start_ + static_cast<std::int64_t>(window_length_);
    bool fits = position_ >= window_start_ && position_ <= window_end &&
                position_ < window_start_ + static_cast<std::int64_t>(capacity_);
    if (!fits) {
      // Start a new window at the position. Bytes between the end of the file
      // and the position, if any, become the hole that the system fills with
      // zeros when the window is written back.
      if (!Flush()) break;
      window_start_ = position_;
      window_length_ = 0;
      continue;
    }
    std::size_t offset = static_cast<std::size_t>(position_ - window_start_);
    std::size_t take = std::min(n - done, capacity_ - offset);
    std::memcpy(window_.get() + offset, in + done, take);
    if (dirty_from_ == dirty_to_) {
      dirty_from_ = offset;
      dirty_to_ = offset + take;
    } else {
      dirty_from_ = std::min(dirty_from_, offset);
      dirty_to_ = std::max(dirty_to_, offset + take);
    }
    window_length_ = std::max(window_length_, offset + take);
    done += take;
    position_ += static_cast<std::int64_t>(take);
    size_ = std::max(size_, position_);
  }
  return done;
}

std::size_t Stream::WriteField(std::string_view text, std::size_t width) {
  std::size_t written = Write(text);
  if (text.size() < width) written += WriteSpaces(width - text.size());
  return written;
}

std::size_t Stream::WriteSpaces(std::size_t n) {
  static const std::string kSpaces(1024, ' ');
  std::size_t written = 0;
  while (n > 0) {
    std::size_t take = std::min(n, kSpaces.size());
    std::size_t put = Write(kSpaces.data(), take);
    written += put;
    if (put < take) break;
    n -= take;
  }
  return written;
}

std::int64_t Stream::ReadThrough(std::int64_t position, void* buffer, std::size_t n) {
  if (!CanRead() || closed_ || position < 0) {
    Fail();
    return -1;
  }
  if (!Flush()) return -1;
  std::int64_t got = plat::ReadAt(handle_, static_cast<std::uint64_t>(position), buffer, n);
  if (got < 0) Fail();
  return got;
}

std::size_t Stream::WriteThrough(std::int64_t position, const void* data, std::size_t n) {
  if (!CanWrite() || mode_ == plat::OpenMode::kAppend || closed_ || position < 0) {
    if (n > 0) Fail();
    return 0;
  }
  if (!Flush()) return 0;
  std::int64_t put = plat::WriteAt(handle_, static_cast<std::uint64_t>(position), data, n);
  std::size_t done = put > 0 ? static_cast<std::size_t>(put) : 0;
  if (done != n) Fail();
  // The part of the window that the bytes cover takes them.
  std::int64_t from = std::max(position, window_start_);
  std::int64_t to = std::min(position + static_cast<std::int64_t>(done),
                             window_start_ + static_cast<std::int64_t>(window_length_));
  if (from < to)
    std::memcpy(window_.get() + (from - window_start_), static_cast<const char*>(data) + (from - position),
                static_cast<std::size_t>(to - from));
  size_ = std::max(size_, position + static_cast<std::int64_t>(done));
  return done;
}

std::int64_t Stream::SizeNow() {
  if (closed_) return -1;
  std::int64_t size = plat::SizeOf(handle_);
  if (size < 0) Fail();
  return size;
}

bool Stream::Truncate(std::int64_t size) {
  if (!CanWrite() || mode_ == plat::OpenMode::kAppend || closed_ || size < 0) {
    Fail();
    return false;
  }
  if (!Flush()) return false;
  if (!plat::TruncateFile(handle_, static_cast<std::uint64_t>(size))) {
    Fail();
    return false;
  }
  size_ = size;
  // The window keeps nothing beyond the new end.
  if (window_start_ >= size)
    window_length_ = 0;
  else
    window_length_ = std::min(window_length_, static_cast<std::size_t>(size - window_start_));
  return true;
}

bool Stream::Seek(std::int64_t position) {
  if (position < 0 || closed_) return false;
  position_ = position;
  at_end_ = false;
  return true;
}

bool Stream::SeekEnd() { return Seek(Size()); }

bool Stream::Flush() {
  if (closed_) return !failed_;
  if (mode_ == plat::OpenMode::kAppend) {
    if (window_length_ == 0) return !failed_;
    std::int64_t put = plat::WriteAt(handle_, static_cast<std::uint64_t>(size_), window_.get(), window_length_);
    if (put != static_cast<std::int64_t>(window_length_)) Fail();
    size_ += std::max<std::int64_t>(put, 0);
    window_start_ = size_;
    window_length_ = 0;
    dirty_from_ = dirty_to_ = 0;
    return !failed_;
  }
  if (dirty_from_ == dirty_to_) return !failed_;
  std::size_t n = dirty_to_ - dirty_from_;
  std::int64_t put = plat::WriteAt(handle_, static_cast<std::uint64_t>(window_start_) + dirty_from_,
                                   window_.get() + dirty_from_, n);
  dirty_from_ = dirty_to_ = 0;
  if (put != static_cast<std::int64_t>(n)) {
    Fail();
    // What the window holds is no longer what the file holds.
    window_length_ = 0;
    size_ = std::max<std::int64_t>(plat::SizeOf(handle_), 0);
  }
  return !failed_;
}

bool Stream::Sync() {
  if (!Flush()) return false;
  if (!plat::SyncFile(handle_)) Fail();
  return !failed_;
}

bool Stream::Close() {
  if (closed_) return !failed_;
  Flush();
  if (!plat::CloseFile(handle_)) Fail();
  closed_ = true;
  handle_ = plat::kNoHandle;
  --g_open_streams;
  return !failed_;
}

}  // namespace rec
