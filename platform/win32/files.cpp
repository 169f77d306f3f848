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
#include <algorithm>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/common/wildcard.hpp"
#include "platform/platform.hpp"
#include "platform/win32/win32.hpp"

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

DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool IsReadOnlyFile(const std::wstring& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (attributes & FILE_ATTRIBUTE_READONLY);
}

// SetFileAttributes takes FILE_ATTRIBUTE_NORMAL for "no attribute"; 0 would
// mean "leave them as they are" further down.
bool SetAttributes(const std::wstring& path, DWORD attributes) {
  attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_DIRECTORY);
  return ::SetFileAttributesW(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) != 0;
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

// A single ReadFile or WriteFile moves at most this much.
constexpr std::size_t kMaxChunk = 1u << 30;

}  // namespace

Handle OpenFile(const std::string& name, OpenMode mode) {
  if (!FileOpAllowed(FileOp::kOpen)) return kNoHandle;
  std::wstring path = Wide(name);
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::kRead: access = GENERIC_READ; break;
    case OpenMode::kUpdate: break;
    case OpenMode::kAppend: disposition = OPEN_ALWAYS; break;
    case OpenMode::kCreate: disposition = CREATE_ALWAYS; break;
    case OpenMode::kCreateNew: disposition = CREATE_NEW; break;
  }
  if (mode != OpenMode::kRead && IsReadOnlyFile(path)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return kNoHandle;
  }
  HANDLE h = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return kNoHandle;
  Handle handle = FromHandle(h);
  if (mode == OpenMode::kAppend) {
    std::lock_guard<std::mutex> lock(g_append_mutex);
    g_append_handles.insert(handle);
  }
  return handle;
}

std::int64_t ReadAt(Handle h, std::uint64_t offset, void* buffer, std::size_t n) {
  if (!FileOpAllowed(FileOp::kRead)) return -1;
  std::size_t done = 0;
  while (done < n) {
    OVERLAPPED at = At(offset + done);
    DWORD chunk = static_cast<DWORD>(std::min(n - done, kMaxChunk));
    DWORD got = 0;
    if (!::ReadFile(AsHandle(h), static_cast<char*>(buffer) + done, chunk, &got, &at)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      return done ? static_cast<std::int64_t>(done) : -1;
    }
    if (got == 0) break;
    done += got;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t WriteAt(Handle h, std::uint64_t offset, const void* buffer, std::size_t n) {
  if (!FileOpAllowed(FileOp::kWrite)) return 0;
  bool append = IsAppendHandle(h);
  std::size_t done = 0;
  while (done < n) {
    // Offset 0xFFFFFFFF:0xFFFFFFFF writes at the end of the file.
    OVERLAPPED at = append ? At(~std::uint64_t{0}) : At(offset + done);
    DWORD chunk = static_cast<DWORD>(std::min(n - done, kMaxChunk));
    DWORD put = 0;
    if (!::WriteFile(AsHandle(h), static_cast<const char*>(buffer) + done, chunk, &put, &at) || put == 0) break;
    done += put;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t SizeOf(Handle h) {
  if (!FileOpAllowed(FileOp::kSize)) return -1;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(AsHandle(h), &size)) return -1;
  return size.QuadPart;
}

bool SyncFile(Handle h) {
  if (!FileOpAllowed(FileOp::kSync)) return false;
  return ::FlushFileBuffers(AsHandle(h)) != 0;
}

bool TruncateFile(Handle h, std::uint64_t size) {
  if (!FileOpAllowed(FileOp::kWrite)) return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFilePointerEx(AsHandle(h), at, nullptr, FILE_BEGIN) && ::SetEndOfFile(AsHandle(h));
}

bool CloseFile(Handle h) {
  // Closing always releases the handle; an injected failure only reports one.
  bool allowed = FileOpAllowed(FileOp::kClose);
  {
    std::lock_guard<std::mutex> lock(g_append_mutex);
    g_append_handles.erase(h);
  }
  bool closed = ::CloseHandle(AsHandle(h)) != 0;
  return allowed && closed;
}

bool Exists(const std::string& name) { return Attributes(Wide(name)) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& name) {
  DWORD attributes = Attributes(Wide(name));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReadOnly(const std::string& name) { return IsReadOnlyFile(Wide(name)); }

bool MakeWritable(const std::string& name) {
  std::wstring path = Wide(name);
  DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_READONLY)) return true;
  if (!FileOpAllowed(FileOp::kAttributes)) return false;
  return SetAttributes(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

bool MakeReadOnly(const std::string& name) {
  std::wstring path = Wide(name);
  DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!FileOpAllowed(FileOp::kAttributes)) return false;
  return SetAttributes(path, attributes | FILE_ATTRIBUTE_READONLY);
}

bool RemoveFile(const std::string& name) {
  std::wstring path = Wide(name);
  DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) return false;
  if (!FileOpAllowed(FileOp::kDelete)) return false;
  return ::DeleteFileW(path.c_str()) != 0;
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (!FileOpAllowed(FileOp::kRename)) return false;
  return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool RenameReplace(const std::string& from, const std::string& to) {
  if (!FileOpAllowed(FileOp::kRename)) return false;
  return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool CopyNoReplace(const std::string& from, const std::string& to) {
  std::wstring target = Wide(to);
  if (Attributes(target) != INVALID_FILE_ATTRIBUTES) return false;
  if (!FileOpAllowed(FileOp::kCopy)) return false;
  HANDLE in = ::CreateFileW(Wide(from).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (in == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION source;
  if (!::GetFileInformationByHandle(in, &source)) {
    ::CloseHandle(in);
    return false;
  }
  // Copy under a name of our own and rename it into place at the end, so that
  // the backup is either complete or absent, even after a crash.
  std::wstring part = target + L".~part";
  HANDLE out = ::CreateFileW(part.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    ::CloseHandle(in);
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
  ::CloseHandle(in);
  if (ok) ok = SyncFile(FromHandle(out));
  // A copy keeps the time of the last change of its source, as CopyFile does.
  ::SetFileTime(out, nullptr, nullptr, &source.ftLastWriteTime);
  ok = (::CloseHandle(out) != 0) && ok;
  if (ok) ok = FileOpAllowed(FileOp::kRename) && ::MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    ::DeleteFileW(part.c_str());
    return false;
  }
  // ... and its attributes (a read-only file gives a read-only copy).
  SetAttributes(target, source.dwFileAttributes);
  return true;
}

bool MakeFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kMakeFolder)) return false;
  return ::CreateDirectoryW(Wide(name).c_str(), nullptr) != 0;
}

bool RemoveFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kRemoveFolder)) return false;
  return ::RemoveDirectoryW(Wide(name).c_str()) != 0;
}

bool SyncFolder(const std::string& name) {
  if (!FileOpAllowed(FileOp::kSync)) return false;
  // NTFS journals the entries of a folder itself, and Windows gives programs
  // no flush of them; what is left is to say whether the folder is there.
  return name.empty() || IsFolder(name);
}

std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern) {
  std::string path = folder;
  if (!path.empty() && path.back() != '\\' && path.back() != '/' && path.back() != ':') path += '\\';
  path += pattern;
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = ::FindFirstFileExW(Wide(path).c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                     nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = Utf8(entry.cFileName);
    if (name == "." || name == "..") continue;
    // The system also matches the generated short names ("*.DAT" finds
    // "NOTES.DATA" through "NOTES~1.DAT"); only the names themselves count.
    if (WildcardMatch(pattern, name)) names.push_back(name);
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);
  // NTFS lists a folder in name order, other file systems (and Wine) do not:
  // sort, to behave alike from one run and one system to the next.
  std::sort(names.begin(), names.end());
  return names;
}

std::int64_t FileSize(const std::string& name) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(Wide(name).c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

int BusyTest(const std::string& name) {
  std::wstring path = Wide(name);
  if (Attributes(path) == INVALID_FILE_ATTRIBUTES) return 0;
  // An open for reading that lets others only read fails while another
  // handle holds the file for writing.
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    ::CloseHandle(h);
    return 0;
  }
  DWORD error = ::GetLastError();
  return (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) ? 1 : 0;
}

namespace {

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

}  // namespace

std::string TempFolder() {
  std::wstring folder = PathFrom([](DWORD n, wchar_t* b) { return ::GetTempPathW(n, b); });
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return Utf8(folder);
}

std::string CurrentFolder() {
  return Utf8(PathFrom([](DWORD n, wchar_t* b) { return ::GetCurrentDirectoryW(n, b); }));
}

bool ChangeFolder(const std::string& name) { return ::SetCurrentDirectoryW(Wide(name).c_str()) != 0; }

bool FreeSpace(const std::string& root, std::uint64_t* bytes) {
  if (TestHooks().free_space) return TestHooks().free_space(root, bytes);
  std::wstring path = Wide(root);
  // The query takes the root of a drive; find it for any other folder.
  wchar_t volume[MAX_PATH + 1];
  if (::GetVolumePathNameW(path.c_str(), volume, MAX_PATH + 1)) path = volume;
  DWORD sectors_per_cluster, bytes_per_sector, free_clusters, clusters;
  if (!::GetDiskFreeSpaceW(path.c_str(), &sectors_per_cluster, &bytes_per_sector, &free_clusters, &clusters))
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
