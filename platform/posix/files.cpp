// POSIX file services of the platform layer. Generic POSIX code plus the
// Linux calls that give Windows' guarantees: renameat2(RENAME_NOREPLACE) for a
// rename that never replaces, open-file-description locks for the busy test;
// and the Linux calls that keep large files fast: copy_file_range for copies
// made inside the kernel, sync_file_range to start writing a new file to the
// disk while it is still being written.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/common/wildcard.hpp"
#include "platform/platform.hpp"
#include "platform/posix/posix.hpp"

namespace plat {
namespace posix {
namespace {

std::string g_diskette;
std::string g_root = "/";

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Finds the entry of folder whose name equals name in any letter case.
bool FindInFolder(const std::string& folder, const std::string& name, std::string* found) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  bool ok = false;
  std::string best;
  while (dirent* entry = ::readdir(dir)) {
    if (SameIgnoringCase(entry->d_name, name)) {
      // Several spellings can coexist on POSIX; take the first in byte order
      // so that the choice does not depend on the directory's order.
      if (!ok || best > entry->d_name) best = entry->d_name;
      ok = true;
    }
  }
  ::closedir(dir);
  if (ok) *found = best;
  return ok;
}

// Replaces each component that does not exist by an existing one that differs
// only in letter case. Components after the first that exists in no spelling
// keep the spelling given.
std::string ResolveCase(const std::string& path) {
  if (path.empty() || PathExists(path)) return path;
  std::string out;
  std::size_t i = 0;
  if (path[0] == '/') {
    out = "/";
    i = 1;
  }
  bool searching = true;
  while (i <= path.size()) {
    std::size_t slash = path.find('/', i);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(i, slash - i);
    if (!part.empty()) {
      std::string candidate = out + part;
      std::string found;
      // The whole path is known to be missing: it is not looked up twice.
      if (searching && part != "." && part != ".." && (candidate == path || !PathExists(candidate))) {
        if (FindInFolder(out, part, &found))
          candidate = out + found;
        else
          searching = false;
      }
      out = candidate;
    }
    if (slash < path.size()) out += '/';
    i = slash + 1;
  }
  return out;
}

bool ReadOnlyMode(const std::string& native) {
  struct stat st;
  return ::stat(native.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && (st.st_mode & 0222) == 0;
}

// Marks the file as held for writing (see BusyTest). Advisory: a file that
// cannot be locked is written all the same.
void TakeWriteLock(int fd) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
  // The busy test of another process holds a read lock for a moment. Such a
  // moment is waited out: taken then, the open would leave this writer
  // unmarked for as long as it holds the file. Another writer's lock is not
  // waited for; two writers may share a file, as on Windows.
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0 || (errno != EAGAIN && errno != EACCES)) return;
    struct flock holder = {};
    holder.l_type = F_WRLCK;
    holder.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_GETLK, &holder) == 0 && holder.l_type == F_WRLCK) return;
    struct timespec pause = {0, 1000000};
    ::nanosleep(&pause, nullptr);
  }
#else
  (void)::fcntl(fd, F_SETLK, &lock);
#endif
}

// A file that the conversion creates is written from start to end and then
// flushed to the disk (fsync) before it is put in place. Left to itself, the
// system would keep all of it in memory until that flush and then make the
// program wait while it writes it all. Instead, every kWriteBehind bytes the
// part written so far is handed to the disk (sync_file_range, which does not
// wait), so that the disk works while the program computes and the final
// flush finds little left to do. Only a hint: the fsync stays what makes the
// file safe.
//
// A copy (a backup) is not read again: once a part of it is on the disk its
// pages leave the system's cache (drop-behind), and the copy of a file of any
// size occupies a few megabytes of memory, which the next parts reuse, instead
// of pushing gigabytes of other files out of the cache.
constexpr std::uint64_t kWriteBehind = 8u << 20;

struct WriteBehind {
  bool active = false;
  bool drop = false;       // release the pages once on the disk
  std::uint64_t from = 0;  // the part not yet handed to the disk
  std::uint64_t to = 0;
  std::uint64_t handed_from = 0;  // the part handed to the disk last time
  std::uint64_t handed_to = 0;
};

// By descriptor; only handles opened by OpenFile in kCreate mode take part.
std::vector<WriteBehind>& WriteBehindTable() {
  static std::vector<WriteBehind> table;
  return table;
}

WriteBehind* WriteBehindOf(int fd) {
  auto& table = WriteBehindTable();
  if (fd < 0 || static_cast<std::size_t>(fd) >= table.size() || !table[static_cast<std::size_t>(fd)].active)
    return nullptr;
  return &table[static_cast<std::size_t>(fd)];
}

void StartWriteBehind(int fd) {
  auto& table = WriteBehindTable();
  if (fd < 0) return;
  if (static_cast<std::size_t>(fd) >= table.size()) table.resize(static_cast<std::size_t>(fd) + 1);
  table[static_cast<std::size_t>(fd)] = WriteBehind{};
  table[static_cast<std::size_t>(fd)].active = true;
}

void EndWriteBehind(int fd) {
  if (WriteBehind* state = WriteBehindOf(fd)) *state = WriteBehind{};
}

// Records that [offset, offset + n) was written, and hands the written part
// to the disk once it is large enough; with drop, the part handed over the
// time before, written by now, leaves the cache.
void NoteWritten(int fd, WriteBehind& state, std::uint64_t offset, std::uint64_t n) {
  if (n == 0) return;
  if (state.from == state.to) {
    state.from = offset;
    state.to = offset + n;
  } else {
    state.from = std::min(state.from, offset);
    state.to = std::max(state.to, offset + n);
  }
  if (state.to - state.from < kWriteBehind) return;
#ifdef SYNC_FILE_RANGE_WRITE
  (void)::sync_file_range(fd, static_cast<off_t>(state.from), static_cast<off_t>(state.to - state.from),
                          SYNC_FILE_RANGE_WRITE);
  if (state.drop && state.handed_to > state.handed_from) {
    off_t at = static_cast<off_t>(state.handed_from), length = static_cast<off_t>(state.handed_to - state.handed_from);
    (void)::sync_file_range(fd, at, length,
                            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    (void)::posix_fadvise(fd, at, length, POSIX_FADV_DONTNEED);
  }
#else
  (void)fd;
#endif
  state.handed_from = state.from;
  state.handed_to = state.to;
  state.from = state.to;
}

}  // namespace

void SetDisketteFolder(const std::string& folder) { g_diskette = folder; }
void SetRootFolder(const std::string& folder) { g_root = folder.empty() ? "/" : folder; }

std::string NativeName(const std::string& name) {
  std::string s = name;
  if (s.size() >= 2 && s[1] == ':' && std::isalpha(static_cast<unsigned char>(s[0]))) {
    std::string rest = s.substr(2);
    if (FoldCase(s[0]) == 'a') {
      if (g_diskette.empty()) return "/nonexistent-diskette-drive" + std::string(rest.empty() ? "" : "/") + rest;
      s = g_diskette + "/" + rest;
    } else {
      s = g_root + "/" + rest;
    }
  } else if (!s.empty() && s[0] == '\\') {
    s = g_root + s;
  }
  std::replace(s.begin(), s.end(), '\\', '/');
  // "A:\x" and a root of "/" would give doubled separators.
  s.erase(std::unique(s.begin(), s.end(), [](char a, char b) { return a == '/' && b == '/'; }), s.end());
  return ResolveCase(s);
}

}  // namespace posix

using posix::NativeName;

Handle OpenFile(const std::string& name, OpenMode mode) {
  if (!FileOpAllowed(FileOp::kOpen)) return kNoHandle;
  std::string native = NativeName(name);
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::kRead: flags |= O_RDONLY; break;
    case OpenMode::kUpdate: flags |= O_RDWR; break;
    case OpenMode::kAppend: flags |= O_WRONLY | O_APPEND | O_CREAT; break;
    case OpenMode::kCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case OpenMode::kCreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
  }
  // The read-only attribute refuses writers even to root, as on Windows.
  if (mode != OpenMode::kRead && posix::ReadOnlyMode(native)) {
    errno = EACCES;
    return kNoHandle;
  }
  int fd = ::open(native.c_str(), flags, 0666);
  if (fd < 0) return kNoHandle;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return kNoHandle;
  }
  if (mode != OpenMode::kRead) posix::TakeWriteLock(fd);
  if (mode == OpenMode::kCreate) posix::StartWriteBehind(fd);
  return fd;
}

std::int64_t ReadAt(Handle h, std::uint64_t offset, void* buffer, std::size_t n) {
  if (!FileOpAllowed(FileOp::kRead)) return -1;
  std::size_t done = 0;
  while (done < n) {
    ssize_t got = ::pread(static_cast<int>(h), static_cast<char*>(buffer) + done, n - done,
                          static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return done ? static_cast<std::int64_t>(done) : -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t WriteAt(Handle h, std::uint64_t offset, const void* buffer, std::size_t n) {
  if (!FileOpAllowed(FileOp::kWrite)) return 0;
  int fd = static_cast<int>(h);
#ifdef __linux__
  // On Linux a positioned write to a file opened for appending goes to its
  // end whatever the offset, so one call serves both kinds of handle.
  constexpr bool append = false;
#else
  bool append = (::fcntl(fd, F_GETFL) & O_APPEND) != 0;
#endif
  std::size_t done = 0;
  while (done < n) {
    const char* from = static_cast<const char*>(buffer) + done;
    ssize_t put = append ? ::write(fd, from, n - done)
                         : ::pwrite(fd, from, n - done, static_cast<off_t>(offset + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (put == 0) break;
    done += static_cast<std::size_t>(put);
  }
  if (posix::WriteBehind* state = posix::WriteBehindOf(fd)) posix::NoteWritten(fd, *state, offset, done);
  return static_cast<std::int64_t>(done);
}

std::int64_t SizeOf(Handle h) {
  if (!FileOpAllowed(FileOp::kSize)) return -1;
  struct stat st;
  if (::fstat(static_cast<int>(h), &st) != 0) return -1;
  return st.st_size;
}

bool SyncFile(Handle h) {
  if (!FileOpAllowed(FileOp::kSync)) return false;
  return ::fsync(static_cast<int>(h)) == 0;
}

bool TruncateFile(Handle h, std::uint64_t size) {
  if (!FileOpAllowed(FileOp::kWrite)) return false;
  int result;
  do result = ::ftruncate(static_cast<int>(h), static_cast<off_t>(size));
  while (result != 0 && errno == EINTR);
  return result == 0;
}

bool CloseFile(Handle h) {
  // Closing always releases the handle; an injected failure only reports one.
  bool allowed = FileOpAllowed(FileOp::kClose);
  posix::EndWriteBehind(static_cast<int>(h));
  bool closed = ::close(static_cast<int>(h)) == 0;
  return allowed && closed;
}

bool Exists(const std::string& name) { return posix::PathExists(NativeName(name)); }

bool IsFolder(const std::string& name) {
  struct stat st;
  return ::stat(NativeName(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadOnly(const std::string& name) { return posix::ReadOnlyMode(NativeName(name)); }

bool MakeWritable(const std::string& name) {
  std::string native = NativeName(name);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return false;
  if ((st.st_mode & S_IWUSR) != 0) return true;
  if (!FileOpAllowed(FileOp::kAttributes)) return false;
  return ::chmod(native.c_str(), (st.st_mode & 07777) | S_IRUSR | S_IWUSR) == 0;
}

bool MakeReadOnly(const std::string& name) {
  std::string native = NativeName(name);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return false;
  if (!FileOpAllowed(FileOp::kAttributes)) return false;
  return ::chmod(native.c_str(), (st.st_mode & 07777) & ~0222u) == 0;
}

bool RemoveFile(const std::string& name) {
  std::string native = NativeName(name);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  // Windows refuses to delete a read-only file; so do we.
  if (!S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0) return false;
  if (!FileOpAllowed(FileOp::kDelete)) return false;
  return ::unlink(native.c_str()) == 0;
}

bool RemoveAnyFile(const std::string& name) {
  std::string native = NativeName(name);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (!FileOpAllowed(FileOp::kDelete)) return false;
  return ::unlink(native.c_str()) == 0;
}

std::string NameFromData(std::string_view bytes) { return std::string(bytes); }

namespace {

// A rename of native names that never replaces what the new name holds.
bool RenameNativeNoReplace(const std::string& src, const std::string& dst) {
  if (::renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: a hard link never replaces either.
  struct stat st;
  if (::lstat(src.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) return ::link(src.c_str(), dst.c_str()) == 0 && ::unlink(src.c_str()) == 0;
  if (posix::PathExists(dst)) return false;
  return ::rename(src.c_str(), dst.c_str()) == 0;
}

bool SyncNativeFolder(const std::string& native) {
  if (!FileOpAllowed(FileOp::kSync)) return false;
  int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (!FileOpAllowed(FileOp::kRename)) return false;
  return RenameNativeNoReplace(NativeName(from), NativeName(to));
}

bool RenameReplace(const std::string& from, const std::string& to) {
  if (!FileOpAllowed(FileOp::kRename)) return false;
  return ::rename(NativeName(from).c_str(), NativeName(to).c_str()) == 0;
}

bool CopyNoReplace(const std::string& from, const std::string& to) {
  std::string src = NativeName(from), dst = NativeName(to);
  if (posix::PathExists(dst)) return false;
  if (!FileOpAllowed(FileOp::kCopy)) return false;
  int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(in);
    return false;
  }
  // Copy under a name of our own and rename it into place at the end, so that
  // the backup is either complete or absent, even after a crash.
  std::string part = dst + ".~part";
  int out = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    ::close(in);
    return false;
  }
  // The kernel copies from file to file without passing the bytes through
  // this process (copy_file_range); where it cannot (an older kernel, file
  // systems it cannot pair), through a buffer. One chunk is one read and one
  // write for the fault hooks. Large chunks let the kernel read ahead far
  // enough when the source is not in memory (measured: 8 MiB copies a file
  // from the disk two to three times as fast as 1 MiB); the buffer stays
  // small enough for the processor's cache.
  static constexpr std::size_t kInKernelChunk = 8 << 20;
  static constexpr std::size_t kBufferChunk = 256 << 10;
  std::string buffer;
  bool in_kernel = true;
  bool ok = true;
  std::uint64_t offset = 0;
  posix::WriteBehind write_behind;
  write_behind.drop = true;
  for (;;) {
    if (!FileOpAllowed(FileOp::kRead)) { ok = false; break; }
    ssize_t got = -1;
    if (in_kernel) {
      if (!FileOpAllowed(FileOp::kWrite)) { ok = false; break; }
      off64_t in_at = static_cast<off64_t>(offset), out_at = static_cast<off64_t>(offset);
      got = ::copy_file_range(in, &in_at, out, &out_at, kInKernelChunk, 0);
      if (got < 0 && errno == EINTR) continue;
      bool refused = got < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                                 errno == EOPNOTSUPP || errno == EBADF);
      // Some file systems answer 0 where the file goes on: the buffer decides.
      bool ended_early = got == 0 && offset < static_cast<std::uint64_t>(st.st_size);
      if (refused || ended_early) {
        in_kernel = false;
        continue;
      }
      if (got < 0) { ok = false; break; }
      if (got == 0) break;
    } else {
      if (buffer.empty()) buffer.resize(kBufferChunk);
      got = ::pread(in, buffer.data(), kBufferChunk, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) { ok = false; break; }
      if (got == 0) break;
      if (WriteAt(out, offset, buffer.data(), static_cast<std::size_t>(got)) != got) { ok = false; break; }
    }
    posix::NoteWritten(out, write_behind, offset, static_cast<std::uint64_t>(got));
    offset += static_cast<std::uint64_t>(got);
  }
  ::close(in);
  if (ok) ok = SyncFile(out);
  if (ok) (void)::posix_fadvise(out, 0, 0, POSIX_FADV_DONTNEED);
  (void)::fchmod(out, st.st_mode & 07777);  // a backup keeps the source's attributes
  ok = (::close(out) == 0) && ok;
  // Put in place as any rename that never replaces, with the same fallback
  // where the file system lacks the flag (some network shares).
  if (ok) ok = FileOpAllowed(FileOp::kRename) && RenameNativeNoReplace(part, dst);
  if (!ok) {
    ::unlink(part.c_str());
    return false;
  }
  // The backup's name on the disk too, before a caller deletes its source: a
  // power cut must not keep the deletion and lose the new name.
  std::string::size_type slash = dst.rfind('/');
  return SyncNativeFolder(slash == std::string::npos ? "." : slash == 0 ? "/" : dst.substr(0, slash));
}

bool MakeFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kMakeFolder)) return false;
  return ::mkdir(NativeName(name).c_str(), 0777) == 0;
}

bool RemoveFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kRemoveFolder)) return false;
  return ::rmdir(NativeName(name).c_str()) == 0;
}

bool SyncFolder(const std::string& name) { return SyncNativeFolder(name.empty() ? "." : NativeName(name)); }

std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  std::string native = folder.empty() ? "." : NativeName(folder);
  DIR* dir = ::opendir(native.c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (WildcardMatch(pattern, name)) names.emplace_back(name);
  }
  ::closedir(dir);
  // Windows lists a folder in name order; readdir's order is the file
  // system's, so sort to behave alike from one run to the next.
  std::sort(names.begin(), names.end());
  return names;
}

std::int64_t FileSize(const std::string& name) {
  struct stat st;
  if (::stat(NativeName(name).c_str(), &st) != 0) return -1;
  return st.st_size;
}

int BusyTest(const std::string& name) {
  std::string native = NativeName(name);
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  // Another copy of the program that holds the file for writing holds a write
  // lock on it; a read lock cannot then be taken.
  struct flock lock = {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
  int rc = ::fcntl(fd, F_OFD_SETLK, &lock);
#else
  int rc = ::fcntl(fd, F_SETLK, &lock);
#endif
  bool busy = rc != 0 && (errno == EAGAIN || errno == EACCES);
  ::close(fd);
  return busy ? 1 : 0;
}

std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = (dir && *dir) ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

std::string CurrentFolder() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) ? buffer : "";
}

bool ChangeFolder(const std::string& name) { return ::chdir(NativeName(name).c_str()) == 0; }

bool FreeSpace(const std::string& root, std::uint64_t* bytes) {
  if (TestHooks().free_space) return TestHooks().free_space(root, bytes);
  struct statvfs vfs;
  if (::statvfs(NativeName(root).c_str(), &vfs) != 0) return false;
  *bytes = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  return true;
}

void SleepMs(int milliseconds) {
  struct timespec ts = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

LocalTime Now() {
  if (TestHooks().now) return TestHooks().now();
  struct timeval tv;
  ::gettimeofday(&tv, nullptr);
  struct tm tm;
  ::localtime_r(&tv.tv_sec, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
          static_cast<int>(tv.tv_usec / 1000)};
}

}  // namespace plat
