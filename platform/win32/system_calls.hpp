// The Win32 calls of the file services, each made through the table that
// tests may change (SetSystemCall): platform/win32/files.cpp holds the table,
// and every file that makes one of these calls makes it as sys::Name(...).
#pragma once

#include "platform/common/system_calls.hpp"
#include "platform/win32/win32.hpp"

#define LANVO_WIN32_CALLS(X) \
  X(CloseHandle) \
  X(CreateDirectoryW) \
  X(CreateFileW) \
  X(CreateHardLinkW) \
  X(FindClose) \
  X(FindFirstFileExW) \
  X(FindNextFileW) \
  X(FlushFileBuffers) \
  X(GetCurrentDirectoryW) \
  X(GetDiskFreeSpaceW) \
  X(GetFileAttributesExW) \
  X(GetFileAttributesW) \
  X(GetFileInformationByHandle) \
  X(GetFileSizeEx) \
  X(GetFileType) \
  X(GetFullPathNameW) \
  X(GetTempPathW) \
  X(GetVolumePathNameW) \
  X(ReadFile) \
  X(SetCurrentDirectoryW) \
  X(SetEndOfFile) \
  X(SetFileInformationByHandle) \
  X(SetFilePointerEx) \
  X(SetFileTime) \
  X(WriteFile)

LANVO_SYSTEM_CALLERS(LANVO_WIN32_CALLS)
