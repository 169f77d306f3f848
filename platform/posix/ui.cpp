// The user interface of the POSIX platform layer: the console. A message box
// is printed as "[caption] text"; a Yes/No question takes the answer given on
// the command line, asks on a terminal, and answers No without one.
#include <unistd.h>

#include <iostream>
#include <string>

#include "platform/platform.hpp"
#include "platform/posix/posix.hpp"

namespace plat {
namespace posix {
namespace {

Answer g_answer = Answer::kAsk;
bool g_error_shown = false;

int AskYesNo(unsigned flags) {
  if (g_answer == Answer::kYes) return kIdYes;
  if (g_answer == Answer::kNo || !::isatty(STDIN_FILENO)) return kIdNo;
  bool no_by_default = (flags & kDefaultButton2) != 0;
  std::cout << (no_by_default ? "[s/N] " : "[S/n] ") << std::flush;
  std::string line;
  if (!std::getline(std::cin, line) || line.empty()) return no_by_default ? kIdNo : kIdYes;
  char c = line[0];
  return (c == 's' || c == 'S' || c == 'y' || c == 'Y') ? kIdYes : kIdNo;
}

}  // namespace

void SetAnswer(Answer answer) { g_answer = answer; }
bool ErrorShown() { return g_error_shown; }

}  // namespace posix

int ShowMessageBox(Dialog* owner, std::string_view text, std::string_view caption, unsigned flags) {
  if ((flags & 0xF0) == kIconError) posix::g_error_shown = true;
  if (TestHooks().message_box) return TestHooks().message_box(owner, text, caption, flags);
  std::cout << '[' << caption << "] " << text << '\n' << std::flush;
  if ((flags & 0xF) == kYesNo) return posix::AskYesNo(flags);
  return kIdOk;
}

// The console has no cursor to change.
Cursor ShowWaitCursor() { return 0; }
void RestoreCursor(Cursor) {}

}  // namespace plat
