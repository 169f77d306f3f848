// Message boxes and the wait cursor of the Win32 side: the wide-character
// box with its owner, texts, buttons and default button, and the cursor that
// a command shows while it works.
#include <algorithm>
#include <vector>

#include "ui/text_dialog.hpp"
#include "platform/platform.hpp"
#include "platform/win32/win32.hpp"
#include "tests/support.hpp"
#include "tests/win32/win_support.hpp"

namespace {

using plat::win32::WindowText;

// What a message box showed, read from inside its own loop.
struct Seen {
  HWND owner = nullptr;
  std::string caption;
  std::vector<std::string> texts;  // of its statics and buttons
  int focused = 0;                 // the button with the focus: the default one
};

class Win32UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = ::CreateWindowExW(0, L"Static", L"Lanvo 3.03", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 100, 100,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    ::SetActiveWindow(window_);
  }
  void TearDown() override { ::DestroyWindow(window_); }

  // Shows the box, reads it, and answers it by the button answer.
  int Show(plat::Dialog* owner, const char* text, const char* caption, unsigned flags, int answer) {
    test::win::WhileModal read_and_answer([this, answer](HWND box) {
      seen_.owner = ::GetWindow(box, GW_OWNER);
      seen_.caption = WindowText(box);
      for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        std::string text = WindowText(child);
        if (!text.empty()) seen_.texts.push_back(text);
      }
      seen_.focused = ::GetDlgCtrlID(::GetFocus());
      ::SendMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    });
    int got = plat::ShowMessageBox(owner, text, caption, flags);
    EXPECT_TRUE(read_and_answer.ran());
    EXPECT_FALSE(read_and_answer.forced());
    return got;
  }

  HWND window_ = nullptr;
  Seen seen_;
};

TEST_F(Win32UiTest, AQuestionIsOwnedByItsDialogAndDefaultsToNo) {
  plat::win32::WindowDialog dialog(window_);
  int answer = Show(&dialog, "O arquivo já possui mais de 512 MB.\n\nDeseja continuar?", "FOpen2",
                    plat::kYesNo | plat::kIconQuestion | plat::kDefaultButton2, plat::kIdYes);
  EXPECT_EQ(answer, plat::kIdYes);
  EXPECT_EQ(seen_.owner, window_);
  EXPECT_EQ(seen_.caption, "FOpen2");
  ASSERT_FALSE(seen_.texts.empty());
  EXPECT_NE(std::find(seen_.texts.begin(), seen_.texts.end(), "O arquivo já possui mais de 512 MB.\n\nDeseja continuar?"),
            seen_.texts.end());
  EXPECT_EQ(seen_.focused, plat::kIdNo);
}

TEST_F(Win32UiTest, WithoutADialogTheActiveWindowOwnsTheBox) {
  ui::TextDialog not_a_window({100}, "Lanvo 3.03");
  for (plat::Dialog* owner : {static_cast<plat::Dialog*>(nullptr), static_cast<plat::Dialog*>(&not_a_window)}) {
    seen_ = Seen{};
    EXPECT_EQ(Show(owner, "Sistema ocupado, tente novamente.", "FileBusy", plat::kIconWarning, plat::kIdOk),
              plat::kIdOk);
    EXPECT_EQ(seen_.owner, window_);
    EXPECT_EQ(seen_.focused, plat::kIdOk);
  }
}

TEST_F(Win32UiTest, TheWaitCursorReplacesTheCursorUntilRestored) {
  HCURSOR arrow = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  ::SetCursor(arrow);
  plat::Cursor previous = plat::ShowWaitCursor();
  EXPECT_EQ(reinterpret_cast<HCURSOR>(previous), arrow);
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
  plat::RestoreCursor(previous);
  EXPECT_EQ(::GetCursor(), arrow);
}

}  // namespace
