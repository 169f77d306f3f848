// The working folder of the Windows program at start-up.
#include <cwctype>

#include "platform/win32/win32.hpp"

namespace plat::win32 {
namespace {

// The letter of the current drive in upper case; 0 for a network path.
wchar_t CurrentDrive() {
  wchar_t folder[MAX_PATH + 1];
  DWORD n = ::GetCurrentDirectoryW(MAX_PATH + 1, folder);
  if (n < 2 || n > MAX_PATH || folder[1] != L':') return 0;
  return static_cast<wchar_t>(std::towupper(folder[0]));
}

}  // namespace

void SettleWorkingFolder() {
  // A program started from the diskette works on the hard disk: "C:" alone
  // is drive C:'s own current folder, as a change of drive gives it.
  if (CurrentDrive() == L'A') ::SetCurrentDirectoryW(L"C:");
  if (CurrentDrive() == L'C') ::SetCurrentDirectoryW(L"C:\\Vamk\\Lanvo");
}

}  // namespace plat::win32
