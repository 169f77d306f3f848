// Support of the Windows tests: the helper programs beside the test program,
// and work done while a modal loop (a message box, a modal dialog) runs.
#pragma once

#include <functional>
#include <string>

#include "platform/win32/win32.hpp"

namespace test::win {

// A helper program of the tests (built beside lanvo_tests.exe), started in
// the working folder; ended by force if it still runs when dropped.
class Helper {
 public:
  Helper(const std::wstring& program, const std::wstring& arguments);
  ~Helper();
  bool started() const { return process_ != nullptr; }
  // Waits for it to end; its exit code, or -1 when it did not end in time.
  int Wait(DWORD milliseconds = 20000);

 private:
  HANDLE process_ = nullptr;
};

// Waits up to ten seconds for a file to appear.
bool WaitForFile(const std::string& name);

// Runs action once, from inside whatever message loop runs in the meantime
// on this thread (the loop of a message box or of a modal dialog), as soon as
// the loop takes messages. The action gets the dialog or message box of that
// loop (the first enabled, visible dialog window of this thread), and is to
// end the loop. When it has not ended some seconds later (a failed
// expectation), the active dialog is ended, so that the test fails instead
// of waiting for ever.
class WhileModal {
 public:
  explicit WhileModal(std::function<void(HWND modal)> action);
  ~WhileModal();
  bool ran() const;
  bool forced() const;

 private:
  UINT_PTR timer_;
};

}  // namespace test::win
