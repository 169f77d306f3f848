// The user interface of the Win32 platform layer: message boxes and the wait
// cursor.
#include "platform/platform.hpp"
#include "platform/win32/win32.hpp"

namespace plat {

int ShowMessageBox(Dialog* owner, std::string_view text, std::string_view caption, unsigned flags) {
  if (TestHooks().message_box) return TestHooks().message_box(owner, text, caption, flags);
  int answer = ::MessageBoxW(win32::OwnerWindow(owner), win32::Wide(text).c_str(), win32::Wide(caption).c_str(),
                             flags);
  // A box that could not be shown (no desktop) is an answer of No to a
  // question: nothing is done that the user did not agree to.
  if (answer == 0) return (flags & 0xF) == kYesNo ? kIdNo : kIdOk;
  return answer;
}

Cursor ShowWaitCursor() {
  return reinterpret_cast<Cursor>(::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT))));
}

void RestoreCursor(Cursor previous) { ::SetCursor(reinterpret_cast<HCURSOR>(previous)); }

}  // namespace plat
