#include "recfile/guarded_open.hpp"

#include <limits>
#include <string>

#include "platform/platform.hpp"
#include "recfile/text.hpp"

namespace {

// About a second in all: 21 attempts with 20 waits between them.
constexpr int kBusyAttempts = 21;
constexpr int kBusyWaitMs = 50;

constexpr char kCaption[] = "FOpen2";
constexpr char kCheckFailed[] = "Erro ao conferir posições dos registros.";
constexpr char kPositionFailed[] = "Erro ao posicionar arquivo.";
constexpr char kMissing[] = "Arquivo inexistente.";
constexpr char kOpenFailed[] =
    "Erro ao abrir o arquivo.\n"
    "O compartilhamento de arquivos no servidor precisa ter permissão para gravação.";

// The first byte of record index, or -1 when no file can hold it (a negative
// index, or one whose position does not fit in 64 bits).
std::int64_t RecordStart(std::int64_t index, int length) {
  if (index < 0 || length < 0) return -1;
  if (length > 0 && index > std::numeric_limits<std::int64_t>::max() / length) return -1;
  return index * length;
}

StreamPtr Refuse(StreamPtr& stream, const char* text) {
  FCloseIf(stream);
  plat::ShowMessageBox(nullptr, text, kCaption, plat::kIconError);
  return nullptr;
}

std::string SizeText(std::int64_t size) {
  char buffer[32];
  return FormatNumber(static_cast<double>(size), 0, buffer);
}

// Files keep growing by whole records until a limit of the file system or of
// the share is near; the user is warned well before and stopped at the last.
bool SizeAccepted(const std::string& name) {
  std::int64_t size = plat::FileSize(name);  // -1 for a file not there yet
  if (size > kRecordFileRefusedAbove) {
    std::string text = "O arquivo ultrapassou o limite permitido (2 GB).\nTamanho: " +
                       SizeText(size) + " bytes";
    plat::ShowMessageBox(nullptr, text, kCaption, plat::kIconError);
    return false;
  }
  if (size > kRecordFileQuestionAbove) {
    std::string text = "O arquivo já possui mais de 512 MB.\nTamanho: " + SizeText(size) +
                       " bytes\n\nAvise o suporte técnico.\n\nDeseja continuar?";
    int answer = plat::ShowMessageBox(
        nullptr, text, kCaption, plat::kYesNo | plat::kIconQuestion | plat::kDefaultButton2);
    return answer == plat::kIdYes;
  }
  return true;
}

// The first deleted record that a new record may take, with the stream
// positioned at it. Null without a message when the file stays busy, cannot be
// opened or holds no such record; null with *refused set after a refusal.
StreamPtr TakeDeletedRecord(const std::string& name, int length, std::int64_t* index, int reuse,
                            bool* refused) {
  if (length <= 0 || FileBusy(name, kBusySilent) != 0) return nullptr;
  StreamPtr stream = FOpenUpdate(name);
  if (!stream) return nullptr;
  plat::Cursor cursor = plat::ShowWaitCursor();
  std::int64_t i = (reuse == kReuseFirstDeleted || *index <= 0) ? -1 : *index;
  // The scan ends where the last byte of a record cannot be read: at the end
  // of the file, or at a read error, which would never reach the end. The
  // last record that a 64-bit position can hold ends it too.
  const std::int64_t last = std::numeric_limits<std::int64_t>::max() / length - 1;
  while (!stream->AtEnd() && !stream->Failed() && i < last) {
    ++i;
    if (!FIsDeleted(stream.get(), i, length)) continue;
    plat::RestoreCursor(cursor);
    *index = i;
    if (FCheckPos(stream.get(), RecordStart(i, length))) return stream;
    *refused = true;
    return Refuse(stream, kPositionFailed);
  }
  FCloseIf(stream);
  plat::RestoreCursor(cursor);
  return nullptr;
}

StreamPtr AppendRecord(const std::string& name, int length, std::int64_t* index) {
  *index = -1;
  FileBusy(name, kBusyWaitOnly);
  StreamPtr stream = FOpenAppend(name);
  if (!stream) return Refuse(stream, kOpenFailed);
  if (!stream->SeekEnd() || stream->Tell() < 0) return Refuse(stream, kCheckFailed);
  std::int64_t size = stream->Tell();
  if (length <= 0) return stream;
  std::int64_t partial = size % length;
  if (partial == 0) {
    *index = size / length;
    return stream;
  }
  // An incomplete last record (an interrupted write) is completed with
  // spaces, so that the new record starts on a record boundary. The padding
  // goes to the file now: if it cannot, the caller's record would land inside
  // the broken one and shift every record after it.
  std::size_t padding = static_cast<std::size_t>(length - partial);
  if (stream->WriteSpaces(padding) != padding || !stream->Flush())
    return Refuse(stream, kCheckFailed);
  *index = size / length + 1;
  return stream;
}

StreamPtr RewriteRecord(const std::string& name, int length, std::int64_t index) {
  StreamPtr stream = FOpenUpdate(name);
  if (!stream) return Refuse(stream, plat::Exists(name) ? kOpenFailed : kMissing);
  if (FCheckPos(stream.get(), RecordStart(index, length))) return stream;
  return Refuse(stream, kPositionFailed);
}

}  // namespace

int FileBusy(const std::string& name, int kind) {
  plat::Cursor cursor = plat::ShowWaitCursor();
  bool busy = true;
  for (int attempt = 1;; ++attempt) {
    if (!plat::Exists(name) || plat::BusyTest(name) == 0) {
      busy = false;
      break;
    }
    if (attempt == kBusyAttempts) break;
    plat::SleepMs(kBusyWaitMs);
  }
  plat::RestoreCursor(cursor);
  if (!busy) return 0;
  if (kind == kBusyWithMessage)
    plat::ShowMessageBox(nullptr, "Sistema ocupado, tente novamente.", "FileBusy",
                         plat::kIconWarning);
  return kind == kBusyWaitOnly ? 0 : 1;
}

bool FCheckPos(Stream* stream, std::int64_t position) {
  if (!stream || !stream->SeekEnd()) return false;
  if (stream->Tell() <= position) return false;
  return stream->Seek(position);
}

StreamPtr FOpen2(const std::string& name, int record_length, std::int64_t* index, int mode,
                 int reuse) {
  if (mode != kNewRecord) return RewriteRecord(name, record_length, *index);
  if (reuse == kReuseFirstDeleted || reuse == kReuseDeletedAfterIndex) {
    bool refused = false;
    StreamPtr stream = TakeDeletedRecord(name, record_length, index, reuse, &refused);
    if (stream || refused) return stream;
  }
  if (!SizeAccepted(name)) return nullptr;
  return AppendRecord(name, record_length, index);
}
