// Folder trees as the console's status and batch commands see them: a listing
// of every entry below a folder, taken without following a link and without
// touching the access time of what it reads; a faithful copy of a data folder
// into a scratch folder; and the removal of that scratch folder. Linux only.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace console {

enum class Kind : char { kFile = 'f', kFolder = 'd', kLink = 'l', kSpecial = 's' };

struct Entry {
  Kind kind = Kind::kFile;
  unsigned mode = 0;  // permission bits
  std::int64_t size = 0;
  std::uint64_t device = 0, inode = 0, links = 1;
  std::int64_t modified_ns = 0;
};

// Paths relative to the listed folder, '/' between components, in byte order
// (a folder comes before what it holds).
using Listing = std::map<std::string, Entry>;

// Lists every entry below root (root itself not included). Folders that cannot
// be read are listed with nothing below them and named in unreadable.
Listing ListTree(const std::string& root, std::vector<std::string>* unreadable = nullptr);

// Opens a file or folder for reading without changing its access time where
// the system allows it (the owner, or root); -1 on failure, with errno.
int OpenQuietly(int dir_fd, const std::string& name, int flags);

// What a copy of a data folder found along the way.
struct CopyNotes {
  std::vector<std::string> unreadable;  // files and folders whose contents could not be read
};

// Copies the folder from into the new folder to (which must not exist), entry
// by entry, never following a link: files with their bytes, modes and times;
// a link as a link that points nowhere; a FIFO, socket or device as a FIFO;
// names of one file as names of one file, and a file that also has names
// outside the folder as one with as many names (the extra ones in
// outside_links, a folder beside to). A file that cannot be read becomes an
// empty file of its mode, and a folder that cannot be read an empty folder of
// its mode, so that a run in the copy meets the same refusal. False, with a
// reason, when the copy could not be made whole (no room, say).
bool CopyTree(const std::string& from, const std::string& to, const std::string& outside_links,
              CopyNotes* notes, std::string* why);

// Removes a folder and everything below it, never following a link; folders
// without the rights to empty them are given them first.
void RemoveTree(const std::string& path);

// Removes the empty folders below path and path itself when it ends empty.
void RemoveEmptyFolders(const std::string& path);

}  // namespace console
