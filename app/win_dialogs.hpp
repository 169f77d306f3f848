// The dialogs of the Windows program: the conversion dialog BOX104A and the
// small dialogs of the maintenance commands that its system menu opens. Each
// passes WM_INITDIALOG and WM_COMMAND to the portable dialog procedure.
#pragma once

#include "platform/win32/win32.hpp"

namespace app::win {

// Items that the conversion dialog adds to its system menu. The system keeps
// the low four bits of a system command for itself, and its own commands
// begin at 0xF000.
enum : UINT {
  kMenuExportImport = 0x0100,  // BOXEXPIMP: commands 310 and 311
  kMenuRegroup = 0x0110,       // BOXGROUP: command 312
  kMenuDelinquency = 0x0120,   // BOX104B: command 313
};

// Runs a dialog of the program's resources, modal, owned by owner; the dialog
// object lives as long as the dialog, in the window's user data.
INT_PTR RunDialog(HWND owner, const wchar_t* name, DLGPROC procedure);

// The procedure of BOX104A: the portable procedure, and the system menu.
INT_PTR CALLBACK ConversionDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The procedure of the maintenance dialogs: the portable procedure alone.
INT_PTR CALLBACK MaintenanceDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace app::win
