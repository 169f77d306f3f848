// Command 312: every client whose group code is the old group of item 110
// gets the new group of item 111, in place. Deleted records are treated like
// live ones; nothing but the group field changes, and only where it differs
// from the new group (see maintenance/field_pass.hpp).
#include "maintenance/change_group.hpp"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "maintenance/client_file.hpp"
#include "maintenance/field_pass.hpp"
#include "recfile/client_record.hpp"
#include "ui/dialog.hpp"
#include "recfile/record_io.hpp"
#include "recfile/recfile.hpp"
#include "recfile/text.hpp"

namespace {

// Only the group code is compared and written, not the spaces behind it.
using client::kGroupAt;
using client::kGroupCodeWidth;

// The records of one block whose group is the old group get the new one.
// Returns how many of them hold the new group already: they need no write
// and count as changed. A record cut short before the end of its group is
// compared as the line read takes it, so it never matches a whole group.
long ChangeBlock(maint::FieldPass& pass, std::string_view block, const char* old_group,
                 std::string_view new_group) {
  long unchanged = 0;
  char field[kGroupCodeWidth + 1];
  for (std::size_t start = 0; start < block.size(); start += client::kLength) {
    std::string_view record = block.substr(start, client::kLength);
    if (!rec::FieldAsText(record, kGroupAt, field, kGroupCodeWidth)) break;
    if (!maint::SameCodeIgnoringCase(field, old_group, kGroupCodeWidth)) continue;
    std::string_view was = record.substr(kGroupAt, kGroupCodeWidth);
    if (was == new_group)
      ++unchanged;
    else
      pass.Change(pass.block_start() + static_cast<std::int64_t>(start) + kGroupAt, was, new_group);
  }
  return unchanged;
}

}  // namespace

void ChangeClientGroup(plat::Dialog* dialog) {
  // The open for update does not clear the read-only attribute: a read-only
  // client file is refused.
  rec::ForgetFailureCause();
  StreamPtr clients = OpenToUpdate(client::kFile);
  if (!clients) {
    plat::ShowMessageBox(dialog, rec::WithFailureCause("Erro ao abrir o arquivo de clientes."), "Lanvo",
                         plat::kOk | plat::kIconError);
    return;
  }
  plat::Cursor previous = plat::ShowWaitCursor();
  // The old group is compared as the records hold it: "1" matches "1  ", not "001".
  char old_group[kGroupCodeWidth + 1] = {};
  std::string typed = Utf8ToCp1252(dialog->ItemText(kItemOldGroup), kGroupCodeWidth);
  typed.copy(old_group, kGroupCodeWidth);
  PadRight(old_group, kGroupCodeWidth);
  std::string new_group = Utf8ToCp1252(dialog->ItemText(kItemNewGroup), kGroupCodeWidth);
  // Written as "%-3s" writes it: padded with spaces to the field.
  new_group.resize(kGroupCodeWidth, ' ');

  // Only the groups that differ from the new one are written; a change
  // counts once its write reached the file.
  maint::FieldPass pass(*clients);
  long unchanged = 0;
  for (std::string_view block; !(block = pass.NextBlock()).empty();)
    unchanged += ChangeBlock(pass, block, old_group, new_group);
  maint::PassEnd end = pass.Finish();
  bool closed = FCloseIf(clients);
  plat::RestoreCursor(previous);

  // A walk that ended on a failed read or write leaves the clients after it
  // with their group, and the user must know; one that found the file of
  // another size stops there and claims nothing.
  if (end != maint::PassEnd::kDone || !closed)
    plat::ShowMessageBox(dialog, rec::WithFailureCause("Erro ao atualizar o arquivo de clientes."), "Lanvo",
                         plat::kOk | plat::kIconError);
  if (end == maint::PassEnd::kSizeChanged) return;
  char text[96];
  std::snprintf(text, sizeof text, "O grupo foi alterado em %d clientes.",
                static_cast<int>(unchanged + pass.written()));
  plat::ShowMessageBox(dialog, text, "Alterar Grupo", plat::kOk | plat::kIconInformation);
}
