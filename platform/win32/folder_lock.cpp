// The lock of the data folder, the stamps of files and hard links, on Windows.
//
// The lock file LANVO.LCK is opened sharing nothing, so that a second copy of
// the program cannot open it while the first runs, and, once seen to be a
// plain file, deleted when its handle closes, also when the process is killed.
#include "platform/common/file_services.hpp"
#include "platform/platform.hpp"
#include "platform/win32/system_calls.hpp"
#include "platform/win32/win32.hpp"

namespace plat {
namespace {

HANDLE g_folder_lock = INVALID_HANDLE_VALUE;

}  // namespace

FolderLock LockFolder() {
  if (g_folder_lock != INVALID_HANDLE_VALUE) return FolderLock::kTaken;
  HANDLE file = sys::CreateFileW(L"LANVO.LCK", GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                              nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = ::GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? FolderLock::kBusy : FolderLock::kNone;
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!sys::GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      sys::GetFileType(file) != FILE_TYPE_DISK) {
    Refuse("LANVO.LCK", (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? Refusal::kLink : Refusal::kNotRegular);
    sys::CloseHandle(file);
    return FolderLock::kNone;
  }
  // Only now that it is known to be a file of ours: gone when the handle
  // closes, also when the process is killed.
  FILE_DISPOSITION_INFO dispose = {};
  dispose.DeleteFile = TRUE;
  sys::SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
  g_folder_lock = file;
  return FolderLock::kTaken;
}

void UnlockFolder() {
  if (g_folder_lock == INVALID_HANDLE_VALUE) return;
  sys::CloseHandle(g_folder_lock);  // deletes the file
  g_folder_lock = INVALID_HANDLE_VALUE;
}

bool impl::LinkNoReplace(const std::string& from, const std::string& to) {
  if (ChangesStopped()) return false;
  std::wstring source = win32::Wide(from);
  DWORD attributes = sys::GetFileAttributesW(source.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
    return false;
  if (!FileOpAllowed(FileOp::kCopy)) return false;
  // Fails where the name is taken, and on volumes without hard links (FAT).
  return sys::CreateHardLinkW(win32::Wide(to).c_str(), source.c_str(), nullptr) != 0;
}

bool StampOf(const std::string& name, FileStamp* stamp) {
  if (!FileOpAllowed(FileOp::kLookup)) {
    NoteError(FileOp::kLookup, name, {});
    Refuse(name, Refusal::kUnreadable);
    return false;
  }
  HANDLE file = sys::CreateFileW(win32::Wide(name).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  bool ok = sys::GetFileInformationByHandle(file, &info) &&
            !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
  sys::CloseHandle(file);
  if (!ok) return false;
  stamp->id = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  stamp->size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  stamp->modified = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime);
  return true;
}

}  // namespace plat
