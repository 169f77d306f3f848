// The Windows program: an invisible main window of the class MyWin titled
// "Lanvo 3.03", the working folder, and the conversion dialog BOX104A, whose
// commands go to the same dialog procedure as the console's. The command line
// is not read.
//
// The maintenance commands (export and import of the clients of a group, the
// change of group, the delinquency update) have no control in BOX104A; its
// system menu opens a small dialog for each, which sends the command to the
// same procedure.
#include "app/dialog_proc.hpp"
#include "platform/win32/win32.hpp"

namespace {

constexpr wchar_t kClassName[] = L"MyWin";
constexpr wchar_t kTitle[] = L"Lanvo 3.03";
// The command that opens the conversion dialog, sent to the main window.
constexpr WPARAM kOpenDialog = 100;

// Items of the system menu of BOX104A. The system keeps the low four bits of
// a system command for itself, and its own commands begin at 0xF000.
enum : UINT {
  kMenuExportImport = 0x0100,
  kMenuRegroup = 0x0110,
  kMenuDelinquency = 0x0120,
};

HINSTANCE g_instance = nullptr;

INT_PTR CALLBACK MaintenanceDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK ConversionDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Runs a modal dialog from a template; its procedure finds the dialog object
// in the window's user data, set from the creation parameter.
INT_PTR RunDialog(HWND owner, const wchar_t* name, DLGPROC procedure) {
  plat::win32::WindowDialog dialog;
  return ::DialogBoxParamW(g_instance, name, owner, procedure, reinterpret_cast<LPARAM>(&dialog));
}

plat::win32::WindowDialog* DialogOf(HWND window) {
  return reinterpret_cast<plat::win32::WindowDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
}

// What every dialog of the program does: WM_INITDIALOG and WM_COMMAND go to
// the portable dialog procedure; TRUE for what it handles, FALSE otherwise.
INT_PTR CommonDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* dialog = reinterpret_cast<plat::win32::WindowDialog*>(lparam);
      ::SetWindowLongPtrW(window, DWLP_USER, lparam);
      dialog->Attach(window);
      return app::DialogProc(dialog, app::DialogMessage::kInitDialog) ? TRUE : FALSE;
    }
    case WM_COMMAND:
      if (auto* dialog = DialogOf(window))
        return app::DialogProc(dialog, app::DialogMessage::kCommand, static_cast<unsigned>(wparam)) ? TRUE : FALSE;
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK MaintenanceDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return CommonDialogProc(window, message, wparam, lparam);
}

void AddMaintenanceMenu(HWND window) {
  HMENU menu = ::GetSystemMenu(window, FALSE);
  if (!menu) return;
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, kMenuExportImport, L"&Exportar / importar clientes...");
  ::AppendMenuW(menu, MF_STRING, kMenuRegroup, L"&Alterar grupo de clientes...");
  ::AppendMenuW(menu, MF_STRING, kMenuDelinquency, L"&Inadimplência (Veltoral)...");
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
        return FALSE;
    }
  }
  return CommonDialogProc(window, message, wparam, lparam);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      if (wparam == kOpenDialog) {
        RunDialog(window, L"BOX104A", ConversionDialogProc);
        ::DestroyWindow(window);
      }
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  g_instance = instance;
  // An empty diskette drive answers the free-space query with a failure
  // instead of a box of the system asking for a disk.
  ::SetErrorMode(SEM_FAILCRITICALERRORS);

  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.style = 0;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = kClassName;
  if (!::RegisterClassExW(&window_class)) return 0;

  HWND main = ::CreateWindowExW(0, kClassName, kTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, nullptr,
                                nullptr, instance, nullptr);
  // Without its window nothing would ever end the message loop.
  if (!main) return 0;
  ::ShowWindow(main, show);
  ::UpdateWindow(main);

  plat::win32::SettleWorkingFolder();

  // The dialog runs inside this call; when it returns, the main window is gone
  // and the quit message waits in the queue.
  ::SendMessageW(main, WM_COMMAND, kOpenDialog, 0);

  MSG message = {};
  BOOL got;
  while ((got = ::GetMessageW(&message, nullptr, 0, 0)) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  // The quit message carries the exit code; a broken loop (-1) has none.
  return got == 0 ? static_cast<int>(message.wParam) : 0;
}
