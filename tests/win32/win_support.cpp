#include "tests/win32/win_support.hpp"


namespace test::win {

Helper::Helper(const std::wstring& program, const std::wstring& arguments) {
  // Beside the test program.
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = ::GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  path.resize(n);
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + program;
  std::wstring command = L"\"" + path + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (::CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    process_ = info.hProcess;
    ::CloseHandle(info.hThread);
  }
}

Helper::~Helper() {
  if (!process_) return;
  if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) ::TerminateProcess(process_, 99);
  ::CloseHandle(process_);
}

int Helper::Wait(DWORD milliseconds) {
  if (!process_ || ::WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  ::GetExitCodeProcess(process_, &code);
  return static_cast<int>(code);
}

bool WaitForFile(const std::string& name) {
  for (int i = 0; i < 400; ++i) {
    if (plat::Exists(name)) return true;
    ::Sleep(25);
  }
  return false;
}

namespace {

// One action at a time: a timer procedure has no room for a context.
std::function<void(HWND)> g_action;
bool g_ran = false;
bool g_forced = false;
int g_ticks = 0;
constexpr UINT kTick = 50;                  // milliseconds
constexpr int kTicksBeforeForcing = 100;  // 5 seconds

// The window of the innermost modal loop: the windows of a thread are listed
// from the top, and a modal window disables its owner.
HWND ModalWindow() {
  HWND found = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM context) -> BOOL {
        wchar_t name[16];
        ::GetClassNameW(window, name, 16);
        if (std::wstring(name) != L"#32770" || !::IsWindowVisible(window) || !::IsWindowEnabled(window)) return TRUE;
        *reinterpret_cast<HWND*>(context) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void CALLBACK RunAction(HWND, UINT, UINT_PTR timer, DWORD) {
  ++g_ticks;
  // A modal loop shows its dialog only once it has nothing else to do.
  HWND modal = ModalWindow();
  if (!g_ran && modal) {
    g_ran = true;
    if (g_action) g_action(modal);
  } else if (g_ticks >= kTicksBeforeForcing) {
    ::KillTimer(nullptr, timer);
    g_forced = true;
    if (modal) ::EndDialog(modal, -1);
  }
}

}  // namespace

WhileModal::WhileModal(std::function<void(HWND modal)> action) {
  g_action = std::move(action);
  g_ran = false;
  g_forced = false;
  g_ticks = 0;
  timer_ = ::SetTimer(nullptr, 0, kTick, RunAction);
}

WhileModal::~WhileModal() {
  ::KillTimer(nullptr, timer_);
  g_action = nullptr;
}

bool WhileModal::ran() const { return g_ran; }
bool WhileModal::forced() const { return g_forced; }

}  // namespace test::win
