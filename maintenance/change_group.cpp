// Command 312: every client whose group code is the old group of item 110
// gets the new group of item 111, in place. Deleted records are treated like
// live ones; nothing but the group field changes, and only where it differs
// from the new group (see maintenance/field_pass.hpp).
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "maintenance/client_file.hpp"
#include "maintenance/field_pass.hpp"
#include "maintenance/maintenance.hpp"
#include "recfile/dialog.hpp"
#include "recfile/recfile.hpp"
#include "recfile/text.hpp"

namespace {

using maint::kClientLength;
using maint::kGroupAt;
using maint::kGroupWidth;

// The records of one block whose group is the old group get the new one.
// Returns how many of them hold the new group already: they need no write
// and count as changed. A record cut short before the end of its group is
// compared as the line read takes it, so it never matches a whole group.
long ChangeBlock(maint::FieldPass& pass, std::string_view block, const char* old_group,
                 std::string_view new_group) {
  long unchanged = 0;
  char field[kGroupWidth + 1];
  for (std::size_t start = 0; start < block.size(); start += kClientLength) {
    std::string_view record = block.substr(start, kClientLength);
    if (!maint::FieldAt(record, kGroupAt, field, kGroupWidth)) break;
    if (!maint::SameCodeIgnoringCase(field, old_group, kGroupWidth)) continue;
    std::string_view was = record.substr(kGroupAt, kGroupWidth);
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
  StreamPtr clients = OpenToUpdate(maint::kClientFile);
  if (!clients) {
    plat::ShowMessageBox(dialog, rec::WithFailureCause("Erro ao abrir o arquivo de clientes."), "Lanvo",
                         plat::kOk | plat::kIconError);
    return;
  }
  plat::Cursor previous = plat::ShowWaitCursor();
  // The old group is compared as the records hold it: "1" matches "1  ", not "001".
  char old_group[kGroupWidth + 1] = {};
  std::string typed = Utf8ToCp1252(dialog->ItemText(kItemOldGroup), kGroupWidth);
  typed.copy(old_group, kGroupWidth);
  PadRight(old_group, kGroupWidth);
  std::string new_group = Utf8ToCp1252(dialog->ItemText(kItemNewGroup), kGroupWidth);
  // Written as "%-3s" writes it: padded with spaces to the field.
  new_group.resize(kGroupWidth, ' ');

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
