#include "ui/dialog_proc.hpp"

#include <string>

#include "convert/run.hpp"
#include "maintenance/append_guard.hpp"
#include "maintenance/change_group.hpp"
#include "maintenance/delinquency.hpp"
#include "maintenance/export_import.hpp"
#include "ui/dialog.hpp"
#include "recfile/journal.hpp"
#include "ui/progress.hpp"
#include "recfile/refusals.hpp"

namespace ui {

std::string FirstCharacters(const std::string& text, std::size_t n) {
  std::size_t end = 0;
  for (std::size_t count = 0; end < text.size() && count < n; ++count) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return text.substr(0, end);
}

namespace {

void InitDialog(plat::Dialog* dialog) {
  SetDialogFont(dialog);
  // The dialog reads "Lanvo 3.03", the title of its owner, not the template's caption.
  dialog->SetCaption(FirstCharacters(dialog->OwnerTitle(), 99));
  for (int id : {100, 110, 111})
    if (dialog->HasItem(id)) dialog->LimitItemText(id, 3);
  dialog->SetItemText(kItemFolder, FirstCharacters(plat::CurrentFolder(), 99));
}

// The maintenance commands work on the client file. An interrupted conversion
// may have left changes in its journal that replace that file: they are
// completed first, or the command would work on a file about to be replaced.
// A journal that this program did not write whole stops every command.
bool ReadyForMaintenance(plat::Dialog* dialog) {
  switch (rec::RecoverJournal()) {
    case rec::Recovery::kNone:
    case rec::Recovery::kCompleted:
      return true;
    case rec::Recovery::kDamaged:
      rec::ShowJournalDamaged(dialog);
      return false;
    case rec::Recovery::kFailed:
      break;
  }
  plat::ShowMessageBox(dialog,
                       "Uma conversão interrompida não pôde ser concluída.\n"
                       "Execute a conversão novamente antes de continuar.",
                       "Lanvo", plat::kIconError | plat::kOk);
  return false;
}

bool g_folder_busy = false;
bool g_command_running = false;

// Every command holds the lock of the data folder for its whole run: a second
// copy of the program (a second click, the console beside the dialog)
// changes nothing and says so. A maintenance command names at its end the
// entries refused on its way (the conversion does so before its closing
// message).
void RunCommand(plat::Dialog* dialog, void (*command)(plat::Dialog*), bool maintenance) {
  struct Running {
    Running() { g_command_running = true; }
    ~Running() { g_command_running = false; }
  } running;
  ui::CommandProgress progress(dialog);
  plat::ClearRefusals();
  g_folder_busy = plat::LockFolder() == plat::FolderLock::kBusy;
  if (g_folder_busy) {
    plat::ShowMessageBox(dialog, "Sistema ocupado, tente novamente.", "FileBusy", plat::kIconWarning | plat::kOk);
    return;
  }
  // An import killed half-way leaves the client file longer than it was:
  // cut back before any command reads it.
  if (!maint::RecoverInterruptedAppend()) {
    rec::ShowRefusals(dialog);
    plat::ShowMessageBox(dialog,
                         "Uma importação interrompida não pôde ser desfeita em F10R2.DAT.\n"
                         "Execute novamente. Se o erro persistir, consulte o suporte técnico.",
                         "Lanvo", plat::kIconError | plat::kOk);
    plat::UnlockFolder();
    return;
  }
  if (!maintenance) {
    command(dialog);
  } else {
    if (ReadyForMaintenance(dialog)) command(dialog);
    rec::ShowRefusals(dialog);
  }
  plat::UnlockFolder();
}

void RunMaintenance(plat::Dialog* dialog, void (*command)(plat::Dialog*)) { RunCommand(dialog, command, true); }

}  // namespace

bool FolderWasBusy() { return g_folder_busy; }

bool CommandRunning() { return g_command_running; }

bool DialogProc(plat::Dialog* dialog, DialogMessage message, unsigned command) {
  if (message == DialogMessage::kInitDialog) {
    InitDialog(dialog);
    return true;
  }
  // While a command runs the dialog takes its messages without the user's
  // input; a command that reaches it all the same (sent by another program)
  // would start a second run on top of the first, or end the program
  // half-way: it is not carried out, "&Fechar" included.
  if (g_command_running) return true;
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
      RunCommand(dialog, RunConversion, false);
      return true;
    case kItemExport:
      RunMaintenance(dialog, [](plat::Dialog* d) { ExportImportClients(d, 0); });
      return true;
    case kItemImport:
      RunMaintenance(dialog, [](plat::Dialog* d) { ExportImportClients(d, 1); });
      return true;
    case kItemRegroup:
      RunMaintenance(dialog, ChangeClientGroup);
      return true;
    case kItemDelinquency:
      RunMaintenance(dialog, UpdateDelinquency);
      return true;
    case kItemEnter:
      // Enter moves to the next field instead of pressing a button.
      dialog->NextTabStop();
      return true;
    default:
      return false;
  }
}

}  // namespace ui
