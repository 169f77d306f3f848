// lanvo-bench-win.exe: the work of the Windows program without its window,
// for the benchmarks under Wine (bench/windows.sh). It runs one command of the
// conversion dialog on a data folder through the same dialog procedure, core
// and Win32 platform layer as lanvo303.exe, prints its messages as
// "[caption] text", and ends with the ReadFile and WriteFile calls the
// platform layer made and their bytes:
//
//   lanvo-bench-win.exe DIR convert|delinquency|export GROUP|import GROUP|regroup OLD NEW
//   ...
//   calls: ReadFile 123 (4567890 bytes) WriteFile 45 (678901 bytes)
//
// The diskette of export and import is drive A:, the member file of the
// delinquency update \Vamk\Rud\F10R4.DAT on DIR's drive, as for the program.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "ui/dialog.hpp"
#include "ui/dialog_proc.hpp"
#include "ui/text_dialog.hpp"

namespace {

struct Calls {
  unsigned long long count = 0, bytes = 0;
};
Calls g_reads, g_writes;
decltype(&::ReadFile) g_read_file = nullptr;
decltype(&::WriteFile) g_write_file = nullptr;

BOOL WINAPI CountedReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED overlapped) {
  BOOL ok = g_read_file(file, buffer, size, done, overlapped);
  ++g_reads.count;
  if (ok && done) g_reads.bytes += *done;
  return ok;
}

BOOL WINAPI CountedWriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED overlapped) {
  BOOL ok = g_write_file(file, buffer, size, done, overlapped);
  ++g_writes.count;
  if (ok && done) g_writes.bytes += *done;
  return ok;
}

// Every read and write of the platform layer goes through its table of
// system calls: the counting entries stand in for the system's.
bool CountCalls() {
  g_read_file = reinterpret_cast<decltype(&::ReadFile)>(plat::GetSystemCall("ReadFile"));
  g_write_file = reinterpret_cast<decltype(&::WriteFile)>(plat::GetSystemCall("WriteFile"));
  return g_read_file && g_write_file &&
         plat::SetSystemCall("ReadFile", reinterpret_cast<plat::SystemCall>(&CountedReadFile)) &&
         plat::SetSystemCall("WriteFile", reinterpret_cast<plat::SystemCall>(&CountedWriteFile));
}

int Usage() {
  std::fprintf(stderr,
               "usage: lanvo-bench-win DIR convert|delinquency|export GROUP|import GROUP|regroup OLD NEW\n");
  return 2;
}

void Send(ui::TextDialog& dialog, int command) {
  ui::DialogProc(&dialog, ui::DialogMessage::kCommand, static_cast<unsigned>(command));
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 2) return Usage();
  const std::string& command = args[1];
  auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : std::string(); };
  if (!plat::ChangeFolder(args[0])) {
    std::fprintf(stderr, "lanvo-bench-win: cannot work in %s\n", args[0].c_str());
    return 2;
  }
  bool error_shown = false;
  plat::TestHooks().message_box = [&](plat::Dialog*, std::string_view text, std::string_view caption,
                                      unsigned flags) {
    std::printf("[%.*s] %.*s\n", static_cast<int>(caption.size()), caption.data(), static_cast<int>(text.size()),
                text.data());
    if ((flags & plat::kIconError) == plat::kIconError) error_shown = true;
    return (flags & plat::kYesNo) == plat::kYesNo ? plat::kIdYes : plat::kIdOk;
  };
  if (!CountCalls()) {
    std::fprintf(stderr, "lanvo-bench-win: the platform layer has no ReadFile or WriteFile entry\n");
    return 2;
  }

  const char* title = "Lanvo 3.03";
  if (command == "convert") {
    ui::TextDialog dialog(ui::ConversionDialogItems(), title);
    ui::DialogProc(&dialog, ui::DialogMessage::kInitDialog);
    Send(dialog, kItemConvert);
  } else if (command == "delinquency") {
    ui::TextDialog dialog(ui::DelinquencyDialogItems(), title);
    ui::DialogProc(&dialog, ui::DialogMessage::kInitDialog);
    Send(dialog, kItemDelinquency);
  } else if (command == "export" || command == "import") {
    ui::TextDialog dialog({kItemGroupField, kItemFolder, kItemClose}, title);
    ui::DialogProc(&dialog, ui::DialogMessage::kInitDialog);
    dialog.SetItemText(kItemGroupField, arg(2));
    Send(dialog, command == "export" ? kItemExport : kItemImport);
  } else if (command == "regroup") {
    ui::TextDialog dialog({kItemOldGroup, kItemNewGroup, kItemFolder, kItemClose}, title);
    ui::DialogProc(&dialog, ui::DialogMessage::kInitDialog);
    dialog.SetItemText(kItemOldGroup, arg(2));
    dialog.SetItemText(kItemNewGroup, arg(3));
    Send(dialog, kItemRegroup);
  } else {
    return Usage();
  }
  std::printf("calls: ReadFile %llu (%llu bytes) WriteFile %llu (%llu bytes)\n", g_reads.count, g_reads.bytes,
              g_writes.count, g_writes.bytes);
  return error_shown || ui::FolderWasBusy() ? 1 : 0;
}
