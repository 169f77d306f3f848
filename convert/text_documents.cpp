// The text documents of step 3: the variable-length records of F90.DAT (an
// 11-character key, a 5-character length N, N characters of text) become the
// 500-character records of F40.DAT. Only keys that begin with '1' are
// documents; texts are kept up to 300 characters.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "convert/text_documents.hpp"
#include "recfile/backup.hpp"
#include "recfile/journal.hpp"
#include "recfile/new_file.hpp"
#include "ui/progress.hpp"
#include "recfile/record_io.hpp"
#include "recfile/recfile.hpp"
#include "recfile/text.hpp"

namespace convert {
namespace {

using namespace texts;

constexpr char kOldTexts[] = "F90.DAT";
constexpr char kOldTextsBackup[] = "F90.TMP";
constexpr char kTexts[] = "F40.DAT";

// True when the length field holds a number as the standard conversion reads
// it: blanks, an optional sign, then at least one digit.
bool IsNumber(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) ++i;
  return i < field.size() && std::isdigit(static_cast<unsigned char>(field[i]));
}

enum class Reading { kComplete, kStoppedAtBadLength };

// Copies every document of F90.DAT into F40.DAT. A length that is negative
// or not a number cannot say where the next record starts: the reading stops
// there, and the caller keeps a copy of F90.DAT for the documents after it.
Reading CopyDocuments(rec::Stream& old_texts, rec::Stream& texts) {
  std::string key(kKeyWidth, ' '), length_field(kLengthWidth, ' '), text;
  for (std::int64_t position = 0;; ) {
    if (!old_texts.Seek(position)) return Reading::kComplete;
    std::size_t got = old_texts.Read(key.data(), kKeyWidth);
    if (got == 0) return Reading::kComplete;
    std::size_t got_length = got == key.size() ? old_texts.Read(length_field.data(), kLengthWidth) : 0;
    std::string_view field(length_field.data(), got_length);
    long n = TextToInt(std::string(field).c_str());
    if (!IsNumber(field) || n < 0) return Reading::kStoppedAtBadLength;
    int used = static_cast<int>(std::min<long>(n, kTextLimit));
    if (key[0] == '1') {
      // The whole text is taken, line feeds and all: a document of several
      // lines keeps every line.
      text.resize(static_cast<std::size_t>(used));
      text.resize(old_texts.Read(text.data(), text.size()));
      if (used == 0 || !text.empty()) texts.Write(TextDocumentRecord(key, used, text));
    }
    position += kHeaderLength + n;  // a text longer than 300 is passed over whole
  }
}

}  // namespace

std::string TextDocumentRecord(std::string_view key, int length, std::string_view text) {
  char number[16];
  std::string record;
  rec::AppendField(record, "100", 3);
  rec::AppendField(record, "", 10);
  rec::AppendField(record, "110", 3);
  rec::AppendField(record, key.substr(std::min<std::size_t>(1, key.size())), 10);
  std::snprintf(number, sizeof number, "%d", length);
  rec::AppendField(record, number, 6);
  rec::AppendField(record, number, 4);
  rec::AppendField(record, "0", 3);
  rec::AppendField(record, "1", 1);
  rec::AppendField(record, text, kRecordLength - 40);
  return record;
}

void ConvertTextDocuments() {
  if (plat::Exists(kTexts)) return;
  rec::NewFile texts(kTexts, rec::NewFile::Placing::kJournal);
  if (!texts.stream()) return;
  rec::FileChanges changes;
  changes.Create(kTexts);  // made also when there is nothing to convert
  StreamPtr old_texts = FOpenRead(kOldTexts);
  // An F90.DAT that is there but cannot be read would never be converted once
  // F40.DAT exists: the conversion waits for a later run.
  if (!old_texts && plat::Exists(kOldTexts)) {
    rec::NoteFailure();
    return;
  }
  if (old_texts) {
    Reading reading;
    {
      ui::StepReading step_reading(*old_texts);
      reading = CopyDocuments(*old_texts, *texts.stream());
    }
    bool read = !old_texts->Failed();
    FCloseIf(old_texts);
    if (!read) return;
    // F90.DAT goes once its documents are in F40.DAT, and those that could
    // not be read in its backup.
    if (reading == Reading::kStoppedAtBadLength) {
      std::string backup = rec::BackupName(kOldTexts, kOldTextsBackup);
      if (backup.empty()) return;
      changes.CopyUnlessExists(kOldTexts, backup);
    }
    changes.Delete(kOldTexts);
  }
  if (!texts.Finish()) return;
  rec::ApplyChanges(changes, {&texts});
}

}  // namespace convert
