#include "recfile/recfile.hpp"

#include <cstdio>
#include <cstring>

StreamPtr FOpenRead(const std::string& name) { return OpenToRead(name); }

StreamPtr FOpenUpdate(const std::string& name) {
  FMakeWritable(name);
  return OpenToUpdate(name);
}

StreamPtr FOpenAppend(const std::string& name) {
  FMakeWritable(name);
  return OpenToAppend(name);
}

StreamPtr OpenToRead(const std::string& name) { return Stream::Open(name, plat::OpenMode::kRead); }
StreamPtr OpenToUpdate(const std::string& name) { return Stream::Open(name, plat::OpenMode::kUpdate); }
StreamPtr OpenToAppend(const std::string& name) { return Stream::Open(name, plat::OpenMode::kAppend); }
StreamPtr OpenToCreate(const std::string& name) { return Stream::Open(name, plat::OpenMode::kCreate); }
StreamPtr OpenToCreateNew(const std::string& name) { return Stream::Open(name, plat::OpenMode::kCreateNew); }

bool FCloseIf(StreamPtr& stream) {
  if (!stream) return true;
  bool ok = stream->Close();
  stream.reset();
  return ok;
}

void FMakeWritable(const std::string& name) {
  if (plat::IsReadOnly(name)) plat::MakeWritable(name);
}

char* FReadField(Stream* stream, char* buffer, int width) {
  if (!stream) return nullptr;
  return stream->ReadLine(buffer, width + 1);
}

bool FIsDeleted(Stream* stream, std::int64_t index, int length) {
  if (!stream || length <= 0) return false;
  if (!stream->Seek(index * length + length - 1)) return false;
  return stream->GetChar() == '+';
}

char* TempFileName(char* buffer) {
  plat::LocalTime t = plat::Now();
  char number[32];
  std::snprintf(number, sizeof number, "%02d%02d%02d%03d", t.hour, t.minute, t.second,
                t.millisecond / 10);
  std::memcpy(buffer, number, 9);
  std::memcpy(buffer + 9, ".tmp", 5);
  return buffer;
}

int FDelete(const std::string& name) {
  // No attribute is changed first where the system does not need it: the
  // change would also reach a file with another name.
  return plat::RemoveAnyFile(name) ? 0 : -1;
}

bool KeepBackup(const std::string& source, const std::string& backup) {
  return plat::Exists(backup) || plat::CopyNoReplace(source, backup);
}
