// The dialogs of the Windows program as a user meets them: the conversion
// dialog's caption, folder and fonts, the Enter key, the status line that is
// painted at each step of a conversion, what it takes while a command runs,
// and the maintenance dialogs that its system menu opens. The windows live in the test prefix's display-less
// driver; messages stand for the mouse and the keyboard.
#include "app/win_dialogs.hpp"

#include <atomic>
#include <thread>
#include <vector>

#include "tests/support.hpp"
#include "tests/win32/win_support.hpp"

namespace {

using plat::win32::Utf8;
using plat::win32::WindowText;

class WinDialogsTest : public test::FolderTest {
 protected:
  void SetUp() override {
    test::FolderTest::SetUp();
    owner_ = ::CreateWindowExW(0, L"Static", L"Lanvo 3.03", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, nullptr,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override {
    if (window_) ::DestroyWindow(window_);
    ::DestroyWindow(owner_);
    test::FolderTest::TearDown();
  }
  // Opens a dialog without a modal loop of its own, shown.
  HWND Open(const wchar_t* name, DLGPROC procedure) {
    window_ = ::CreateDialogParamW(::GetModuleHandleW(nullptr), name, owner_, procedure,
                                   reinterpret_cast<LPARAM>(&dialog_));
    if (window_) ::ShowWindow(window_, SW_SHOW);
    return window_;
  }
  HWND Item(int id) const { return ::GetDlgItem(window_, id); }
  // Makes the dialog the active window before a test of the focus: ctest runs
  // two test processes at once on one Wine desktop, and a dialog that the
  // other one opens takes the activation, and with it the focus, from this one.
  bool Activate() {
    for (int attempt = 0; attempt < 50; ++attempt) {
      ::SetForegroundWindow(window_);
      if (::GetForegroundWindow() == window_) return true;
      ::Sleep(20);
    }
    return false;
  }
  // Lets the dialog take the messages that wait for it.
  void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!::IsDialogMessageW(window_, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
    }
  }

  HWND owner_ = nullptr;
  HWND window_ = nullptr;
  plat::win32::WindowDialog dialog_;
};

TEST_F(WinDialogsTest, ConversionDialogShowsTheOwnersTitleAndTheFolder) {
  ASSERT_TRUE(Open(L"BOX104A", app::win::ConversionDialogProc));
  EXPECT_EQ(WindowText(window_), "Lanvo 3.03");
  EXPECT_EQ(WindowText(Item(150)), plat::CurrentFolder());
  EXPECT_EQ(WindowText(Item(100)), "");
  HGDIOBJ stock = ::GetStockObject(ANSI_VAR_FONT);
  for (int id : {2, 100, 150, 200, 250, 300, 350}) {
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(::SendMessageW(Item(id), WM_GETFONT, 0, 0)), stock) << id;
  }
  EXPECT_NE(reinterpret_cast<HGDIOBJ>(::SendMessageW(Item(500), WM_GETFONT, 0, 0)), stock);
}

TEST_F(WinDialogsTest, EnterMovesTheFocusAndConvertsNothing) {
  ASSERT_TRUE(Open(L"BOX104A", app::win::ConversionDialogProc));
  ASSERT_TRUE(Activate());
  ::SetFocus(Item(300));
  ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(500, BN_CLICKED), reinterpret_cast<LPARAM>(Item(500)));
  Pump();
  EXPECT_EQ(::GetFocus(), Item(2));
  EXPECT_FALSE(test::FileExists("CONV.DAT"));
}

// The keys as the modal loop of a dialog takes them: its message filter
// first, then the dialog manager.
void PumpAsTheModalLoop(HWND dialog) {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (::CallMsgFilterW(&message, MSGF_DIALOGBOX) || ::IsDialogMessageW(dialog, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// A Tab onto a push button makes it the dialog's default button; Enter still
// only moves the focus, on every button, and neither converts nor closes.
TEST_F(WinDialogsTest, EnterOnAFocusedButtonMovesTheFocusAndPressesNothing) {
  test::MessageLog messages;
  std::vector<int> focused;
  test::win::WhileModal keys([&focused](HWND dialog) {
    for (int attempt = 0; attempt < 50 && ::GetForegroundWindow() != dialog; ++attempt) {
      ::SetForegroundWindow(dialog);
      ::Sleep(20);
    }
    ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(dialog, 300)), TRUE);
    PumpAsTheModalLoop(dialog);
    for (int press = 0; press < 3; ++press) {
      ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
      PumpAsTheModalLoop(dialog);
      focused.push_back(::GetDlgCtrlID(::GetFocus()));
    }
    ::SendMessageW(::GetDlgItem(dialog, 2), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(app::win::RunDialog(owner_, L"BOX104A", app::win::ConversionDialogProc), 0);
  EXPECT_TRUE(keys.ran());
  EXPECT_FALSE(keys.forced());
  EXPECT_EQ(focused, (std::vector<int>{2, 300, 2}));
  EXPECT_TRUE(messages.texts().empty());
  EXPECT_FALSE(test::FileExists("CONV.DAT"));
}

// The status line names each step while the conversion runs, and the dialog
// paints it then, not only when the run next hands it its messages.
TEST_F(WinDialogsTest, TheStatusLineIsPaintedAtEachStep) {
  ASSERT_TRUE(Open(L"BOX104A", app::win::ConversionDialogProc));
  ::UpdateWindow(window_);
  static std::vector<std::string> painted;
  static WNDPROC static_procedure;
  painted.clear();
  static_procedure = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      Item(100), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND item, UINT message, WPARAM w, LPARAM l) -> LRESULT {
        if (message == WM_PAINT) painted.push_back(WindowText(item));
        return ::CallWindowProcW(static_procedure, item, message, w, l);
      })));
  test::MessageLog messages;
  ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(300, BN_CLICKED), reinterpret_cast<LPARAM>(Item(300)));
  EXPECT_EQ(messages.texts(), std::vector<std::string>{"A conversão foi realizada."});
  std::vector<std::string> steps = {"Clientes (1/2)", "Clientes (2/2)", "Tabela de códigos", "Registros",
                                    "Formas de pagamento", "Fazendas e contas bancárias", "Telefones e textos",
                                    "Limpeza de arquivos"};
  EXPECT_EQ(painted, steps);
  EXPECT_EQ(WindowText(Item(100)), "");
  EXPECT_EQ(test::ReadFile("CONV.DAT"), "219\r\n");
}

// What the dialog takes while a command runs: a message that another thread
// sends is answered; the clicks and keys that wait meanwhile, on "&Converter
// Versões" and "&Fechar" and Alt+F4, are dropped; a quit waits for the loop
// that ends the program.
TEST_F(WinDialogsTest, KeepAliveAnswersOthersAndDropsTheUsersInput) {
  ASSERT_TRUE(Open(L"BOX104A", app::win::ConversionDialogProc));
  test::MessageLog messages;
  for (int id : {300, 2}) {
    ::PostMessageW(Item(id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageW(Item(id), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }
  ::PostMessageW(window_, WM_SYSKEYDOWN, VK_F4, 1 << 29);
  ::PostQuitMessage(3);
  std::atomic<bool> answered = false;
  std::thread other([&] {
    DWORD_PTR result = 0;
    answered = ::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
  });
  for (int turn = 0; turn < 500 && !answered; ++turn) {
    dialog_.KeepAlive();
    ::Sleep(10);
  }
  other.join();
  EXPECT_TRUE(answered);
  EXPECT_TRUE(::IsWindowVisible(window_));
  EXPECT_TRUE(messages.texts().empty());
  EXPECT_FALSE(test::FileExists("CONV.DAT"));
  MSG quit;
  ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 3u);
}

TEST_F(WinDialogsTest, CloseEndsTheModalDialogWithZero) {
  test::win::WhileModal press_close([this](HWND dialog) {
    ASSERT_EQ(::GetWindow(dialog, GW_OWNER), owner_);
    ::SendMessageW(::GetDlgItem(dialog, 2), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(app::win::RunDialog(owner_, L"BOX104A", app::win::ConversionDialogProc), 0);
  EXPECT_TRUE(press_close.ran());
  EXPECT_FALSE(press_close.forced());
}

// What a maintenance dialog, opened from the system menu, shows.
struct Opened {
  std::string caption;
  std::vector<int> limited;  // the fields that take 3 characters
  std::vector<int> commands;  // the command buttons
};

TEST_F(WinDialogsTest, TheSystemMenuOpensEachMaintenanceDialog) {
  ASSERT_TRUE(Open(L"BOX104A", app::win::ConversionDialogProc));
  HMENU menu = ::GetSystemMenu(window_, FALSE);
  for (UINT command : {app::win::kMenuExportImport, app::win::kMenuRegroup, app::win::kMenuDelinquency}) {
    wchar_t text[64] = {};
    EXPECT_GT(::GetMenuStringW(menu, command, text, 64, MF_BYCOMMAND), 0) << command;
  }

  auto open = [this](UINT command) {
    Opened seen;
    test::win::WhileModal look_and_close([this, &seen](HWND dialog) {
      ASSERT_EQ(::GetWindow(dialog, GW_OWNER), window_);
      seen.caption = WindowText(dialog);
      for (int id : {100, 110, 111})
        if (HWND field = ::GetDlgItem(dialog, id))
          if (::SendMessageW(field, EM_GETLIMITTEXT, 0, 0) == 3) seen.limited.push_back(id);
      for (int id : {310, 311, 312, 313})
        if (::GetDlgItem(dialog, id)) seen.commands.push_back(id);
      ::SendMessageW(::GetDlgItem(dialog, 2), BM_CLICK, 0, 0);
    });
    ::SendMessageW(window_, WM_SYSCOMMAND, command, 0);
    EXPECT_TRUE(look_and_close.ran());
    EXPECT_FALSE(look_and_close.forced());
    return seen;
  };
  Opened export_import = open(app::win::kMenuExportImport);
  EXPECT_EQ(export_import.caption, "Lanvo 3.03");
  EXPECT_EQ(export_import.limited, std::vector<int>{100});
  EXPECT_EQ(export_import.commands, (std::vector<int>{310, 311}));
  Opened regroup = open(app::win::kMenuRegroup);
  EXPECT_EQ(regroup.limited, (std::vector<int>{110, 111}));
  EXPECT_EQ(regroup.commands, std::vector<int>{312});
  Opened delinquency = open(app::win::kMenuDelinquency);
  EXPECT_EQ(delinquency.caption, "Lanvo 3.03");
  EXPECT_EQ(delinquency.commands, std::vector<int>{313});
  // The conversion dialog is still there, and usable again.
  EXPECT_TRUE(::IsWindowEnabled(window_));
}

TEST_F(WinDialogsTest, TheNewGroupBecomesACodeWhenItLosesTheFocus) {
  ASSERT_TRUE(Open(L"BOXGROUP", app::win::MaintenanceDialogProc));
  ::SetWindowTextW(Item(111), L"-5");
  ::SetFocus(Item(111));
  ::SetFocus(Item(110));  // the edit field reports EN_KILLFOCUS
  Pump();
  EXPECT_EQ(WindowText(Item(111)), "005");
  ::SetWindowTextW(Item(111), L"1000");
  ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(111, EN_CHANGE), reinterpret_cast<LPARAM>(Item(111)));
  EXPECT_EQ(WindowText(Item(111)), "1000");
  ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(111, EN_KILLFOCUS), reinterpret_cast<LPARAM>(Item(111)));
  EXPECT_EQ(WindowText(Item(111)), "001");
  // The old group is taken as typed.
  ::SetWindowTextW(Item(110), L"7");
  ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(110, EN_KILLFOCUS), reinterpret_cast<LPARAM>(Item(110)));
  EXPECT_EQ(WindowText(Item(110)), "7");
}

TEST_F(WinDialogsTest, TheRegroupCommandRunsFromItsDialog) {
  ASSERT_TRUE(Open(L"BOXGROUP", app::win::MaintenanceDialogProc));
  test::MessageLog messages;
  ::SetWindowTextW(Item(110), L"1");
  ::SetWindowTextW(Item(111), L"2");
  ::SendMessageW(Item(312), BM_CLICK, 0, 0);
  // No client file here: the command says so, in the dialog's own words.
  EXPECT_EQ(messages.texts(), std::vector<std::string>{"Erro ao abrir o arquivo de clientes."});
}

}  // namespace
