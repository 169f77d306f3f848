// What the Windows program and the Windows tests need from the Win32 platform
// layer beyond platform.hpp: the text conversions between the core's UTF-8
// and the wide-character API, the dialog that wraps a real dialog window, and
// the choice of the working folder at start-up.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/platform.hpp"

namespace plat::win32 {

// UTF-8 to UTF-16 and back. Invalid sequences become U+FFFD.
std::wstring Wide(std::string_view text);
std::string Utf8(std::wstring_view text);

// A plat::Dialog over a dialog window: item texts through the wide-character
// API, the owner's title, the end of a modal dialog, the messages of the
// thread while a command runs.
class WindowDialog : public Dialog {
 public:
  WindowDialog() = default;
  explicit WindowDialog(HWND window) : window_(window) {}
  void Attach(HWND window) { window_ = window; }
  HWND window() const { return window_; }

  std::string ItemText(int id) override;
  void SetItemText(int id, std::string_view text) override;
  bool HasItem(int id) override;
  void LimitItemText(int id, int characters) override;
  void SetItemFont(int id) override;
  std::string OwnerTitle() override;
  void SetCaption(std::string_view text) override;
  void End(int result) override;
  void NextTabStop() override;
  void Repaint() override;
  void KeepAlive() override;
  // Only the conversion dialog BOX104A runs the conversion, whose steps
  // show their percent on its status line.
  bool ShowsPercentages() const override { return true; }

 private:
  HWND window_ = nullptr;
};

// The window that owns a message box shown for the given dialog: its own
// window for a WindowDialog, the active window otherwise.
HWND OwnerWindow(Dialog* dialog);

// The text of a window (a caption, an item), at most max_characters long.
std::string WindowText(HWND window, int max_characters = 0x7FFF);

// The working folder of the program: when drive A: is current, drive C:
// becomes current; then, on drive C:, the folder C:\Vamk\Lanvo (a failure
// leaves the folder as it is). On any other drive nothing changes.
void SettleWorkingFolder();

}  // namespace plat::win32
