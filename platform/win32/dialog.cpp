// plat::Dialog over a real dialog window.
#include <algorithm>

#include "platform/win32/win32.hpp"

namespace plat::win32 {

std::string WindowText(HWND window, int max_characters) {
  int n = ::GetWindowTextLengthW(window);
  if (n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  n = ::GetWindowTextW(window, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(std::max(0, std::min(n, max_characters))));
  return Utf8(text);
}

HWND OwnerWindow(Dialog* dialog) {
  if (auto* window_dialog = dynamic_cast<WindowDialog*>(dialog))
    if (window_dialog->window()) return window_dialog->window();
  return ::GetActiveWindow();
}

std::string WindowDialog::ItemText(int id) {
  HWND item = ::GetDlgItem(window_, id);
  return item ? WindowText(item) : std::string();
}

void WindowDialog::SetItemText(int id, std::string_view text) {
  if (HWND item = ::GetDlgItem(window_, id)) ::SetWindowTextW(item, Wide(text).c_str());
}

bool WindowDialog::HasItem(int id) { return ::GetDlgItem(window_, id) != nullptr; }

void WindowDialog::LimitItemText(int id, int characters) {
  if (HWND item = ::GetDlgItem(window_, id)) ::SendMessageW(item, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

void WindowDialog::SetItemFont(int id) {
  if (HWND item = ::GetDlgItem(window_, id))
    ::SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(ANSI_VAR_FONT)), FALSE);
}

std::string WindowDialog::OwnerTitle() {
  HWND owner = ::GetWindow(window_, GW_OWNER);
  return owner ? WindowText(owner, 99) : std::string();
}

void WindowDialog::SetCaption(std::string_view text) { ::SetWindowTextW(window_, Wide(text).c_str()); }

void WindowDialog::End(int result) { ::EndDialog(window_, result); }

void WindowDialog::NextTabStop() { ::PostMessageW(window_, WM_NEXTDLGCTL, 0, 0); }

void WindowDialog::Repaint() {
  // Painted now, items included, with what they say at this moment: the step
  // that begins shows at once, not when the command next hands the dialog
  // its messages.
  ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

namespace {

// The user's keys and clicks, on the items and on the frame (caption, close
// box, system menu): what would start a command, or end the program, if the
// dialog took it in the middle of one.
bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
         (message >= WM_NCMOUSEHOVER && message <= WM_MOUSELEAVE) ||
         (message >= WM_TOUCH && message <= WM_POINTERHWHEEL) || message == WM_INPUT;
}

}  // namespace

void WindowDialog::KeepAlive() {
  // Taking messages now is what tells the system that the program lives;
  // messages sent by other threads and programs (WM_NULL, WM_GETTEXT) are
  // answered inside PeekMessage. The paint of the items that changed, the
  // timers of the controls go on; the user's input goes. A bound on the count
  // keeps a window that asks to be painted again and again from holding the
  // command up.
  MSG message;
  for (int taken = 0; taken < 200 && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++taken) {
    if (message.message == WM_QUIT) {
      // For the loop that ends the program, once the command is over.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (IsUserInput(message.message)) continue;
    ::DispatchMessageW(&message);
  }
}

}  // namespace plat::win32
