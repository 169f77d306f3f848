// Win32 file services of the platform layer, through the wide-character API.
//
// Sharing: every open lets others read and write, as the program's streams
// always have; two copies of the program may append to the same file. The
// busy test is the one open that lets others only read: it fails while any
// other handle holds the file for writing.
//
// The read-only attribute: Windows refuses to open such a file for writing or
// to delete it, but Wine run as root does not (root passes every permission
// check of the host). The layer tests the attribute itself wherever a refusal
// is relied on, so both behave alike.
//
// Entries refused (platform.hpp): a name is taken from its base folder, used
// as given (the working folder for a relative name or one spelled through
// it, the temporary folder, a folder spelled with "/", the root of a drive,
// "A:\" being the diskette, or the root of the current drive for "\..."),
// and each component below the base is looked at before anything is done: a
// reparse point there (a symbolic link, a junction, a mounted volume) is
// refused wherever it leads. The entry itself is then opened with
// FILE_FLAG_OPEN_REPARSE_POINT, so that the handle is the entry's and not
// that of what it may point at, and the handle says what it is. Whatever is
// done to an existing entry (its deletion, its new name, its attributes) is
// done through that handle, never again by name. Windows also keeps some
// plain files as reparse points (files of a cloud folder not yet on the
// disk, files compressed by the system): those are refused too.
//
// Wine shows a symbolic link of the host as a reparse point only by name and
// only when it leads to a folder (it shows a mount point as one too); a handle
// shows the target. A link to a file looks like that file. A link that leads
// nowhere and a FIFO, a socket or a device have no attributes at all, though
// their folder lists them: such an entry is refused as well (LookAtUnseen).
#include <algorithm>
#include <cwctype>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/common/wildcard.hpp"
#include "platform/common/file_services.hpp"
#include "platform/platform.hpp"
#include "platform/win32/system_calls.hpp"
#include "platform/win32/win32.hpp"

LANVO_SYSTEM_CALL_TABLE(LANVO_WIN32_CALLS)

namespace plat {
namespace {

using win32::Utf8;
using win32::Wide;

HANDLE AsHandle(Handle h) { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(h)); }
Handle FromHandle(HANDLE h) { return static_cast<Handle>(reinterpret_cast<std::intptr_t>(h)); }

// Handles opened for appending write at the end, whatever offset they are given.
std::mutex g_append_mutex;
std::unordered_set<Handle> g_append_handles;

bool IsAppendHandle(Handle h) {
  std::lock_guard<std::mutex> lock(g_append_mutex);
  return g_append_handles.count(h) > 0;
}

DWORD Attributes(const std::wstring& path) { return sys::GetFileAttributesW(path.c_str()); }

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

// A single ReadFile or WriteFile moves at most this much.
constexpr std::size_t kMaxChunk = 1u << 30;

// A path from one of the calls that take (buffer length, buffer) and answer
// the length they need when the buffer is too small; empty on failure.
template <typename Call>
std::wstring PathFrom(Call call) {
  DWORD n = call(0, nullptr);
  if (n == 0) return {};
  std::wstring buffer(n, L'\0');
  n = call(n, buffer.data());
  if (n == 0 || n >= buffer.size()) return {};
  buffer.resize(n);
  return buffer;
}

std::wstring TempPath() {
  std::wstring folder = PathFrom([](DWORD n, wchar_t* b) { return sys::GetTempPathW(n, b); });
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

// ---------------------------------------------------------------------------
// Names

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A component that names an entry of its folder and nothing else: not "." or
// "..", nor made of dots and spaces only (which Windows may read as either),
// and without a separator, a colon (a drive, or a stream of a file) or a
// control character.
bool PlainComponent(std::wstring_view part) {
  if (part.find_first_not_of(L". ") == std::wstring_view::npos) return false;
  return std::none_of(part.begin(), part.end(), [](wchar_t c) {
    return c < 0x20 || c == 0x7F || c == L'\\' || c == L'/' || c == L':';
  });
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
  if (prefix.empty() || text.size() < prefix.size()) return false;
  int n = static_cast<int>(prefix.size());
  return ::CompareStringOrdinal(text.data(), n, prefix.data(), n, TRUE) == CSTR_EQUAL;
}

// A name split at its base: the folder it starts from, used as given ("" for
// the working folder), and the components below it.
struct SplitName {
  std::wstring base;
  std::vector<std::wstring> parts;
};

// Where the components below folder (a path of the system ending in a
// separator) begin in name; npos when name is not in folder. "/" counts as
// "\" here, and a name from the root of the current drive is on that drive.
std::size_t Below(const std::wstring& name, const std::wstring& folder) {
  if (folder.size() < 3 || folder.back() != L'\\') return std::wstring::npos;
  std::wstring spelled = name;
  std::replace(spelled.begin(), spelled.end(), L'/', L'\\');
  std::size_t added = 0;
  if (!spelled.empty() && spelled[0] == L'\\' && (spelled.size() < 2 || spelled[1] != L'\\') && folder[1] == L':') {
    spelled = folder.substr(0, 2) + spelled;
    added = 2;
  }
  if (spelled.empty() || spelled.back() != L'\\') spelled += L'\\';
  if (!StartsWithIgnoringCase(spelled, folder)) return std::wstring::npos;
  return std::min(folder.size() - added, name.size());
}

SplitName Split(const std::string& name) {
  SplitName split;
  const std::wstring wide = Wide(name);
  const bool drive = wide.size() >= 2 && wide[1] == L':' && std::iswalpha(wide[0]);
  const bool rooted = (!wide.empty() && IsSeparator(wide[0])) || (drive && wide.size() > 2 && IsSeparator(wide[2]));
  // A name in a folder given whole (the temporary folder, the working folder
  // spelled out, a folder spelled with "/" as the system or the user spells
  // it, where the core writes "\\") starts below it: below the longest of
  // them that it is in.
  std::size_t rest = std::wstring::npos;
  auto given = [&](std::size_t at, std::wstring base) {
    if (at != std::wstring::npos && (rest == std::wstring::npos || at > rest)) {
      rest = at;
      split.base = std::move(base);
    }
  };
  if (rooted) {
    const std::wstring temp = TempPath();
    std::wstring working = PathFrom([](DWORD n, wchar_t* b) { return sys::GetCurrentDirectoryW(n, b); });
    if (!working.empty() && working.back() != L'\\') working += L'\\';
    given(Below(wide, temp), temp);
    given(Below(wide, working), working);
    if (wide.find(L'/') != std::wstring::npos) {
      std::size_t at = wide.rfind(L'/') + 1;
      given(at, wide.substr(0, at));
    }
  }
  if (rest == std::wstring::npos) {
    if (drive) {
      rest = wide.size() > 2 && IsSeparator(wide[2]) ? 3 : 2;
      split.base = wide.substr(0, 2) + (rest == 3 ? L"\\" : L"");
    } else if (wide.size() >= 2 && IsSeparator(wide[0]) && IsSeparator(wide[1])) {
      // A share ("\\server\share\") or a device path ("\\?\C:\") up to
      // and with its second component.
      rest = 2;
      for (int i = 0; i < 2 && rest < wide.size(); ++i) {
        std::size_t next = wide.find_first_of(L"\\/", rest);
        rest = next == std::wstring::npos ? wide.size() : next + 1;
      }
      split.base = wide.substr(0, rest);
    } else if (rooted) {
      split.base = L"\\";
      rest = 1;
    } else {
      rest = 0;  // the working folder
    }
  }
  // The core's names separate with "\" only; a "/" stays in its component,
  // which it makes no plain name.
  for (std::size_t i = rest; i < wide.size();) {
    std::size_t end = wide.find(L'\\', i);
    if (end == std::wstring::npos) end = wide.size();
    if (end > i) split.parts.push_back(wide.substr(i, end - i));
    i = end + 1;
  }
  return split;
}

std::wstring Join(const std::wstring& folder, const std::wstring& part) {
  if (folder.empty() || IsSeparator(folder.back()) || folder.back() == L':') return folder + part;
  return folder + L'\\' + part;
}

enum class Look { kMissing, kFile, kFolder, kRefused };

// Where a name leads: the path of the system and the attributes of the entry
// itself (INVALID_FILE_ATTRIBUTES when it is missing).
struct Entry {
  std::wstring path;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
};

Look Classify(const std::string& name, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    Refuse(name, Refusal::kLink);
    return Look::kRefused;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Look::kFolder : Look::kFile;
}

// The last component, whose attributes could not be read (error), though its
// folder is there: missing, unless the folder lists it. Wine lists a FIFO, a
// socket or a device of the host, whose attributes are an invalid parameter,
// and answers ERROR_NO_MORE_FILES for the very name of a symbolic link that
// leads nowhere, which is not found. Other errors (a file about to be
// deleted, one that may not be looked at) leave the entry for missing.
Look LookAtUnseen(const std::string& name, Entry* entry, DWORD error) {
  switch (error) {
    // The disk or the share failed, or the folder may not be searched: what
    // cannot be seen is not taken for missing, whose work would be taken for done.
    case ERROR_ACCESS_DENIED:
    case ERROR_GEN_FAILURE:
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_IO_DEVICE:
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
      NoteError(FileOp::kLookup, name, std::error_code(static_cast<int>(error), std::system_category()));
      Refuse(name, Refusal::kUnreadable);
      return Look::kRefused;
    default: break;
  }
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_INVALID_PARAMETER) return Look::kMissing;
  if (entry->path.find_first_of(L"*?<>\"") != std::wstring::npos) return Look::kMissing;
  WIN32_FIND_DATAW found;
  HANDLE search =
      sys::FindFirstFileExW(entry->path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    if (::GetLastError() != ERROR_NO_MORE_FILES) return Look::kMissing;
    Refuse(name, Refusal::kLink);
    return Look::kRefused;
  }
  sys::FindClose(search);
  // Listed: made just now, or something that has no attributes to show.
  entry->attributes = Attributes(entry->path);
  if (entry->attributes != INVALID_FILE_ATTRIBUTES) return Classify(name, entry->attributes);
  Refuse(name, Refusal::kNotRegular);
  return Look::kRefused;
}

// Looks a name up one component at a time below its base. A component that
// is no plain name, a reparse point at any component and a file where a
// folder should be are refused (and recorded); a component missing makes the
// name missing.
Look LookUp(const std::string& name, Entry* entry) {
  SplitName split = Split(name);
  for (const std::wstring& part : split.parts) {
    if (!PlainComponent(part)) {
      Refuse(name, Refusal::kBadName);
      return Look::kRefused;
    }
  }
  entry->path = split.base;
  for (const std::wstring& part : split.parts) entry->path = Join(entry->path, part);
  if (split.parts.empty()) {
    // The base itself.
    entry->attributes = split.base.empty() ? FILE_ATTRIBUTE_DIRECTORY : Attributes(split.base);
    if (entry->attributes == INVALID_FILE_ATTRIBUTES) return Look::kMissing;
    return (entry->attributes & FILE_ATTRIBUTE_DIRECTORY) ? Look::kFolder : Look::kFile;
  }
  std::wstring path = split.base;
  for (std::size_t i = 0; i < split.parts.size(); ++i) {
    path = Join(path, split.parts[i]);
    const bool last = i + 1 == split.parts.size();
    DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
      return last ? LookAtUnseen(name, entry, ::GetLastError()) : Look::kMissing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      Refuse(name, Refusal::kLink);
      return Look::kRefused;
    }
    if (!last && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      Refuse(name, Refusal::kNotFolder);
      return Look::kRefused;
    }
    if (last) entry->attributes = attributes;
  }
  return Classify(name, entry->attributes);
}

// ---------------------------------------------------------------------------
// Entries, through handles of their own

HANDLE OpenEntry(const Entry& entry, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return sys::CreateFileW(entry.path.c_str(), access, share, nullptr, disposition,
                       flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

enum class Want { kFile, kFileToChange, kFolder };

// What an open handle is. A reparse point, anything not on a disk (a pipe, a
// device), a folder where a file is wanted and a file of more than one name
// that is to change in place are refused; a file where a folder is wanted
// only fails.
bool Inspect(HANDLE h, const std::string& name, Want want, BY_HANDLE_FILE_INFORMATION* info) {
  if (sys::GetFileType(h) != FILE_TYPE_DISK) {
    Refuse(name, Refusal::kNotRegular);
    return false;
  }
  if (!sys::GetFileInformationByHandle(h, info)) return false;
  if (info->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    Refuse(name, Refusal::kLink);
    return false;
  }
  const bool folder = (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (want == Want::kFolder) return folder;
  if (folder) {
    Refuse(name, Refusal::kNotRegular);
    return false;
  }
  if (want == Want::kFileToChange && info->nNumberOfLinks > 1) {
    Refuse(name, Refusal::kHardLinks);
    return false;
  }
  return true;
}

// Sets the attributes of an open entry; the times stay as they are.
bool SetAttributesOf(HANDLE h, DWORD attributes) {
  constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  FILE_BASIC_INFO basic = {};
  attributes &= kSettable;
  // 0 would leave the attributes as they are: "none" is FILE_ATTRIBUTE_NORMAL.
  basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  return sys::SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic) != 0;
}

// Marks an open entry for deletion when its last handle closes. A folder
// that is not empty, and a file with the read-only attribute, are refused by
// the system.
bool DeleteEntry(HANDLE h) {
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  return sys::SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// Gives an open entry a new name, the path of a name looked up.
bool RenameEntry(HANDLE h, const std::wstring& path, bool replace) {
  std::wstring full =
      PathFrom([&path](DWORD n, wchar_t* b) { return sys::GetFullPathNameW(path.c_str(), n, b, nullptr); });
  if (full.empty()) return false;
  // The call takes the system's own form of a path.
  std::wstring native;
  if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0)
    native = L"\\??\\" + full.substr(4);
  else if (full.rfind(L"\\\\", 0) == 0)
    native = L"\\??\\UNC\\" + full.substr(2);
  else
    native = L"\\??\\" + full;
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + native.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(native.size() * sizeof(wchar_t));
  std::copy(native.begin(), native.end(), rename->FileName);
  return sys::SetFileInformationByHandle(h, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != 0;
}

Handle Failed(DWORD error) {
  ::SetLastError(error);
  return kNoHandle;
}

// Removes a file: a read-only one only when any_attributes, by clearing the
// attribute of that one name first, which a file of more than one name would
// share.
bool RemoveEntry(const std::string& name, bool any_attributes) {
  if (ChangesStopped()) return false;
  Entry entry;
  if (LookUp(name, &entry) != Look::kFile) return false;
  if (!any_attributes && (entry.attributes & FILE_ATTRIBUTE_READONLY)) return false;
  if (!FileOpAllowed(FileOp::kDelete)) return false;
  HANDLE h = OpenEntry(entry, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, OPEN_EXISTING, 0);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  bool ok = Inspect(h, name, Want::kFile, &info);
  const bool read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  bool cleared = false;
  if (ok && read_only) {
    if (!any_attributes) {
      ok = false;
    } else if (info.nNumberOfLinks > 1) {
      Refuse(name, Refusal::kHardLinks);
      ok = false;
    } else {
      ok = cleared = SetAttributesOf(h, info.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
  }
  if (ok) ok = DeleteEntry(h);
  if (!ok && cleared) SetAttributesOf(h, info.dwFileAttributes);
  sys::CloseHandle(h);
  return ok;
}

// Sets or clears the read-only attribute of a file of one name.
bool ChangeReadOnly(const std::string& name, bool read_only) {
  if (ChangesStopped()) return false;
  Entry entry;
  if (LookUp(name, &entry) != Look::kFile) return false;
  if (!read_only && !(entry.attributes & FILE_ATTRIBUTE_READONLY)) return true;
  if (!FileOpAllowed(FileOp::kAttributes)) return false;
  HANDLE h = OpenEntry(entry, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, OPEN_EXISTING, 0);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  bool ok = Inspect(h, name, Want::kFileToChange, &info);
  if (ok) {
    DWORD attributes = info.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    ok = SetAttributesOf(h, read_only ? attributes | FILE_ATTRIBUTE_READONLY : attributes);
  }
  sys::CloseHandle(h);
  return ok;
}

bool Rename(const std::string& from, const std::string& to, bool replace) {
  if (!FileOpAllowed(FileOp::kRename)) return false;
  if (ChangesStopped()) return false;
  Entry source, target;
  Look look = LookUp(from, &source);
  if (look != Look::kFile && (replace || look != Look::kFolder)) return false;
  Look there = LookUp(to, &target);
  if (there == Look::kRefused) return false;
  if (replace && there == Look::kFolder) {
    Refuse(to, Refusal::kNotRegular);
    return false;
  }
  HANDLE h = OpenEntry(source, DELETE | FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  bool ok = Inspect(h, from, look == Look::kFolder ? Want::kFolder : Want::kFile, &info) &&
            RenameEntry(h, target.path, replace);
  sys::CloseHandle(h);
  return ok;
}

}  // namespace

Handle impl::OpenFile(const std::string& name, OpenMode mode) {
  if (!FileOpAllowed(FileOp::kOpen)) return kNoHandle;
  const bool writes = mode != OpenMode::kRead;
  if (writes && ChangesStopped()) return Failed(ERROR_ACCESS_DENIED);
  Entry entry;
  Look look = LookUp(name, &entry);
  if (look == Look::kRefused) return Failed(ERROR_ACCESS_DENIED);
  if (look == Look::kFolder) {
    Refuse(name, Refusal::kNotRegular);
    return Failed(ERROR_ACCESS_DENIED);
  }
  if (look == Look::kFile) {
    if (mode == OpenMode::kCreateNew) return Failed(ERROR_FILE_EXISTS);
    if (writes && (entry.attributes & FILE_ATTRIBUTE_READONLY)) return Failed(ERROR_ACCESS_DENIED);
  } else if (mode == OpenMode::kRead || mode == OpenMode::kUpdate) {
    return Failed(ERROR_FILE_NOT_FOUND);
  }
  const DWORD access = writes ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  HANDLE h = INVALID_HANDLE_VALUE;
  bool created = false;
  if (look == Look::kMissing) {
    // Made only where no entry has the name: an existing file is never
    // emptied or appended to before the handle has been looked at.
    h = OpenEntry(entry, access, kShareReadWrite, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    created = h != INVALID_HANDLE_VALUE;
    if (!created && ::GetLastError() == ERROR_FILE_EXISTS && mode != OpenMode::kCreateNew) {
      // Made meanwhile (two copies of the program append to one file), or an
      // entry that the system neither shows nor lets a file replace.
      h = OpenEntry(entry, access, kShareReadWrite, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
      if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_NOT_FOUND) Refuse(name, Refusal::kLink);
    }
  } else {
    // A file opened to be read is read from start to end (the passes, the
    // backups' sources): the system may read ahead and drop what was read.
    h = OpenEntry(entry, access, kShareReadWrite, OPEN_EXISTING,
                  writes ? FILE_ATTRIBUTE_NORMAL : FILE_FLAG_SEQUENTIAL_SCAN);
  }
  if (h == INVALID_HANDLE_VALUE) return kNoHandle;
  BY_HANDLE_FILE_INFORMATION info = {};
  bool ok = Inspect(h, name, writes ? Want::kFileToChange : Want::kFile, &info);
  if (ok && writes && !created && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    ok = false;
  }
  // Emptied once it is known to be a file of one name; the handle is at 0.
  if (ok && mode == OpenMode::kCreate && !created) ok = sys::SetEndOfFile(h) != 0;
  if (!ok) {
    DWORD error = ::GetLastError();
    sys::CloseHandle(h);
    return Failed(error ? error : ERROR_ACCESS_DENIED);
  }
  Handle handle = FromHandle(h);
  if (mode == OpenMode::kAppend) {
    std::lock_guard<std::mutex> lock(g_append_mutex);
    g_append_handles.insert(handle);
  }
  return handle;
}

std::int64_t impl::ReadAt(Handle h, std::uint64_t offset, void* buffer, std::size_t n) {
  if (!FileOpAllowed(FileOp::kRead)) return -1;
  std::size_t done = 0;
  while (done < n) {
    OVERLAPPED at = At(offset + done);
    DWORD chunk = static_cast<DWORD>(std::min(n - done, kMaxChunk));
    DWORD got = 0;
    if (!sys::ReadFile(AsHandle(h), static_cast<char*>(buffer) + done, chunk, &got, &at)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      return done ? static_cast<std::int64_t>(done) : -1;
    }
    if (got == 0) break;
    done += got;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t impl::WriteAt(Handle h, std::uint64_t offset, const void* buffer, std::size_t n) {
  if (!FileOpAllowed(FileOp::kWrite)) return 0;
  bool append = IsAppendHandle(h);
  std::size_t done = 0;
  while (done < n) {
    // Offset 0xFFFFFFFF:0xFFFFFFFF writes at the end of the file.
    OVERLAPPED at = append ? At(~std::uint64_t{0}) : At(offset + done);
    DWORD chunk = static_cast<DWORD>(std::min(n - done, kMaxChunk));
    DWORD put = 0;
    if (!sys::WriteFile(AsHandle(h), static_cast<const char*>(buffer) + done, chunk, &put, &at) || put == 0) break;
    done += put;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t impl::SizeOf(Handle h) {
  if (!FileOpAllowed(FileOp::kSize)) return -1;
  LARGE_INTEGER size;
  if (!sys::GetFileSizeEx(AsHandle(h), &size)) return -1;
  return size.QuadPart;
}

bool impl::SyncFile(Handle h) {
  if (!FileOpAllowed(FileOp::kSync)) return false;
  return sys::FlushFileBuffers(AsHandle(h)) != 0;
}

bool impl::TruncateFile(Handle h, std::uint64_t size) {
  if (!FileOpAllowed(FileOp::kWrite)) return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  return sys::SetFilePointerEx(AsHandle(h), at, nullptr, FILE_BEGIN) && sys::SetEndOfFile(AsHandle(h));
}

bool impl::CloseFile(Handle h) {
  // Closing always releases the handle; an injected failure only reports one.
  bool allowed = FileOpAllowed(FileOp::kClose);
  {
    std::lock_guard<std::mutex> lock(g_append_mutex);
    g_append_handles.erase(h);
  }
  bool closed = sys::CloseHandle(AsHandle(h)) != 0;
  return allowed && closed;
}

std::error_code impl::SystemError() { return std::error_code(static_cast<int>(::GetLastError()), std::system_category()); }
void impl::ClearSystemError() { ::SetLastError(ERROR_SUCCESS); }

std::string SystemText(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "Espaço insuficiente no disco.";
    case ERROR_ACCESS_DENIED: return "Acesso negado.";
    case ERROR_WRITE_PROTECT: return "O disco está protegido contra gravação.";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "Arquivo não encontrado.";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return "O arquivo já existe.";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "O arquivo está em uso.";
    case ERROR_NOT_READY: return "A unidade não está pronta.";
    default: break;
  }
  wchar_t* text = nullptr;
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = n && text ? std::wstring(text, n) : std::wstring();
  if (text) ::LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ')) wide.pop_back();
  if (wide.empty()) return "Erro " + std::to_string(code) + " do sistema.";
  return Utf8(wide);
}

// A look at a name that the core asked for (Exists, FileSize, ...): an
// operation of its own for the fault hooks, which fails as a folder that
// cannot be searched does.
static Look LookUpNamed(const std::string& name, Entry* entry) {
  if (!FileOpAllowed(FileOp::kLookup)) {
    NoteError(FileOp::kLookup, name, {});
    Refuse(name, Refusal::kUnreadable);
    return Look::kRefused;
  }
  return LookUp(name, entry);
}

bool Exists(const std::string& name) {
  Entry entry;
  // A link or a special file is there: taking it for missing could let a
  // step write or delete something on the strength of it.
  return LookUpNamed(name, &entry) != Look::kMissing;
}

bool IsFolder(const std::string& name) {
  Entry entry;
  return LookUpNamed(name, &entry) == Look::kFolder;
}

bool IsReadOnly(const std::string& name) {
  Entry entry;
  return LookUpNamed(name, &entry) == Look::kFile && (entry.attributes & FILE_ATTRIBUTE_READONLY);
}

bool impl::MakeWritable(const std::string& name) { return ChangeReadOnly(name, false); }

bool impl::MakeReadOnly(const std::string& name) { return ChangeReadOnly(name, true); }

bool impl::RemoveFile(const std::string& name) { return RemoveEntry(name, false); }

bool impl::RemoveAnyFile(const std::string& name) { return RemoveEntry(name, true); }

std::string NameFromData(std::string_view bytes) {
  if (bytes.empty()) return {};
  constexpr UINT kWesternEuropean = 1252;
  int size = static_cast<int>(bytes.size());
  int n = ::MultiByteToWideChar(kWesternEuropean, 0, bytes.data(), size, nullptr, 0);
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(kWesternEuropean, 0, bytes.data(), size, text.data(), n);
  return Utf8(text);
}

bool impl::RenameNoReplace(const std::string& from, const std::string& to) { return Rename(from, to, false); }

bool impl::RenameReplace(const std::string& from, const std::string& to) { return Rename(from, to, true); }

bool impl::CopyNoReplace(const std::string& from, const std::string& to) {
  if (ChangesStopped()) return false;
  Entry source, target, part;
  Look look = LookUp(from, &source);
  if (look == Look::kFolder) Refuse(from, Refusal::kNotRegular);
  if (look != Look::kFile || LookUp(to, &target) != Look::kMissing) return false;
  if (!FileOpAllowed(FileOp::kCopy)) return false;
  // Copy under a name of our own and rename it into place at the end, so that
  // the backup is either complete or absent, even after a crash. A part left
  // by a crash is removed first; anything else of that name stays.
  const std::string part_name = to + ".~part";
  Look leftover = LookUp(part_name, &part);
  if (leftover == Look::kFile) RemoveEntry(part_name, false);
  else if (leftover != Look::kMissing) return false;
  HANDLE in = OpenEntry(source, GENERIC_READ, kShareReadWrite, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
  if (in == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!Inspect(in, from, Want::kFile, &info)) {
    sys::CloseHandle(in);
    return false;
  }
  HANDLE out = OpenEntry(part, GENERIC_READ | GENERIC_WRITE | DELETE, kShareReadWrite, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL);
  if (out == INVALID_HANDLE_VALUE) {
    sys::CloseHandle(in);
    return false;
  }
  static constexpr std::size_t kChunk = 1 << 20;
  std::vector<char> buffer(kChunk);
  bool ok = true;
  std::uint64_t offset = 0;
  for (;;) {
    std::int64_t got = ReadAt(FromHandle(in), offset, buffer.data(), kChunk);
    if (got < 0) { ok = false; break; }
    if (got == 0) break;
    if (WriteAt(FromHandle(out), offset, buffer.data(), static_cast<std::size_t>(got)) != got) {
      ok = false;
      break;
    }
    offset += static_cast<std::uint64_t>(got);
  }
  sys::CloseHandle(in);
  if (ok) ok = SyncFile(FromHandle(out));
  // A copy keeps the time of the last change of its source, as CopyFile does.
  sys::SetFileTime(out, nullptr, nullptr, &info.ftLastWriteTime);
  if (ok) ok = FileOpAllowed(FileOp::kRename) && RenameEntry(out, target.path, false);
  // ... and its attributes (a read-only file gives a read-only copy).
  if (ok) SetAttributesOf(out, info.dwFileAttributes);
  else DeleteEntry(out);
  sys::CloseHandle(out);
  return ok;
}

bool impl::MakeFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kMakeFolder)) return false;
  if (ChangesStopped()) return false;
  Entry entry;
  // The folders above it were looked at; the new one cannot be a link.
  if (LookUp(name, &entry) != Look::kMissing) return false;
  return sys::CreateDirectoryW(entry.path.c_str(), nullptr) != 0;
}

bool impl::RemoveFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kRemoveFolder)) return false;
  if (ChangesStopped()) return false;
  Entry entry;
  if (LookUp(name, &entry) != Look::kFolder || entry.path.empty()) return false;
  HANDLE h = OpenEntry(entry, DELETE | FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  bool ok = Inspect(h, name, Want::kFolder, &info) && DeleteEntry(h);
  sys::CloseHandle(h);
  return ok;
}

bool impl::SyncFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kSync)) return false;
  // NTFS journals the entries of a folder itself, and Windows gives programs
  // no flush of them; what is left is to say whether the folder is there.
  Entry entry;
  return LookUp(name, &entry) == Look::kFolder;
}

std::vector<std::string> impl::FindFiles(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  Entry entry;
  Look look = LookUp(folder, &entry);
  // Only an absent folder holds nothing: a file in its place, or one that
  // cannot be read, would have its work taken for done.
  if (look == Look::kFile) Refuse(folder, Refusal::kNotFolder);
  if (look != Look::kFolder) return names;
  WIN32_FIND_DATAW found;
  HANDLE search = sys::FindFirstFileExW(Join(entry.path, Wide(pattern)).c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) {
      NoteError(FileOp::kList, folder, std::error_code(static_cast<int>(error), std::system_category()));
      Refuse(folder.empty() ? "." : folder, Refusal::kUnreadable);
    }
    return names;
  }
  do {
    std::wstring_view wide = found.cFileName;
    if (wide == L"." || wide == L"..") continue;
    std::string name = Utf8(wide);
    // The system also matches the generated short names ("*.DAT" finds
    // "NOTES.DATA" through "NOTES~1.DAT"); only the names themselves count.
    if (!WildcardMatch(pattern, name)) continue;
    // A name is a name, never a path: Wine lists the names of the host as
    // they are, with a ":", a "\" or a control character in them. Such a
    // name is passed over, and named.
    if (!PlainComponent(wide)) {
      bool separated = folder.empty() || folder.back() == '\\';
      Refuse(separated ? folder + name : folder + "\\" + name, Refusal::kBadName);
      continue;
    }
    names.push_back(name);
  } while (sys::FindNextFileW(search, &found));
  sys::FindClose(search);
  // NTFS lists a folder in name order, other file systems (and Wine) do not:
  // sort, to behave alike from one run and one system to the next.
  std::sort(names.begin(), names.end());
  return names;
}

std::int64_t FileSize(const std::string& name) {
  Entry entry;
  if (LookUpNamed(name, &entry) != Look::kFile) return -1;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!sys::GetFileAttributesExW(entry.path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

int BusyTest(const std::string& name) {
  // A test that cannot be made says busy: the caller then leaves the file alone.
  if (!FileOpAllowed(FileOp::kBusy)) {
    NoteError(FileOp::kBusy, name, {});
    return 1;
  }
  Entry entry;
  if (LookUp(name, &entry) != Look::kFile) return 0;
  // An open for reading that lets others only read fails while another
  // handle holds the file for writing.
  HANDLE h = OpenEntry(entry, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (h != INVALID_HANDLE_VALUE) {
    sys::CloseHandle(h);
    return 0;
  }
  DWORD error = ::GetLastError();
  return (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) ? 1 : 0;
}

std::string TempFolder() { return Utf8(TempPath()); }

std::string CurrentFolder() {
  return Utf8(PathFrom([](DWORD n, wchar_t* b) { return sys::GetCurrentDirectoryW(n, b); }));
}

bool ChangeFolder(const std::string& name) { return sys::SetCurrentDirectoryW(Wide(name).c_str()) != 0; }

bool FreeSpace(const std::string& root, std::uint64_t* bytes) {
  if (TestHooks().free_space) return TestHooks().free_space(root, bytes);
  std::wstring path = Wide(root);
  // The query takes the root of a drive; find it for any other folder.
  wchar_t volume[MAX_PATH + 1];
  if (sys::GetVolumePathNameW(path.c_str(), volume, MAX_PATH + 1)) path = volume;
  DWORD sectors_per_cluster, bytes_per_sector, free_clusters, clusters;
  if (!sys::GetDiskFreeSpaceW(path.c_str(), &sectors_per_cluster, &bytes_per_sector, &free_clusters, &clusters))
    return false;
  *bytes = std::uint64_t{free_clusters} * sectors_per_cluster * bytes_per_sector;
  return true;
}

void SleepMs(int milliseconds) { ::Sleep(static_cast<DWORD>(std::max(milliseconds, 0))); }

LocalTime Now() {
  if (TestHooks().now) return TestHooks().now();
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace plat
