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
#if __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#endif
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <unordered_map>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/common/system_calls.hpp"
#include "platform/common/wildcard.hpp"
#include "platform/common/file_services.hpp"
#include "platform/platform.hpp"
#include "platform/posix/posix.hpp"

// Every system call of the file services, in the table that tests may
// change (SetSystemCall).
#define LANVO_POSIX_CALLS(X) \
  X(chdir) \
  X(chmod) \
  X(close) \
  X(closedir) \
  X(copy_file_range) \
  X(fchmod) \
  X(fchmodat) \
  X(fcntl) \
  X(fdopendir) \
  X(fstat) \
  X(fstatat) \
  X(fstatvfs) \
  X(fsync) \
  X(ftruncate) \
  X(getcwd) \
  X(linkat) \
  X(mkdirat) \
  X(open) \
  X(openat) \
  X(posix_fadvise) \
  X(pread) \
  X(pwrite) \
  X(readdir) \
  X(renameat) \
  X(renameat2) \
  X(sync_file_range) \
  X(syscall) \
  X(unlinkat) \
  X(write)

LANVO_SYSTEM_CALLERS(LANVO_POSIX_CALLS)
LANVO_SYSTEM_CALL_TABLE(LANVO_POSIX_CALLS)

namespace plat {
namespace posix {
namespace {

std::string g_diskette;
std::string g_root = "/";

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A component of a name that the program may use: not "." or "..", and no
// "/" or control character, which would make it a path or hide what it is.
bool PlainComponent(std::string_view part) {
  if (part.empty() || part == "." || part == "..") return false;
  for (unsigned char c : part)
    if (c == '/' || c < 0x20 || c == 0x7F) return false;
  return true;
}

// A name as the file services take it: the folder it starts from, used
// exactly as the user or the system gave it (the working folder, which is the
// data folder; the diskette's and the root's folders; the temporary folder),
// and the components below it, which the program names and which are
// followed only through real folders.
struct Parsed {
  bool ok = true;
  bool working_folder = false;
  std::string base;
  std::vector<std::string> parts;
};

void SplitInto(const std::string& rest, char separator, std::vector<std::string>* parts) {
  std::size_t i = 0;
  while (i <= rest.size()) {
    std::size_t end = rest.find(separator, i);
    if (end == std::string::npos) end = rest.size();
    if (end > i) parts->push_back(rest.substr(i, end - i));
    i = end + 1;
  }
}

Parsed Parse(const std::string& name) {
  Parsed parsed;
  const std::string temp = TempFolder();
  std::string rest;
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
    if (FoldCase(name[0]) == 'a') {
      parsed.ok = !g_diskette.empty();  // without a diskette, drive A: holds nothing
      parsed.base = g_diskette;
    } else {
      parsed.base = g_root;
    }
    rest = name.substr(2);
  } else if (!name.empty() && name[0] == '\\') {
    parsed.base = g_root;
    rest = name;
  } else if (!temp.empty() && temp.size() < name.size() && name.compare(0, temp.size(), temp) == 0) {
    parsed.base = temp;
    rest = name.substr(temp.size());
  } else if (!name.empty() && name[0] == '/') {
    // A path of the system's own (the tests name files so): its folder as given.
    std::size_t slash = name.rfind('/');
    parsed.base = slash == 0 ? "/" : name.substr(0, slash);
    rest = name.substr(slash + 1);
  } else {
    parsed.working_folder = true;
    rest = name;
  }
  SplitInto(rest, '\\', &parsed.parts);
  return parsed;
}

// Where a name leads: an open folder and the name of the entry in it ("."
// for the folder itself). The folder is the working folder (not owned) or one
// opened on the way.
class Place {
 public:
  Place() = default;
  Place(const Place&) = delete;
  Place& operator=(const Place&) = delete;
  ~Place() { Reset(-1); }
  int dir() const { return dir_; }
  const std::string& leaf() const { return leaf_; }
  const std::string& native() const { return native_; }

  // Moves into a folder: the descriptor is owned from now on.
  void Reset(int dir) {
    if (dir_ >= 0) sys::close(dir_);
    dir_ = dir;
  }
  void set_leaf(std::string leaf) { leaf_ = std::move(leaf); }
  std::string native_;

 private:
  int dir_ = AT_FDCWD;
  std::string leaf_ = ".";
};

std::string JoinNative(const std::string& folder, const std::string& part) {
  if (folder.empty()) return part;
  return folder.back() == '/' ? folder + part : folder + "/" + part;
}

std::string Folded(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = FoldCase(c);
  return folded;
}

// The names of a folder by their letter-case-folded form, read once and then
// kept as long as the folder's time of change says nothing changed it but
// this process (whose own changes the index follows), so that a step that
// looks up thousands of names in one folder reads it once.
struct FolderIndex {
  struct timespec changed = {};
  std::unordered_map<std::string, std::vector<std::string>> names;
};

std::map<std::pair<dev_t, ino_t>, FolderIndex>& Indexes() {
  static std::map<std::pair<dev_t, ino_t>, FolderIndex> indexes;
  return indexes;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The index of the folder open at dir; null when it cannot be read.
FolderIndex* IndexOf(int dir) {
  struct stat st;
  if (sys::fstatat(dir, ".", &st, 0) != 0) return nullptr;
  auto key = std::make_pair(st.st_dev, st.st_ino);
  auto found = Indexes().find(key);
  if (found != Indexes().end() && SameTime(found->second.changed, st.st_mtim)) return &found->second;
  int fd = sys::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* listing = fd >= 0 ? sys::fdopendir(fd) : nullptr;
  if (!listing) {
    if (fd >= 0) sys::close(fd);
    return nullptr;
  }
  FolderIndex index;
  index.changed = st.st_mtim;
  while (dirent* entry = sys::readdir(listing)) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..") index.names[Folded(name)].emplace_back(name);
  }
  sys::closedir(listing);
  // Several spellings can coexist on POSIX: in byte order, so that the choice
  // does not depend on the directory's order.
  for (auto& [folded, spellings] : index.names) std::sort(spellings.begin(), spellings.end());
  return &(Indexes()[key] = std::move(index));
}

// Keeps the index of the folder open at dir up to date after this process
// added or removed a name there.
void NoteEntry(int dir, const std::string& name, bool added) {
  struct stat st;
  if (sys::fstatat(dir, ".", &st, 0) != 0) return;
  auto found = Indexes().find(std::make_pair(st.st_dev, st.st_ino));
  if (found == Indexes().end()) return;
  std::vector<std::string>& spellings = found->second.names[Folded(name)];
  auto at = std::lower_bound(spellings.begin(), spellings.end(), name);
  if (added && (at == spellings.end() || *at != name)) spellings.insert(at, name);
  if (!added && at != spellings.end() && *at == name) spellings.erase(at);
  found->second.changed = st.st_mtim;
}

// The spelling of part in dir: as given when it exists so, else an existing
// one that differs only in letter case, else as given. Two entries that differ
// only in letter case are a clash: which one the user means cannot be told,
// and both are refused. False for a clash.
bool Spelling(int dir, const std::string& part, const std::string& name, std::string* spelled) {
  *spelled = part;
  struct stat st;
  bool exact = sys::fstatat(dir, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  FolderIndex* index = IndexOf(dir);
  if (!index) return true;
  auto found = index->names.find(Folded(part));
  if (found == index->names.end() || found->second.empty()) return true;
  const std::vector<std::string>& spellings = found->second;
  if (spellings.size() > 1) {
    std::string both;
    for (const std::string& spelling : spellings) both += (both.empty() ? "" : " e ") + spelling;
    std::size_t slash = name.find_last_of('\\');
    Refuse(slash == std::string::npos ? both : name.substr(0, slash + 1) + both, Refusal::kCaseClash);
    return false;
  }
  if (!exact) *spelled = spellings.front();
  return true;
}

// Opens a folder below dir without following a link; a link is refused.
int OpenSubfolder(int dir, const std::string& part, const std::string& name) {
  int fd = sys::openat(dir, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) fd = sys::openat(dir, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) return fd;
  int error = errno;
  struct stat st;
  if (sys::fstatat(dir, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
    Refuse(name, S_ISLNK(st.st_mode) ? Refusal::kLink : S_ISDIR(st.st_mode) ? Refusal::kUnreadable : Refusal::kNotFolder);
  errno = error;
  return -1;
}

#if defined(SYS_openat2) && defined(RESOLVE_BENEATH)
// The folders of a name in one call where the kernel has openat2: beneath the
// base, through no link. -1 with errno ENOENT when some folder is missing in
// that spelling (the walk then looks for other spellings), ELOOP or EXDEV for
// a link on the way.
int OpenBeneath(int dir, const std::string& path) {
  struct open_how how = {};
  how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  return static_cast<int>(sys::syscall(SYS_openat2, dir, path.c_str(), &how, sizeof how));
}
#endif

// Finds where name leads: the folders of its components are opened one by
// one through real folders only, each in any letter case. False (a refusal
// recorded where the name or a link is to blame) when it leads nowhere.
bool Locate(const std::string& name, Place* place) {
  Parsed parsed = Parse(name);
  if (!parsed.ok) {
    errno = ENOENT;
    return false;
  }
  for (const std::string& part : parsed.parts) {
    if (!PlainComponent(part)) {
      Refuse(name, Refusal::kBadName);
      errno = EINVAL;
      return false;
    }
  }
  if (!parsed.working_folder) {
    int fd = sys::open(parsed.base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) fd = sys::open(parsed.base.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    place->Reset(fd);
    place->native_ = parsed.base;
  }
  if (parsed.parts.empty()) return true;
  std::size_t folders = parsed.parts.size() - 1;
  std::size_t walked = 0;
#if defined(SYS_openat2) && defined(RESOLVE_BENEATH)
  if (folders > 0) {
    std::string path;
    for (std::size_t i = 0; i < folders; ++i) path += (i ? "/" : "") + parsed.parts[i];
    int fd = OpenBeneath(place->dir(), path);
    if (fd >= 0) {
      place->Reset(fd);
      place->native_ = JoinNative(place->native_, path);
      walked = folders;
    } else if (errno == ELOOP || errno == EXDEV) {
      Refuse(name, Refusal::kLink);
      return false;
    }
    // Otherwise (a folder in another spelling, or no openat2) the walk below.
  }
#endif
  for (; walked < folders; ++walked) {
    std::string part;
    if (!Spelling(place->dir(), parsed.parts[walked], name, &part)) return false;
    int fd = OpenSubfolder(place->dir(), part, name);
    if (fd < 0) return false;
    place->Reset(fd);
    place->native_ = JoinNative(place->native_, part);
  }
  std::string leaf;
  if (!Spelling(place->dir(), parsed.parts.back(), name, &leaf)) return false;
  place->set_leaf(leaf);
  place->native_ = JoinNative(place->native_, place->leaf());
  return true;
}

enum class Look { kMissing, kFile, kFolder, kRefused };

// What the entry is, without following a link. A link, and anything that is
// neither a regular file nor a folder, is refused.
Look LookAt(const std::string& name, const Place& place, struct stat* st) {
  if (sys::fstatat(place.dir(), place.leaf().c_str(), st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return Look::kMissing;
    NoteError(FileOp::kLookup, name, std::error_code(errno, std::generic_category()));
    // A folder that may not be searched hides whether the entry is there:
    // taking it for missing would take its work for done.
    Refuse(name, Refusal::kUnreadable);
    return Look::kRefused;
  }
  if (S_ISREG(st->st_mode)) return Look::kFile;
  if (S_ISDIR(st->st_mode)) return Look::kFolder;
  Refuse(name, S_ISLNK(st->st_mode) ? Refusal::kLink : Refusal::kNotRegular);
  return Look::kRefused;
}

// A look at a name that the core asked for (Exists, FileSize, ...): an
// operation of its own for the fault hooks, which fails as a folder that
// cannot be searched does.
Look LookAt(const std::string& name, struct stat* st) {
  if (!FileOpAllowed(FileOp::kLookup)) {
    NoteError(FileOp::kLookup, name, {});
    Refuse(name, Refusal::kUnreadable);
    return Look::kRefused;
  }
  Place place;
  if (!Locate(name, &place)) return errno == ENOENT ? Look::kMissing : Look::kRefused;
  return LookAt(name, place, st);
}

bool ReadOnlyMode(const struct stat& st) { return (st.st_mode & 0222) == 0; }

// Sets the mode of a regular file with one name, through a descriptor of the
// entry itself, so that a link put in its place meanwhile is not followed.
bool ChangeMode(const std::string& name, const Place& place, const struct stat& seen, mode_t mode) {
  if (seen.st_nlink > 1) {
    Refuse(name, Refusal::kHardLinks);
    return false;
  }
  int fd = sys::openat(place.dir(), place.leaf().c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = sys::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_ino == seen.st_ino && st.st_dev == seen.st_dev;
  if (ok) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    ok = sys::chmod(path, mode) == 0;
    // Without /proc, by name: the entry was just seen to be no link.
    if (!ok && errno == ENOENT) ok = sys::fchmodat(place.dir(), place.leaf().c_str(), mode, 0) == 0;
  }
  sys::close(fd);
  return ok;
}

// Locks the whole file without waiting: an open-file-description lock where
// the system has them (held by the open, not the process), else a POSIX one.
bool LockWhole(int fd, short type) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
  return sys::fcntl(fd, F_OFD_SETLK, &lock) == 0;
#else
  return sys::fcntl(fd, F_SETLK, &lock) == 0;
#endif
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
    if (sys::fcntl(fd, F_OFD_SETLK, &lock) == 0 || (errno != EAGAIN && errno != EACCES)) return;
    struct flock holder = {};
    holder.l_type = F_WRLCK;
    holder.l_whence = SEEK_SET;
    if (sys::fcntl(fd, F_OFD_GETLK, &holder) == 0 && holder.l_type == F_WRLCK) return;
    struct timespec pause = {0, 1000000};
    ::nanosleep(&pause, nullptr);
  }
#else
  (void)sys::fcntl(fd, F_SETLK, &lock);
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
  (void)sys::sync_file_range(fd, static_cast<off_t>(state.from), static_cast<off_t>(state.to - state.from),
                          SYNC_FILE_RANGE_WRITE);
  if (state.drop && state.handed_to > state.handed_from) {
    off_t at = static_cast<off_t>(state.handed_from), length = static_cast<off_t>(state.handed_to - state.handed_from);
    (void)sys::sync_file_range(fd, at, length,
                            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    (void)sys::posix_fadvise(fd, at, length, POSIX_FADV_DONTNEED);
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
  Place place;
  if (Locate(name, &place)) return place.native_;
  // Where some folder is missing: the spelling given below the base.
  Parsed parsed = Parse(name);
  std::string native = parsed.base;
  for (const std::string& part : parsed.parts) native = JoinNative(native, part);
  return native;
}

namespace {

// Opens the regular file at place without following a link and without
// waiting (a FIFO with no writer would block an open for ever). A writer is
// refused a read-only file, as on Windows even for root, and a file with
// another name, which an update in place would change too.
int OpenEntry(const std::string& name, const Place& place, OpenMode mode) {
  const bool writes = mode != OpenMode::kRead;
  if (writes && ChangesStopped()) {
    errno = EPERM;
    return -1;
  }
  struct stat seen;
  Look look = LookAt(name, place, &seen);
  if (look == Look::kRefused) {
    errno = EPERM;
    return -1;
  }
  if (look == Look::kFolder) {
    Refuse(name, Refusal::kNotRegular);
    errno = EISDIR;
    return -1;
  }
  if (look == Look::kFile) {
    if (mode == OpenMode::kCreateNew) {
      errno = EEXIST;
      return -1;
    }
    if (writes && ReadOnlyMode(seen)) {
      errno = EACCES;
      return -1;
    }
    if (writes && seen.st_nlink > 1) {
      Refuse(name, Refusal::kHardLinks);
      errno = EMLINK;
      return -1;
    }
  }
  int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
  switch (mode) {
    case OpenMode::kRead: flags |= O_RDONLY; break;
    case OpenMode::kUpdate: flags |= O_RDWR; break;
    case OpenMode::kAppend: flags |= O_WRONLY | O_APPEND | O_CREAT; break;
    // Emptied once it is known to be a file of one name, never by the open.
    case OpenMode::kCreate: flags |= O_RDWR | O_CREAT; break;
    case OpenMode::kCreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
  }
  int fd = sys::openat(place.dir(), place.leaf().c_str(), flags, 0666);
  if (fd < 0) {
    if (errno == ELOOP) Refuse(name, Refusal::kLink);
    if (errno == ENXIO) Refuse(name, Refusal::kNotRegular);
    return -1;
  }
  if (look == Look::kMissing && (flags & O_CREAT)) NoteEntry(place.dir(), place.leaf(), true);
  // What was opened is what was looked at, and a regular file of one name.
  struct stat st;
  bool same = sys::fstat(fd, &st) == 0 &&
              (look == Look::kMissing || (st.st_ino == seen.st_ino && st.st_dev == seen.st_dev));
  if (!same || !S_ISREG(st.st_mode) || (writes && st.st_nlink > 1)) {
    if (same && !S_ISREG(st.st_mode)) Refuse(name, Refusal::kNotRegular);
    if (same && S_ISREG(st.st_mode)) Refuse(name, Refusal::kHardLinks);
    sys::close(fd);
    errno = EPERM;
    return -1;
  }
  if (mode == OpenMode::kCreate && st.st_size > 0 && sys::ftruncate(fd, 0) != 0) {
    sys::close(fd);
    return -1;
  }
  return fd;
}

// Flushes the folder that holds the entries of place.
bool SyncPlaceFolder(const Place& place) {
  if (!FileOpAllowed(FileOp::kSync)) return false;
  int fd = sys::openat(place.dir(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = sys::fsync(fd) == 0;
  sys::close(fd);
  return ok;
}

// A rename that never replaces what the new name holds.
bool RenameAtNoReplace(const Place& from, const Place& to, bool folder) {
  const char* src = from.leaf().c_str();
  const char* dst = to.leaf().c_str();
  bool renamed = sys::renameat2(from.dir(), src, to.dir(), dst, RENAME_NOREPLACE) == 0;
  if (!renamed && (errno == EINVAL || errno == ENOSYS)) {
    // File systems without RENAME_NOREPLACE: a hard link never replaces either.
    struct stat st;
    if (!folder)
      renamed = sys::linkat(from.dir(), src, to.dir(), dst, 0) == 0 && sys::unlinkat(from.dir(), src, 0) == 0;
    else if (sys::fstatat(to.dir(), dst, &st, AT_SYMLINK_NOFOLLOW) != 0)
      renamed = sys::renameat(from.dir(), src, to.dir(), dst) == 0;
  }
  if (renamed) {
    NoteEntry(from.dir(), from.leaf(), false);
    NoteEntry(to.dir(), to.leaf(), true);
  }
  return renamed;
}

// The entry to be removed: a regular file (a read-only one only when
// any_mode), never a link or a special file.
bool RemoveEntry(const std::string& name, bool any_mode) {
  if (ChangesStopped()) return false;
  Place place;
  if (!Locate(name, &place)) return false;
  struct stat st;
  if (LookAt(name, place, &st) != Look::kFile) return false;
  // Windows refuses to delete a read-only file; so does RemoveFile.
  if (!any_mode && ReadOnlyMode(st)) return false;
  if (!FileOpAllowed(FileOp::kDelete)) return false;
  if (sys::unlinkat(place.dir(), place.leaf().c_str(), 0) != 0) return false;
  NoteEntry(place.dir(), place.leaf(), false);
  return true;
}

// A file opened only to be read is read from start to end once (the sources
// of the client passes, which go to their backups by a rename and are not
// read again): the pages read leave the cache behind the reader, some way
// back from where it reads, so that the files written next reuse them.
constexpr std::uint64_t kDropBehind = 16u << 20, kKeepBehind = 2u << 20;

// By descriptor: 0 for a handle that does not drop; else 1 + where the part
// still cached begins.
std::vector<std::uint64_t>& DropBehindTable() {
  static std::vector<std::uint64_t> table;
  return table;
}

void StartDropBehind(int fd) {
  auto& table = DropBehindTable();
  if (fd < 0) return;
  if (static_cast<std::size_t>(fd) >= table.size()) table.resize(static_cast<std::size_t>(fd) + 1);
  table[static_cast<std::size_t>(fd)] = 1;
}

void EndDropBehind(int fd) {
  auto& table = DropBehindTable();
  if (fd >= 0 && static_cast<std::size_t>(fd) < table.size()) table[static_cast<std::size_t>(fd)] = 0;
}

void NoteRead(int fd, std::uint64_t end) {
  auto& table = DropBehindTable();
  if (fd < 0 || static_cast<std::size_t>(fd) >= table.size() || table[static_cast<std::size_t>(fd)] == 0) return;
  std::uint64_t& state = table[static_cast<std::size_t>(fd)];
  std::uint64_t from = state - 1;
  if (end < from + kDropBehind + kKeepBehind) return;
  std::uint64_t to = end - kKeepBehind;
  (void)sys::posix_fadvise(fd, static_cast<off_t>(from), static_cast<off_t>(to - from), POSIX_FADV_DONTNEED);
  state = to + 1;
}

}  // namespace
}  // namespace posix

using posix::Look;
using posix::LookAt;
using posix::Place;

std::error_code impl::SystemError() { return std::error_code(errno, std::generic_category()); }
void impl::ClearSystemError() { errno = 0; }
std::string SystemText(int code) { return Describe(std::error_code(code, std::generic_category())); }

Handle impl::OpenFile(const std::string& name, OpenMode mode) {
  if (!FileOpAllowed(FileOp::kOpen)) return kNoHandle;
  Place place;
  if (!posix::Locate(name, &place)) return kNoHandle;
  int fd = posix::OpenEntry(name, place, mode);
  if (fd < 0) return kNoHandle;
  if (mode != OpenMode::kRead) posix::TakeWriteLock(fd);
  if (mode == OpenMode::kCreate) posix::StartWriteBehind(fd);
  if (mode == OpenMode::kRead) posix::StartDropBehind(fd);
  return fd;
}

std::int64_t impl::ReadAt(Handle h, std::uint64_t offset, void* buffer, std::size_t n) {
  if (!FileOpAllowed(FileOp::kRead)) return -1;
  std::size_t done = 0;
  while (done < n) {
    ssize_t got = sys::pread(static_cast<int>(h), static_cast<char*>(buffer) + done, n - done,
                          static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return done ? static_cast<std::int64_t>(done) : -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  posix::NoteRead(static_cast<int>(h), offset + done);
  return static_cast<std::int64_t>(done);
}

std::int64_t impl::WriteAt(Handle h, std::uint64_t offset, const void* buffer, std::size_t n) {
  if (!FileOpAllowed(FileOp::kWrite)) return 0;
  int fd = static_cast<int>(h);
#ifdef __linux__
  // On Linux a positioned write to a file opened for appending goes to its
  // end whatever the offset, so one call serves both kinds of handle.
  constexpr bool append = false;
#else
  bool append = (sys::fcntl(fd, F_GETFL) & O_APPEND) != 0;
#endif
  std::size_t done = 0;
  while (done < n) {
    const char* from = static_cast<const char*>(buffer) + done;
    ssize_t put = append ? sys::write(fd, from, n - done)
                         : sys::pwrite(fd, from, n - done, static_cast<off_t>(offset + done));
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

std::int64_t impl::SizeOf(Handle h) {
  if (!FileOpAllowed(FileOp::kSize)) return -1;
  struct stat st;
  if (sys::fstat(static_cast<int>(h), &st) != 0) return -1;
  return st.st_size;
}

bool impl::SyncFile(Handle h) {
  if (!FileOpAllowed(FileOp::kSync)) return false;
  return sys::fsync(static_cast<int>(h)) == 0;
}

bool impl::TruncateFile(Handle h, std::uint64_t size) {
  if (!FileOpAllowed(FileOp::kWrite)) return false;
  int result;
  do result = sys::ftruncate(static_cast<int>(h), static_cast<off_t>(size));
  while (result != 0 && errno == EINTR);
  return result == 0;
}

bool impl::CloseFile(Handle h) {
  // Closing always releases the handle; an injected failure only reports one.
  bool allowed = FileOpAllowed(FileOp::kClose);
  posix::EndWriteBehind(static_cast<int>(h));
  posix::EndDropBehind(static_cast<int>(h));
  bool closed = sys::close(static_cast<int>(h)) == 0;
  return allowed && closed;
}

bool Exists(const std::string& name) {
  struct stat st;
  Look look = LookAt(name, &st);
  // A link or a special file is there: taking it for missing could let a
  // step write or delete something on the strength of it.
  return look != Look::kMissing;
}

bool IsFolder(const std::string& name) {
  struct stat st;
  return LookAt(name, &st) == Look::kFolder;
}

bool IsReadOnly(const std::string& name) {
  struct stat st;
  return LookAt(name, &st) == Look::kFile && posix::ReadOnlyMode(st);
}

bool impl::MakeWritable(const std::string& name) {
  if (ChangesStopped()) return false;
  Place place;
  struct stat st;
  if (!posix::Locate(name, &place) || LookAt(name, place, &st) != Look::kFile) return false;
  if ((st.st_mode & S_IWUSR) != 0) return true;
  if (!FileOpAllowed(FileOp::kAttributes)) return false;
  return posix::ChangeMode(name, place, st, (st.st_mode & 07777) | S_IRUSR | S_IWUSR);
}

bool impl::MakeReadOnly(const std::string& name) {
  if (ChangesStopped()) return false;
  Place place;
  struct stat st;
  if (!posix::Locate(name, &place) || LookAt(name, place, &st) != Look::kFile) return false;
  if (!FileOpAllowed(FileOp::kAttributes)) return false;
  return posix::ChangeMode(name, place, st, (st.st_mode & 07777) & ~0222u);
}

bool impl::RemoveFile(const std::string& name) { return posix::RemoveEntry(name, false); }

// Linux removes a read-only file as it is: no attribute needs to change.
bool impl::RemoveAnyFile(const std::string& name) { return posix::RemoveEntry(name, true); }

std::string NameFromData(std::string_view bytes) { return std::string(bytes); }

bool impl::RenameNoReplace(const std::string& from, const std::string& to) {
  if (!FileOpAllowed(FileOp::kRename)) return false;
  if (ChangesStopped()) return false;
  Place source, target;
  struct stat st;
  if (!posix::Locate(from, &source) || !posix::Locate(to, &target)) return false;
  Look look = LookAt(from, source, &st);
  if (look != Look::kFile && look != Look::kFolder) return false;
  return posix::RenameAtNoReplace(source, target, look == Look::kFolder);
}

bool impl::RenameReplace(const std::string& from, const std::string& to) {
  if (!FileOpAllowed(FileOp::kRename)) return false;
  if (ChangesStopped()) return false;
  Place source, target;
  struct stat st;
  if (!posix::Locate(from, &source) || !posix::Locate(to, &target)) return false;
  if (LookAt(from, source, &st) != Look::kFile) return false;
  Look there = LookAt(to, target, &st);
  if (there == Look::kRefused) return false;
  if (there == Look::kFolder) {
    Refuse(to, Refusal::kNotRegular);
    return false;
  }
  if (sys::renameat(source.dir(), source.leaf().c_str(), target.dir(), target.leaf().c_str()) != 0) return false;
  posix::NoteEntry(source.dir(), source.leaf(), false);
  posix::NoteEntry(target.dir(), target.leaf(), true);
  return true;
}

namespace {

// The file a copy is written to before it takes its name (to + ".~part"), so
// that the backup is either complete or absent, even after a crash. A part
// left by a crash is removed first; anything else of that name stays, and
// no part is made. -1 when none could be made.
int OpenCopyPart(const std::string& to, Place* part) {
  if (!posix::Locate(to + ".~part", part)) return -1;
  struct stat left;
  Look leftover = LookAt(to + ".~part", *part, &left);
  if (leftover == Look::kFile) sys::unlinkat(part->dir(), part->leaf().c_str(), 0);
  if (leftover != Look::kFile && leftover != Look::kMissing) return -1;
  return sys::openat(part->dir(), part->leaf().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

// Copies the bytes of in (size bytes long when the copy began) to out. The
// kernel copies from file to file without passing the bytes through this
// process (copy_file_range); where it cannot (an older kernel, file systems
// it cannot pair), through a buffer. One chunk is one read and one write for
// the fault hooks. Large chunks let the kernel read ahead far enough when the
// source is not in memory (measured: 8 MiB copies a file from the disk two to
// three times as fast as 1 MiB); the buffer stays small enough for the
// processor's cache.
bool CopyBytes(int in, int out, std::uint64_t size) {
  static constexpr std::size_t kInKernelChunk = 8 << 20;
  static constexpr std::size_t kBufferChunk = 256 << 10;
  std::string buffer;
  bool in_kernel = true;
  std::uint64_t offset = 0;
  posix::WriteBehind write_behind;
  write_behind.drop = true;
  for (;;) {
    if (!FileOpAllowed(FileOp::kRead)) return false;
    ssize_t got = -1;
    if (in_kernel) {
      if (!FileOpAllowed(FileOp::kWrite)) return false;
      off64_t in_at = static_cast<off64_t>(offset), out_at = static_cast<off64_t>(offset);
      got = sys::copy_file_range(in, &in_at, out, &out_at, kInKernelChunk, 0);
      if (got < 0 && errno == EINTR) continue;
      bool refused = got < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                                 errno == EOPNOTSUPP || errno == EBADF);
      // Some file systems answer 0 where the file goes on: the buffer decides.
      bool ended_early = got == 0 && offset < size;
      if (refused || ended_early) {
        in_kernel = false;
        continue;
      }
      if (got < 0) return false;
      if (got == 0) return true;
    } else {
      if (buffer.empty()) buffer.resize(kBufferChunk);
      got = sys::pread(in, buffer.data(), kBufferChunk, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return false;
      if (got == 0) return true;
      if (WriteAt(out, offset, buffer.data(), static_cast<std::size_t>(got)) != got) return false;
    }
    posix::NoteWritten(out, write_behind, offset, static_cast<std::uint64_t>(got));
    offset += static_cast<std::uint64_t>(got);
  }
}

// Puts a whole copy in place: flushed, with the source's mode (a backup keeps
// the source's attributes), closed, and renamed as any rename that never
// replaces, with the same fallback where the file system lacks the flag (some
// network shares). A copy that fails on the way is removed.
bool CommitCopy(int out, bool copied, mode_t mode, const Place& part, const Place& target) {
  bool ok = copied && SyncFile(out);
  if (ok) (void)sys::posix_fadvise(out, 0, 0, POSIX_FADV_DONTNEED);
  (void)sys::fchmod(out, mode & 07777);
  ok = (sys::close(out) == 0) && ok;
  if (ok) ok = FileOpAllowed(FileOp::kRename) && posix::RenameAtNoReplace(part, target, false);
  if (!ok) {
    sys::unlinkat(part.dir(), part.leaf().c_str(), 0);
    return false;
  }
  // The backup's name on the disk too, before a caller deletes its source: a
  // power cut must not keep the deletion and lose the new name.
  return posix::SyncPlaceFolder(target);
}

}  // namespace

bool impl::CopyNoReplace(const std::string& from, const std::string& to) {
  if (ChangesStopped()) return false;
  Place source, target;
  if (!posix::Locate(from, &source) || !posix::Locate(to, &target)) return false;
  struct stat st;
  if (LookAt(to, target, &st) != Look::kMissing) return false;
  if (!FileOpAllowed(FileOp::kCopy)) return false;
  int in = posix::OpenEntry(from, source, OpenMode::kRead);
  if (in < 0) return false;
  Place part;
  int out = sys::fstat(in, &st) == 0 ? OpenCopyPart(to, &part) : -1;
  if (out < 0) {
    sys::close(in);
    return false;
  }
  bool copied = CopyBytes(in, out, static_cast<std::uint64_t>(st.st_size));
  sys::close(in);
  return CommitCopy(out, copied, st.st_mode, part, target);
}

bool impl::LinkNoReplace(const std::string& from, const std::string& to) {
  if (ChangesStopped()) return false;
  Place source, target;
  struct stat st;
  if (!posix::Locate(from, &source) || !posix::Locate(to, &target)) return false;
  if (LookAt(from, source, &st) != Look::kFile || LookAt(to, target, &st) != Look::kMissing) return false;
  if (!FileOpAllowed(FileOp::kCopy)) return false;
  if (sys::linkat(source.dir(), source.leaf().c_str(), target.dir(), target.leaf().c_str(), 0) != 0) return false;
  posix::NoteEntry(target.dir(), target.leaf(), true);
  return posix::SyncPlaceFolder(target);
}

bool impl::MakeFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kMakeFolder)) return false;
  if (ChangesStopped()) return false;
  Place place;
  if (!posix::Locate(name, &place)) return false;
  if (sys::mkdirat(place.dir(), place.leaf().c_str(), 0777) != 0) return false;
  posix::NoteEntry(place.dir(), place.leaf(), true);
  return true;
}

bool impl::RemoveFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kRemoveFolder)) return false;
  if (ChangesStopped()) return false;
  Place place;
  struct stat st;
  if (!posix::Locate(name, &place) || LookAt(name, place, &st) != Look::kFolder) return false;
  if (sys::unlinkat(place.dir(), place.leaf().c_str(), AT_REMOVEDIR) != 0) return false;
  posix::NoteEntry(place.dir(), place.leaf(), false);
  return true;
}

bool impl::SyncFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kSync)) return false;
  Place place;
  struct stat st;
  if (!posix::Locate(name, &place) || LookAt(name, place, &st) != Look::kFolder) return false;
  int fd = sys::openat(place.dir(), place.leaf().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = sys::fsync(fd) == 0;
  sys::close(fd);
  return ok;
}

std::vector<std::string> impl::FindFiles(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  Place place;
  struct stat st;
  if (!posix::Locate(folder, &place)) return names;
  Look look = LookAt(folder, place, &st);
  // Only an absent folder holds nothing: a file in its place, or one that
  // cannot be read, would have its work taken for done.
  if (look == Look::kFile) Refuse(folder, Refusal::kNotFolder);
  if (look != Look::kFolder) return names;
  int fd = sys::openat(place.dir(), place.leaf().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    NoteError(FileOp::kList, folder, std::error_code(errno, std::generic_category()));
    Refuse(folder.empty() ? "." : folder, Refusal::kUnreadable);
    return names;
  }
  // A listing that fails part-way is no listing: what it missed would be
  // taken for absent.
  auto unreadable = [&] {
    NoteError(FileOp::kList, folder, std::error_code(errno, std::generic_category()));
    Refuse(folder.empty() ? "." : folder, Refusal::kUnreadable);
    return std::vector<std::string>();
  };
  DIR* dir = sys::fdopendir(fd);
  if (!dir) {
    std::vector<std::string> none = unreadable();
    sys::close(fd);
    return none;
  }
  for (;;) {
    errno = 0;
    dirent* entry = sys::readdir(dir);
    if (!entry) {
      if (errno == 0) break;
      std::vector<std::string> none = unreadable();
      sys::closedir(dir);
      return none;
    }
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!WildcardMatch(pattern, name)) continue;
    // A name is a name, never a path: one that holds the separator of the
    // program's names (archives made on Windows leave such names on Linux)
    // or a control character is passed over, and named.
    if (!posix::PlainComponent(name) || name.find('\\') != std::string_view::npos) {
      Refuse(folder.empty() ? std::string(name) : folder + "\\" + std::string(name), Refusal::kBadName);
      continue;
    }
    names.emplace_back(name);
  }
  sys::closedir(dir);
  // Windows lists a folder in name order; readdir's order is the file
  // system's, so sort to behave alike from one run to the next.
  std::sort(names.begin(), names.end());
  return names;
}

bool StampOf(const std::string& name, FileStamp* stamp) {
  struct stat st;
  if (LookAt(name, &st) != Look::kFile) return false;
  stamp->id = static_cast<std::uint64_t>(st.st_ino);
  stamp->size = st.st_size;
  stamp->modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

std::int64_t FileSize(const std::string& name) {
  struct stat st;
  return LookAt(name, &st) == Look::kFile ? st.st_size : -1;
}

int BusyTest(const std::string& name) {
  // A test that cannot be made says busy: the caller then leaves the file alone.
  if (!FileOpAllowed(FileOp::kBusy)) {
    NoteError(FileOp::kBusy, name, {});
    return 1;
  }
  Place place;
  struct stat st;
  if (!posix::Locate(name, &place) || LookAt(name, place, &st) != Look::kFile) return 0;
  int fd = sys::openat(place.dir(), place.leaf().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return 0;
  // Another copy of the program that holds the file for writing holds a write
  // lock on it; a read lock cannot then be taken.
  // A lock that fails otherwise tells nothing and is taken for busy, so that
  // the file is left alone; but where the system has no such locks (EINVAL),
  // no writer marks its files either.
  bool busy = !posix::LockWhole(fd, F_RDLCK) && errno != EINVAL;
  if (busy && errno != EAGAIN && errno != EACCES)
    NoteError(FileOp::kBusy, name, std::error_code(errno, std::generic_category()));
  sys::close(fd);
  return busy ? 1 : 0;
}

namespace {

constexpr char kLockFile[] = "LANVO.LCK";
int g_folder_lock = -1;

}  // namespace

FolderLock LockFolder() {
  if (g_folder_lock >= 0) return FolderLock::kTaken;
  // The holder removes the file when done: a lock taken on a file that has
  // lost its name meanwhile is given up, and the new file tried.
  for (int attempt = 0; attempt < 100; ++attempt) {
    // What holds the name is looked at before it is opened: opening a device
    // or a FIFO can do something of its own (rewind a tape, wake a reader).
    struct stat there;
    if (sys::fstatat(AT_FDCWD, kLockFile, &there, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(there.st_mode)) {
      Refuse(kLockFile, S_ISLNK(there.st_mode) ? Refusal::kLink : Refusal::kNotRegular);
      return FolderLock::kNone;
    }
    int fd = sys::openat(AT_FDCWD, kLockFile, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == ELOOP) Refuse(kLockFile, Refusal::kLink);
      if (errno == ENXIO || errno == EISDIR) Refuse(kLockFile, Refusal::kNotRegular);
      return FolderLock::kNone;
    }
    struct stat held, named;
    if (sys::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      Refuse(kLockFile, Refusal::kNotRegular);
      sys::close(fd);
      return FolderLock::kNone;
    }
    if (!posix::LockWhole(fd, F_WRLCK)) {
      bool busy = errno == EAGAIN || errno == EACCES;
      sys::close(fd);
      return busy ? FolderLock::kBusy : FolderLock::kNone;
    }
    if (sys::fstatat(AT_FDCWD, kLockFile, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == held.st_ino &&
        named.st_dev == held.st_dev) {
      g_folder_lock = fd;
      return FolderLock::kTaken;
    }
    sys::close(fd);
  }
  return FolderLock::kBusy;
}

void UnlockFolder() {
  if (g_folder_lock < 0) return;
  // Removed while still held, so that no one takes the lock on a file about
  // to lose its name.
  sys::unlinkat(AT_FDCWD, kLockFile, 0);
  sys::close(g_folder_lock);
  g_folder_lock = -1;
}

std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = (dir && *dir) ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

std::string CurrentFolder() {
  char buffer[4096];
  return sys::getcwd(buffer, sizeof buffer) ? buffer : "";
}

// The folder the user names is used exactly as given.
bool ChangeFolder(const std::string& name) { return sys::chdir(name.c_str()) == 0; }

bool FreeSpace(const std::string& root, std::uint64_t* bytes) {
  if (TestHooks().free_space) return TestHooks().free_space(root, bytes);
  posix::Place place;
  struct stat st;
  if (!posix::Locate(root, &place) || LookAt(root, place, &st) != Look::kFolder) return false;
  int fd = sys::openat(place.dir(), place.leaf().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct statvfs vfs;
  int rc = sys::fstatvfs(fd, &vfs);
  sys::close(fd);
  if (rc != 0) return false;
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
