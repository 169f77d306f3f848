// The stopwatch of the end-to-end test of lanvo303.exe: finds its conversion
// dialog and, every 500 ms, asks it for nothing (WM_NULL, answered by a window
// that takes its messages, given up after 1000 ms or at once when the system
// takes the program for hung); every 100 ms it reads the dialog's status line
// (item 100), as a step may last only a second. One tab-separated UTF-8 line
// per look, flushed as it comes:
//   A  answered (1 or 0)  milliseconds to the answer  status line
//   S  status line                                    (between the questions)
// A status line that could not be read within 1000 ms reads "(no answer)".
// It ends, with a line "E", once the status line emptied after it showed a
// step (the end of the run), when the dialog is gone, or after SECONDS.
//
//   lanvo-dialog-probe SECONDS
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/win32.hpp"

namespace {

using Clock = std::chrono::steady_clock;
constexpr UINT kAnswerWithin = 1000;  // milliseconds
constexpr auto kEvery = std::chrono::milliseconds(100);
constexpr int kAskEvery = 5;  // looks
constexpr int kStatusLine = 100;
constexpr int kConvertButton = 300;
constexpr char kNoAnswer[] = "(no answer)";  // in place of the status line

// The conversion dialog: a dialog window titled as the main window, with the
// button that converts.
BOOL CALLBACK FindConversionDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (::IsWindowVisible(window) && std::wstring(name) == L"#32770" &&
      plat::win32::WindowText(window) == "Lanvo 3.03" && ::GetDlgItem(window, kConvertButton)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone
  const auto until = Clock::now() + std::chrono::seconds(argc > 1 ? std::atoi(argv[1]) : 120);
  HWND dialog = nullptr;
  while (!dialog && Clock::now() < until) {
    ::EnumWindows(FindConversionDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) ::Sleep(100);
  }
  if (!dialog) return 1;
  HWND status = ::GetDlgItem(dialog, kStatusLine);
  bool step_seen = false;
  int look = 0;
  for (auto next = Clock::now(); next < until && ::IsWindow(dialog); next += kEvery, ++look) {
    while (Clock::now() < next) ::Sleep(5);
    std::string line;
    bool answered = true;
    if (look % kAskEvery == 0) {
      const auto asked = Clock::now();
      DWORD_PTR result = 0;
      answered = ::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerWithin, &result) != 0;
      const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count();
      line = "A\t" + std::string(answered ? "1" : "0") + "\t" + std::to_string(took) + "\t";
    } else {
      line = "S\t";
    }
    // Asked of the item itself, with the same patience: the system's copy of
    // a static's text would answer without the program.
    wchar_t text[256] = {};
    DWORD_PTR length = 0;
    const bool read = ::SendMessageTimeoutW(status, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                                            SMTO_ABORTIFHUNG, kAnswerWithin, &length) != 0;
    std::string shown = read ? plat::win32::Utf8(std::wstring_view(text, length)) : kNoAnswer;
    Print(line + shown);
    if (!shown.empty()) step_seen = true;
    if (step_seen && answered && read && shown.empty()) break;
  }
  Print("E");
  return 0;
}
