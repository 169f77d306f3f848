// The file services as each system implements them (platform/posix/files.cpp,
// platform/win32/files.cpp), under plat::impl. platform/common/file_services.cpp
// defines the public ones of platform.hpp on top of these: each keeps the
// cause of its failure (LastError). Nothing here is for the core.
#pragma once

#include <system_error>

#include "platform/platform.hpp"

namespace plat::impl {

Handle OpenFile(const std::string& name, OpenMode mode);
std::int64_t ReadAt(Handle h, std::uint64_t offset, void* buffer, std::size_t n);
std::int64_t WriteAt(Handle h, std::uint64_t offset, const void* buffer, std::size_t n);
std::int64_t SizeOf(Handle h);
bool SyncFile(Handle h);
bool TruncateFile(Handle h, std::uint64_t size);
bool CloseFile(Handle h);
bool MakeWritable(const std::string& name);
bool MakeReadOnly(const std::string& name);
bool RemoveFile(const std::string& name);
bool RemoveAnyFile(const std::string& name);
bool CopyNoReplace(const std::string& from, const std::string& to);
bool LinkNoReplace(const std::string& from, const std::string& to);
bool RenameNoReplace(const std::string& from, const std::string& to);
bool RenameReplace(const std::string& from, const std::string& to);
bool MakeFolder(const std::string& name);
bool RemoveFolder(const std::string& name);
bool SyncFolder(const std::string& name);
std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern);

// The system's code of the failure just met (errno, GetLastError()), and its
// clearing before a service starts.
std::error_code SystemError();
void ClearSystemError();

}  // namespace plat::impl
