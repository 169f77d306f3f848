#include "app/win_dialogs.hpp"

#include "ui/dialog_proc.hpp"
#include "ui/dialog.hpp"

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
      return ui::DialogProc(dialog, ui::DialogMessage::kInitDialog) ? TRUE : FALSE;
    }
    case WM_COMMAND:
      if (auto* dialog = DialogOf(window))
        return ui::DialogProc(dialog, ui::DialogMessage::kCommand, static_cast<unsigned>(wparam)) ? TRUE : FALSE;
      return FALSE;
    case WM_SETCURSOR:
      // While a command runs the dialog takes messages, the mouse's too: the
      // wait cursor stays over it, the items included, unless a message box
      // of the command waits for the user.
      if (!ui::CommandRunning() || !::IsWindowEnabled(window)) return FALSE;
      ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
      ::SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
      return TRUE;
    default:
      return FALSE;
  }
}

// The Enter key presses the invisible default button 500 of the program's
// dialogs, which moves the focus as the Tab key does; it never presses the
// button that has the focus. The dialog manager would: it makes a push button
// that takes the focus the default one, so that Enter after a Tab onto
// "&Converter Versões" would start the conversion, and on "&Fechar" end the
// program. Message boxes, which have no item 500, keep their own Enter.
HHOOK g_enter_hook = nullptr;

LRESULT CALLBACK EnterMovesTheFocus(int code, WPARAM wparam, LPARAM lparam) {
  const MSG* message = reinterpret_cast<const MSG*>(lparam);
  if (code == MSGF_DIALOGBOX && message->message == WM_KEYDOWN && message->wParam == VK_RETURN) {
    HWND dialog = ::GetAncestor(message->hwnd, GA_ROOT);
    HWND enter = dialog && DialogOf(dialog) ? ::GetDlgItem(dialog, kItemEnter) : nullptr;
    if (enter) {
      ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kItemEnter, BN_CLICKED), reinterpret_cast<LPARAM>(enter));
      return TRUE;  // taken: the dialog manager does not see this key
    }
  }
  return ::CallNextHookEx(g_enter_hook, code, wparam, lparam);
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
  // One hook for the dialogs of this thread, the outermost dialog's.
  const bool outermost = g_enter_hook == nullptr;
  if (outermost) g_enter_hook = ::SetWindowsHookExW(WH_MSGFILTER, EnterMovesTheFocus, nullptr, ::GetCurrentThreadId());
  INT_PTR result =
      ::DialogBoxParamW(::GetModuleHandleW(nullptr), name, owner, procedure, reinterpret_cast<LPARAM>(&dialog));
  if (outermost && g_enter_hook) {
    ::UnhookWindowsHookEx(g_enter_hook);
    g_enter_hook = nullptr;
  }
  return result;
}

INT_PTR CALLBACK ConversionDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) AddMaintenanceMenu(window);
  if (message == WM_SYSCOMMAND) {
    // A command of the menu in the middle of another is not carried out, as
    // DialogProc carries out none.
    if (ui::CommandRunning() && (wparam & 0xFFF0) < SC_SIZE) return TRUE;
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
