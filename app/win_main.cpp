// The Windows program: an invisible main window of the class MyWin titled
// "Lanvo 3.03", the working folder, and the conversion dialog BOX104A, whose
// commands go to the same dialog procedure as the console's. The command line
// is not read.
//
// The dialogs themselves are in app/win_dialogs.cpp.
#include "app/win_dialogs.hpp"
#include "platform/win32/win32.hpp"

namespace {

constexpr wchar_t kClassName[] = L"MyWin";
constexpr wchar_t kTitle[] = L"Lanvo 3.03";
// The command that opens the conversion dialog, sent to the main window.
constexpr WPARAM kOpenDialog = 100;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      if (wparam == kOpenDialog) {
        app::win::RunDialog(window, L"BOX104A", app::win::ConversionDialogProc);
        ::DestroyWindow(window);
      }
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
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
