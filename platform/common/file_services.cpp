// The public file services: each calls its system's implementation and, when
// that fails, keeps the cause with the operation and the file's name, so that
// a message can say which file and why. Standard C++ only.
#include "platform/common/file_services.hpp"

#include <unordered_map>

namespace plat {
namespace {

// The names of the open handles, for the causes of failures met through them.
std::unordered_map<Handle, std::string>& HandleNames() {
  static std::unordered_map<Handle, std::string> names;
  return names;
}

const std::string& NameOf(Handle h) {
  static const std::string kUnknown;
  auto found = HandleNames().find(h);
  return found == HandleNames().end() ? kUnknown : found->second;
}

// Runs a service; failed(result) tells a failure, which is then recorded.
template <typename Service, typename Failed>
auto Run(FileOp op, const std::string& name, Service service, Failed failed) {
  impl::ClearSystemError();
  auto result = service();
  if (failed(result)) NoteError(op, name, impl::SystemError());
  return result;
}

// The same for a service on an open handle; its file's name is looked up only
// when the service failed, not on every read and write.
template <typename Service, typename Failed>
auto RunOn(FileOp op, Handle h, Service service, Failed failed) {
  impl::ClearSystemError();
  auto result = service();
  if (failed(result)) NoteError(op, NameOf(h), impl::SystemError());
  return result;
}

bool False(bool ok) { return !ok; }

}  // namespace

Handle OpenFile(const std::string& name, OpenMode mode) {
  Handle h = Run(FileOp::kOpen, name, [&] { return impl::OpenFile(name, mode); },
                 [](Handle got) { return got == kNoHandle; });
  if (h != kNoHandle) HandleNames()[h] = name;
  return h;
}

std::int64_t ReadAt(Handle h, std::uint64_t offset, void* buffer, std::size_t n) {
  return RunOn(FileOp::kRead, h, [&] { return impl::ReadAt(h, offset, buffer, n); },
             [](std::int64_t got) { return got < 0; });
}

std::int64_t WriteAt(Handle h, std::uint64_t offset, const void* buffer, std::size_t n) {
  return RunOn(FileOp::kWrite, h, [&] { return impl::WriteAt(h, offset, buffer, n); },
             [n](std::int64_t put) { return put != static_cast<std::int64_t>(n); });
}

std::int64_t SizeOf(Handle h) {
  return RunOn(FileOp::kSize, h, [&] { return impl::SizeOf(h); }, [](std::int64_t got) { return got < 0; });
}

bool SyncFile(Handle h) { return RunOn(FileOp::kSync, h, [&] { return impl::SyncFile(h); }, False); }

bool TruncateFile(Handle h, std::uint64_t size) {
  return RunOn(FileOp::kWrite, h, [&] { return impl::TruncateFile(h, size); }, False);
}

bool CloseFile(Handle h) {
  bool ok = RunOn(FileOp::kClose, h, [&] { return impl::CloseFile(h); }, False);
  HandleNames().erase(h);
  return ok;
}

bool MakeWritable(const std::string& name) {
  return Run(FileOp::kAttributes, name, [&] { return impl::MakeWritable(name); }, False);
}

bool MakeReadOnly(const std::string& name) {
  return Run(FileOp::kAttributes, name, [&] { return impl::MakeReadOnly(name); }, False);
}

bool RemoveFile(const std::string& name) {
  return Run(FileOp::kDelete, name, [&] { return impl::RemoveFile(name); }, False);
}

bool RemoveAnyFile(const std::string& name) {
  return Run(FileOp::kDelete, name, [&] { return impl::RemoveAnyFile(name); }, False);
}

// A copy fails where its new file is written: the cause names that one.
bool CopyNoReplace(const std::string& from, const std::string& to) {
  return Run(FileOp::kCopy, to, [&] { return impl::CopyNoReplace(from, to); }, False);
}

bool LinkNoReplace(const std::string& from, const std::string& to) {
  return Run(FileOp::kCopy, to, [&] { return impl::LinkNoReplace(from, to); }, False);
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  return Run(FileOp::kRename, from, [&] { return impl::RenameNoReplace(from, to); }, False);
}

bool RenameReplace(const std::string& from, const std::string& to) {
  return Run(FileOp::kRename, from, [&] { return impl::RenameReplace(from, to); }, False);
}

bool MakeFolder(const std::string& name) {
  return Run(FileOp::kMakeFolder, name, [&] { return impl::MakeFolder(name); }, False);
}

bool RemoveFolder(const std::string& name) {
  return Run(FileOp::kRemoveFolder, name, [&] { return impl::RemoveFolder(name); }, False);
}

bool SyncFolder(const std::string& name) {
  return Run(FileOp::kSync, name, [&] { return impl::SyncFolder(name); }, False);
}

std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern) {
  // A listing that may not go ahead is that of a folder that cannot be read:
  // nothing in it is taken for missing, and changes stop.
  if (!FileOpAllowed(FileOp::kList)) {
    NoteError(FileOp::kList, folder, {});
    Refuse(folder.empty() ? "." : folder, Refusal::kUnreadable);
    return {};
  }
  return impl::FindFiles(folder, pattern);
}

}  // namespace plat
