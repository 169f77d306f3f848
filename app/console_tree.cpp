#include "app/console_tree.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace console {
namespace {

Entry EntryOf(const struct stat& st) {
  Entry e;
  if (S_ISREG(st.st_mode)) e.kind = Kind::kFile;
  else if (S_ISDIR(st.st_mode)) e.kind = Kind::kFolder;
  else if (S_ISLNK(st.st_mode)) e.kind = Kind::kLink;
  else e.kind = Kind::kSpecial;
  e.mode = st.st_mode & 07777;
  e.size = st.st_size;
  e.device = st.st_dev;
  e.inode = st.st_ino;
  e.links = st.st_nlink;
  e.modified_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return e;
}

std::string Join(const std::string& base, const std::string& name) { return base.empty() ? name : base + "/" + name; }

// The names of an open folder, without "." and "..". Takes the descriptor.
bool Names(int dir_fd, std::vector<std::string>* names) {
  DIR* dir = ::fdopendir(dir_fd);
  if (!dir) {
    ::close(dir_fd);
    return false;
  }
  errno = 0;
  while (struct dirent* d = ::readdir(dir)) {
    if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0) names->emplace_back(d->d_name);
  }
  bool ok = errno == 0;
  ::closedir(dir);
  return ok;
}

void ListInto(int dir_fd, const std::string& base, Listing* out, std::vector<std::string>* unreadable) {
  std::vector<std::string> names;
  int listing_fd = OpenQuietly(dir_fd, ".", O_RDONLY | O_DIRECTORY);
  if (listing_fd < 0 || !Names(listing_fd, &names)) {
    if (unreadable) unreadable->push_back(base);
    return;
  }
  for (const std::string& name : names) {
    struct stat st;
    if (::fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
    const std::string path = Join(base, name);
    (*out)[path] = EntryOf(st);
    if (!S_ISDIR(st.st_mode)) continue;
    int sub = OpenQuietly(dir_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (sub < 0) {
      if (unreadable) unreadable->push_back(path);
      continue;
    }
    ListInto(sub, path, out, unreadable);
    ::close(sub);
  }
}

// Copies the bytes of one open file to another: a shared extent where the
// file system has them, else in the kernel, else through a buffer.
bool CopyBytes(int in, int out, std::int64_t size) {
  if (::ioctl(out, FICLONE, in) == 0) return true;
  off_t done = 0;
  while (done < size) {
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(size - done), 0);
    if (n <= 0) break;
    done += n;
  }
  if (done >= size) return true;
  // copy_file_range refused (another file system, an old kernel): the rest by hand.
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t n = ::pread(in, buffer.data(), buffer.size(), done);
    if (n < 0) return false;
    if (n == 0) return true;
    for (ssize_t put = 0; put < n;) {
      ssize_t w = ::pwrite(out, buffer.data() + put, static_cast<size_t>(n - put), done + put);
      if (w <= 0) return false;
      put += w;
    }
    done += n;
  }
}

void SetTimes(int dir_fd, const std::string& name, const Entry& e) {
  struct timespec times[2];
  times[1].tv_sec = e.modified_ns / 1000000000;
  times[1].tv_nsec = e.modified_ns % 1000000000;
  times[0] = times[1];
  ::utimensat(dir_fd, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

class Copier {
 public:
  Copier(const std::string& from, const std::string& to, const std::string& outside, CopyNotes* notes)
      : from_(from), to_(to), outside_(outside), notes_(notes) {}

  bool Run(std::string* why) {
    Listing listing = ListTree(from_, &notes_->unreadable);
    struct stat root;
    if (::stat(from_.c_str(), &root) != 0) return Fail(why, "cannot read " + from_);
    if (::mkdir(to_.c_str(), 0700) != 0) return Fail(why, "cannot make " + to_ + ": " + std::strerror(errno));
    std::map<std::pair<std::uint64_t, std::uint64_t>, int> names_inside;
    for (const auto& [path, e] : listing)
      if (e.kind == Kind::kFile && e.links > 1) ++names_inside[{e.device, e.inode}];
    for (const auto& [path, e] : listing)
      if (!CopyEntry(path, e, names_inside, why)) return false;
    // Folders last and deepest first: their modes may forbid the writes above,
    // and every write into them changed their times.
    for (auto it = listing.rbegin(); it != listing.rend(); ++it) {
      if (it->second.kind != Kind::kFolder) continue;
      std::string target = to_ + "/" + it->first;
      ::chmod(target.c_str(), it->second.mode);
      SetTimes(AT_FDCWD, target, it->second);
    }
    ::chmod(to_.c_str(), root.st_mode & 07777);
    SetTimes(AT_FDCWD, to_, EntryOf(root));
    return true;
  }

 private:
  static bool Fail(std::string* why, const std::string& text) {
    *why = text;
    return false;
  }

  bool CopyEntry(const std::string& path, const Entry& e,
                 std::map<std::pair<std::uint64_t, std::uint64_t>, int>& names_inside, std::string* why) {
    const std::string target = to_ + "/" + path;
    switch (e.kind) {
      case Kind::kFolder:
        if (::mkdir(target.c_str(), 0700) != 0) return Fail(why, "cannot make " + target + ": " + std::strerror(errno));
        return true;
      case Kind::kLink:
        // Never read: reading a link's text changes its access time, and no
        // run follows it. What matters is that a link is there.
        if (::symlink("lanvo303-status: a link of the folder examined", target.c_str()) != 0)
          return Fail(why, "cannot make " + target + ": " + std::strerror(errno));
        SetTimes(AT_FDCWD, target, e);
        return true;
      case Kind::kSpecial:
        if (::mkfifo(target.c_str(), e.mode) != 0) return Fail(why, "cannot make " + target + ": " + std::strerror(errno));
        ::chmod(target.c_str(), e.mode);
        SetTimes(AT_FDCWD, target, e);
        return true;
      case Kind::kFile:
        break;
    }
    const auto key = std::make_pair(e.device, e.inode);
    if (e.links > 1) {
      auto seen = first_name_.find(key);
      if (seen != first_name_.end()) {
        if (::link(seen->second.c_str(), target.c_str()) != 0)
          return Fail(why, "cannot make " + target + ": " + std::strerror(errno));
        return true;
      }
      first_name_[key] = target;
    }
    int in = OpenQuietly(AT_FDCWD, from_ + "/" + path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
      if (in >= 0) ::close(in);
      return Fail(why, "cannot make " + target + ": " + std::strerror(errno));
    }
    bool ok = true;
    if (in < 0) {
      notes_->unreadable.push_back(path);
    } else {
      ok = CopyBytes(in, out, e.size);
      ::close(in);
    }
    ::fchmod(out, e.mode);
    struct timespec times[2];
    times[1].tv_sec = e.modified_ns / 1000000000;
    times[1].tv_nsec = e.modified_ns % 1000000000;
    times[0] = times[1];
    ::futimens(out, times);
    if (::close(out) != 0) ok = false;
    if (!ok) return Fail(why, "cannot copy " + path + " to " + target + ": " + std::strerror(errno));
    // Names of this file outside the folder: as many outside the copy.
    if (e.links > 1) {
      auto extra = static_cast<std::int64_t>(e.links) - names_inside[key];
      for (std::int64_t i = 0; i < extra; ++i) {
        ::mkdir(outside_.c_str(), 0700);
        std::string name = outside_ + "/" + std::to_string(++outside_count_);
        if (::link(target.c_str(), name.c_str()) != 0) return Fail(why, "cannot make " + name + ": " + std::strerror(errno));
      }
    }
    return true;
  }

  std::string from_, to_, outside_;
  CopyNotes* notes_;
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> first_name_;
  int outside_count_ = 0;
};

void RemoveBelow(int dir_fd) {
  std::vector<std::string> names;
  int listing_fd = ::openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing_fd < 0 || !Names(listing_fd, &names)) return;
  for (const std::string& name : names) {
    struct stat st;
    if (::fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      ::fchmodat(dir_fd, name.c_str(), 0700, 0);
      int sub = ::openat(dir_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) {
        RemoveBelow(sub);
        ::close(sub);
      }
      ::unlinkat(dir_fd, name.c_str(), AT_REMOVEDIR);
    } else {
      ::unlinkat(dir_fd, name.c_str(), 0);
    }
  }
}

}  // namespace

int OpenQuietly(int dir_fd, const std::string& name, int flags) {
  int fd = ::openat(dir_fd, name.c_str(), flags | O_NOATIME | O_CLOEXEC);
  if (fd < 0 && errno == EPERM) fd = ::openat(dir_fd, name.c_str(), flags | O_CLOEXEC);  // not the owner
  return fd;
}

Listing ListTree(const std::string& root, std::vector<std::string>* unreadable) {
  Listing out;
  int fd = OpenQuietly(AT_FDCWD, root, O_RDONLY | O_DIRECTORY);
  if (fd < 0) {
    if (unreadable) unreadable->push_back("");
    return out;
  }
  ListInto(fd, "", &out, unreadable);
  ::close(fd);
  return out;
}

bool CopyTree(const std::string& from, const std::string& to, const std::string& outside_links, CopyNotes* notes,
              std::string* why) {
  return Copier(from, to, outside_links, notes).Run(why);
}

void RemoveTree(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    ::unlink(path.c_str());
    return;
  }
  ::chmod(path.c_str(), 0700);
  int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    RemoveBelow(fd);
    ::close(fd);
  }
  ::rmdir(path.c_str());
}

void RemoveEmptyFolders(const std::string& path) {
  Listing listing = ListTree(path);
  for (auto it = listing.rbegin(); it != listing.rend(); ++it)
    if (it->second.kind == Kind::kFolder) ::rmdir((path + "/" + it->first).c_str());
  ::rmdir(path.c_str());
}

}  // namespace console
