// Command 312: every client whose group code is the old group of item 110
// gets the new group of item 111, in place. Deleted records are treated like
// live ones; nothing but the group field changes.
#include <cstdint>
#include <cstdio>
#include <string>

#include "maintenance/client_file.hpp"
#include "maintenance/maintenance.hpp"
#include "recfile/dialog.hpp"
#include "recfile/recfile.hpp"
#include "recfile/text.hpp"

namespace {

using maint::kClientLength;
using maint::kGroupAt;
using maint::kGroupWidth;

// Changes are written through the stream's buffer; they count once a flush
// has put them in the file. Flushing every so many changes keeps the count
// exact to that many when a write fails, without a system call per record.
constexpr long kChangesPerFlush = 256;

class WrittenCount {
 public:
  explicit WrittenCount(Stream& stream) : stream_(stream) {}
  void Add() {
    if (++pending_ == kChangesPerFlush) Confirm(stream_.Flush());
  }
  // After the stream closed: whether its last changes reached the file.
  void Finish(bool closed) { Confirm(closed); }
  long value() const { return written_; }

 private:
  void Confirm(bool flushed) {
    if (flushed) written_ += pending_;
    pending_ = 0;
  }
  Stream& stream_;
  long written_ = 0;
  long pending_ = 0;
};

}  // namespace

void ChangeClientGroup(plat::Dialog* dialog) {
  // The open for update does not clear the read-only attribute: a read-only
  // client file is refused.
  StreamPtr clients = OpenToUpdate(maint::kClientFile);
  if (!clients) {
    plat::ShowMessageBox(dialog, "Erro ao abrir o arquivo de clientes.", "Lanvo", plat::kOk | plat::kIconError);
    return;
  }
  plat::Cursor previous = plat::ShowWaitCursor();
  // The old group is compared as the records hold it: "1" matches "1  ", not "001".
  char old_group[kGroupWidth + 1] = {};
  std::string typed = Utf8ToCp1252(dialog->ItemText(kItemOldGroup), kGroupWidth);
  typed.copy(old_group, kGroupWidth);
  PadRight(old_group, kGroupWidth);
  std::string new_group = Utf8ToCp1252(dialog->ItemText(kItemNewGroup), kGroupWidth);

  WrittenCount changed(*clients);
  char field[kGroupWidth + 1];
  for (std::int64_t n = 0;; ++n) {
    std::int64_t at = n * kClientLength + kGroupAt;
    if (!clients->Seek(at) || !clients->ReadLine(field, kGroupWidth + 1)) break;
    if (!maint::SameCodeIgnoringCase(field, old_group, kGroupWidth)) continue;
    if (clients->Seek(at) && clients->WriteField(new_group, kGroupWidth) == kGroupWidth) changed.Add();
  }
  // False also when the walk ended on a read that failed: the clients after
  // it kept their group, and the user must know.
  bool closed = FCloseIf(clients);
  changed.Finish(closed);
  plat::RestoreCursor(previous);

  if (!closed)
    plat::ShowMessageBox(dialog, "Erro ao atualizar o arquivo de clientes.", "Lanvo",
                         plat::kOk | plat::kIconError);
  char text[96];
  std::snprintf(text, sizeof text, "O grupo foi alterado em %d clientes.", static_cast<int>(changed.value()));
  plat::ShowMessageBox(dialog, text, "Alterar Grupo", plat::kOk | plat::kIconInformation);
}
