#include "app/dialog_proc.hpp"

#include "convert/conversion.hpp"
#include "maintenance/maintenance.hpp"
#include "recfile/dialog.hpp"

namespace app {
namespace {

void InitDialog(plat::Dialog* dialog) {
  SetDialogFont(dialog);
  // The dialog reads "Lanvo 3.03", the title of its owner, not the template's caption.
  dialog->SetCaption(dialog->OwnerTitle().substr(0, 99));
  for (int id : {100, 110, 111})
    if (dialog->HasItem(id)) dialog->LimitItemText(id, 3);
  dialog->SetItemText(kItemFolder, plat::CurrentFolder().substr(0, 99));
}

}  // namespace

bool DialogProc(plat::Dialog* dialog, DialogMessage message, unsigned command) {
  if (message == DialogMessage::kInitDialog) {
    InitDialog(dialog);
    return true;
  }
  unsigned id = command & 0xFFFF;
  unsigned notification = command >> 16;
  switch (id) {
    case kItemClose:
      dialog->End(0);
      return true;
    case kItemNewGroup:
      if (notification == kNotifyKillFocus) SetDlgCode(dialog, kItemNewGroup, 3);
      return true;
    case kItemConvert:
      RunConversion(dialog);
      return true;
    case kItemExport:
      ExportImportClients(dialog, 0);
      return true;
    case kItemImport:
      ExportImportClients(dialog, 1);
      return true;
    case kItemRegroup:
      ChangeClientGroup(dialog);
      return true;
    case kItemDelinquency:
      UpdateDelinquency(dialog);
      return true;
    case kItemEnter:
      // Enter moves to the next field instead of pressing a button.
      dialog->NextTabStop();
      return true;
    default:
      return false;
  }
}

}  // namespace app
