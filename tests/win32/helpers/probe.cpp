// The eyes of the end-to-end test of lanvo303.exe: lists the visible
// top-level windows of the desktop and their items, with the screen position
// of each, so that a script can read what the program shows and point the
// mouse at it. Tab-separated UTF-8 lines:
//   W  window  class  title  left  top  right  bottom
//   I  window  id  class  text  x  y          (x, y: the centre of the item)
// Line ends inside texts are written as \n.
#include <cstdio>
#include <string>

#include "platform/win32/win32.hpp"

namespace {

using plat::win32::Utf8;
using plat::win32::WindowText;

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
        Escaped(WindowText(item)) + "\t" + where);
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
  ::EnumWindows(ListWindow, 0);
  std::fflush(stdout);
  return 0;
}
