// The eyes of the end-to-end test of lanvo303.exe: lists the visible
// top-level windows of the desktop and their items, with the screen position
// of each, so that a script can read what the program shows and point the
// mouse at it. Tab-separated UTF-8 lines:
//   W  window  class  title  left  top  right  bottom
//   I  window  id  class  text  x  y          (x, y: the centre of the item)
// Line ends inside texts are written as \n.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "platform/win32/win32.hpp"

namespace {

using plat::win32::Utf8;
using plat::win32::WindowText;

// The text of an item of another process: GetWindowText gives only what the
// system keeps for the window (right for captions and statics, empty for an
// edit field), so the item itself is asked.
std::string ItemText(HWND item) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(item, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return WindowText(item);
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  ::SendMessageTimeoutW(item, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                        &got);
  text.resize(got);
  return Utf8(text);
}

std::string ClassOf(HWND window) {
  wchar_t name[128] = {};
  ::GetClassNameW(window, name, 128);
  return Utf8(name);
}

std::string Escaped(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') continue;
    else if (c == '\t') out += ' ';
    else out += c;
  }
  return out;
}

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

BOOL CALLBACK ListItem(HWND item, LPARAM parent) {
  if (::GetParent(item) != reinterpret_cast<HWND>(parent)) return TRUE;  // grandchildren
  RECT r;
  ::GetWindowRect(item, &r);
  char where[64];
  std::snprintf(where, sizeof where, "%ld\t%ld", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  char handle[32];
  std::snprintf(handle, sizeof handle, "%p", reinterpret_cast<void*>(parent));
  Print("I\t" + std::string(handle) + "\t" + std::to_string(::GetDlgCtrlID(item)) + "\t" + ClassOf(item) + "\t" +
        Escaped(ItemText(item)) + "\t" + where);
  return TRUE;
}

BOOL CALLBACK ListWindow(HWND window, LPARAM) {
  if (!::IsWindowVisible(window)) return TRUE;
  RECT r;
  ::GetWindowRect(window, &r);
  char line[128];
  std::snprintf(line, sizeof line, "%p", reinterpret_cast<void*>(window));
  char rect[96];
  std::snprintf(rect, sizeof rect, "%ld\t%ld\t%ld\t%ld", r.left, r.top, r.right, r.bottom);
  Print("W\t" + std::string(line) + "\t" + ClassOf(window) + "\t" + Escaped(WindowText(window)) + "\t" + rect);
  ::EnumChildWindows(window, ListItem, reinterpret_cast<LPARAM>(window));
  return TRUE;
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone
  ::EnumWindows(ListWindow, 0);
  std::fflush(stdout);
  return 0;
}
