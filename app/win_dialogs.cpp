#include "app/win_dialogs.hpp"

#include "app/dialog_proc.hpp"

namespace app::win {
namespace {

plat::win32::WindowDialog* DialogOf(HWND window) {
  return reinterpret_cast<plat::win32::WindowDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
}

// WM_INITDIALOG and WM_COMMAND go to the portable procedure: TRUE for what it
// handles, FALSE otherwise. The creation parameter is the dialog object.
INT_PTR PortableDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* dialog = reinterpret_cast<plat::win32::WindowDialog*>(lparam);
      ::SetWindowLongPtrW(window, DWLP_USER, lparam);
      dialog->Attach(window);
      return DialogProc(dialog, DialogMessage::kInitDialog) ? TRUE : FALSE;
    }
    case WM_COMMAND:
      if (auto* dialog = DialogOf(window))
        return DialogProc(dialog, DialogMessage::kCommand, static_cast<unsigned>(wparam)) ? TRUE : FALSE;
      return FALSE;
    default:
      return FALSE;
  }
}

void AddMaintenanceMenu(HWND window) {
  HMENU menu = ::GetSystemMenu(window, FALSE);
  if (!menu) return;
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, kMenuExportImport, L"&Exportar / importar clientes...");
  ::AppendMenuW(menu, MF_STRING, kMenuRegroup, L"&Alterar grupo de clientes...");
  ::AppendMenuW(menu, MF_STRING, kMenuDelinquency, L"&Inadimplência (Veltoral)...");
}

}  // namespace

INT_PTR RunDialog(HWND owner, const wchar_t* name, DLGPROC procedure) {
  plat::win32::WindowDialog dialog;
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), name, owner, procedure, reinterpret_cast<LPARAM>(&dialog));
}

INT_PTR CALLBACK ConversionDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) AddMaintenanceMenu(window);
  if (message == WM_SYSCOMMAND) {
    switch (wparam & 0xFFF0) {
      case kMenuExportImport:
        RunDialog(window, L"BOXEXPIMP", MaintenanceDialogProc);
        return TRUE;
      case kMenuRegroup:
        RunDialog(window, L"BOXGROUP", MaintenanceDialogProc);
        return TRUE;
      case kMenuDelinquency:
        RunDialog(window, L"BOX104B", MaintenanceDialogProc);
        return TRUE;
      default:
        return FALSE;  // the system's own commands
    }
  }
  return PortableDialogProc(window, message, wparam, lparam);
}

INT_PTR CALLBACK MaintenanceDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return PortableDialogProc(window, message, wparam, lparam);
}

}  // namespace app::win
