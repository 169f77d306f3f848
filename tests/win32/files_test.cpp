// What the Win32 side of the platform layer adds to the contract of both
// sides (tests/platform_files_test.cpp): the real read-only attribute, the
// busy test against another process, appends at the end,
// the pattern search without short names, names beyond ASCII, the temporary
// folder and the free space of a drive; and the entries it refuses: links,
// files of two names, names that are no plain names.
#include <algorithm>
#include <filesystem>

#include "convert/registrations.hpp"
#include "convert/run.hpp"
#include "platform/platform.hpp"
#include "platform/win32/win32.hpp"
#include "recfile/recfile.hpp"
#include "tests/convert_support.hpp"
#include "tests/step1_layouts.hpp"
#include "tests/support.hpp"
#include "tests/win32/win_support.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;
namespace fs = test::fs;

using Lines = std::vector<std::string>;

class Win32FilesTest : public test::FolderTest {
 protected:
  void SetUp() override {
    test::FolderTest::SetUp();
    plat::ClearRefusals();
  }
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    plat::ClearRefusals();
    RemoveHostEntries();
    test::FolderTest::TearDown();
  }
  static DWORD Attributes(const wchar_t* name) { return ::GetFileAttributesW(name); }

  // The refusals recorded since the last call, which are then forgotten (and
  // changes allowed again).
  static Lines TakeRefusals() {
    static const char* const kWhy[] = {"link",       "not regular", "hard links", "bad name",
                                       "case clash", "not folder",  "unreadable"};
    Lines lines;
    for (const plat::RefusedEntry& entry : plat::RefusedEntries())
      lines.push_back(entry.name + ": " + kWhy[static_cast<int>(entry.why)]);
    plat::ClearRefusals();
    return lines;
  }

  // Runs commands of the host's shell in the working folder, to make what
  // Windows programs cannot: links of the host, names that Windows refuses.
  // Wine starts a program of the host like any other (elsewhere that fails),
  // but gives no handle to wait on: the commands (which hold no double
  // quote) leave a mark when done.
  bool HostShell(const std::string& commands) {
    std::wstring line = L"Z:\\bin\\sh -c \"(" + plat::win32::Wide(commands) + L") && touch shell.done\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
      return false;
    if (process.hThread) ::CloseHandle(process.hThread);
    if (process.hProcess) ::CloseHandle(process.hProcess);
    host_entries_ = true;
    bool done = test::win::WaitForFile("shell.done");
    fs::remove("shell.done");
    return done;
  }

 private:
  // What the host made is removed by the host: the removal of the folder
  // from here would go through the links and stumble on the names.
  void RemoveHostEntries() {
    if (host_entries_) HostShell("find . -mindepth 1 -delete");
  }
  bool host_entries_ = false;
};

TEST_F(Win32FilesTest, ReadOnlyIsTheFileAttribute) {
  WriteFile("F.DAT", "abc");
  ASSERT_TRUE(::SetFileAttributesW(L"F.DAT", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(plat::IsReadOnly("F.DAT"));
  // Refused as Windows refuses it, also where Wine runs as root.
  for (auto mode : {plat::OpenMode::kUpdate, plat::OpenMode::kAppend, plat::OpenMode::kCreate})
    EXPECT_EQ(plat::OpenFile("F.DAT", mode), plat::kNoHandle);
  EXPECT_FALSE(plat::RemoveFile("F.DAT"));
  EXPECT_EQ(ReadFile("F.DAT"), "abc");

  // The update open of the record files clears the attribute and opens.
  StreamPtr update = FOpenUpdate("F.DAT");
  ASSERT_TRUE(update);
  EXPECT_FALSE(Attributes(L"F.DAT") & FILE_ATTRIBUTE_READONLY);
  update->Close();

  EXPECT_TRUE(plat::MakeReadOnly("F.DAT"));
  EXPECT_TRUE(Attributes(L"F.DAT") & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(FDelete("F.DAT"), 0);
  EXPECT_FALSE(FileExists("F.DAT"));
  // Folders are never read-only files.
  EXPECT_FALSE(plat::IsReadOnly("."));
}

TEST_F(Win32FilesTest, ACopyKeepsTheAttributesAndTheTimeOfItsSource) {
  WriteFile("F10.DAT", "clients");
  HANDLE h = ::CreateFileW(L"F10.DAT", FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FILETIME old_time = {0x12345600u, 0x01D00000u};  // in 2014
  ::SetFileTime(h, nullptr, nullptr, &old_time);
  ::CloseHandle(h);
  ASSERT_TRUE(plat::MakeReadOnly("F10.DAT"));

  ASSERT_TRUE(plat::CopyNoReplace("F10.DAT", "F10.TMP"));
  EXPECT_EQ(ReadFile("F10.TMP"), "clients");
  EXPECT_TRUE(plat::IsReadOnly("F10.TMP"));
  WIN32_FILE_ATTRIBUTE_DATA copy;
  ASSERT_TRUE(::GetFileAttributesExW(L"F10.TMP", GetFileExInfoStandard, &copy));
  EXPECT_EQ(copy.ftLastWriteTime.dwLowDateTime, old_time.dwLowDateTime);
  EXPECT_EQ(copy.ftLastWriteTime.dwHighDateTime, old_time.dwHighDateTime);
  // Nothing of the copy's own is left beside it.
  EXPECT_EQ(plat::FindFiles("", "*.~part"), std::vector<std::string>{});
}

TEST_F(Win32FilesTest, AFileHeldForWritingByAnotherProcessIsBusy) {
  WriteFile("F34.DAT", "counters");
  {
    test::win::Helper holder(L"lanvo-hold-file.exe", L"F34.DAT 1500 held.mark");
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(test::win::WaitForFile("held.mark"));
    EXPECT_EQ(plat::BusyTest("F34.DAT"), 1);
    EXPECT_EQ(plat::BusyTest("f34.dat"), 1);
    // Busy is a warning, not a lock: readers and other writers still open it.
    for (auto mode : {plat::OpenMode::kRead, plat::OpenMode::kAppend, plat::OpenMode::kUpdate}) {
      plat::Handle h = plat::OpenFile("F34.DAT", mode);
      EXPECT_NE(h, plat::kNoHandle);
      plat::CloseFile(h);
    }
    EXPECT_EQ(holder.Wait(), 0);
  }
  EXPECT_EQ(plat::BusyTest("F34.DAT"), 0);
  EXPECT_EQ(ReadFile("F34.DAT"), "counters");
}

TEST_F(Win32FilesTest, AppendsGoToTheEndWhateverTheirOffset) {
  WriteFile("CONV.DAT", "219\r\n");
  plat::Handle log = plat::OpenFile("CONV.DAT", plat::OpenMode::kAppend);
  ASSERT_NE(log, plat::kNoHandle);
  EXPECT_EQ(plat::WriteAt(log, 0, "250\r\n", 5), 5);
  EXPECT_EQ(plat::WriteAt(log, 2, "X", 1), 1);
  EXPECT_TRUE(plat::CloseFile(log));
  EXPECT_EQ(ReadFile("CONV.DAT"), "219\r\n250\r\nX");
  // A file opened later to update writes in place, even when the system hands
  // out the closed append handle's value again.
  plat::Handle update = plat::OpenFile("CONV.DAT", plat::OpenMode::kUpdate);
  ASSERT_NE(update, plat::kNoHandle);
  EXPECT_EQ(plat::WriteAt(update, 0, "3", 1), 1);
  plat::CloseFile(update);
  EXPECT_EQ(ReadFile("CONV.DAT"), "319\r\n250\r\nX");
}

TEST_F(Win32FilesTest, PatternsMatchTheNamesNotTheirShortForms) {
  WriteFile("R03/NOTES.DATA", "");
  WriteFile("R03/LONGER NAME.DAT", "");
  WriteFile("R03/a.dat", "");
  EXPECT_EQ(plat::FindFiles("R03", "*.DAT"), (std::vector<std::string>{"LONGER NAME.DAT", "a.dat"}));
  EXPECT_EQ(plat::FindFiles("r03\\", "?.DAT"), std::vector<std::string>{"a.dat"});
}

TEST_F(Win32FilesTest, NamesBeyondAsciiAreUtf8) {
  ASSERT_TRUE(plat::MakeFolder("Relatórios"));
  EXPECT_TRUE(fs::is_directory(fs::path(u8"Relatórios")));
  plat::Handle h = plat::OpenFile("Relatórios\\Ação.DAT", plat::OpenMode::kCreate);
  ASSERT_NE(h, plat::kNoHandle);
  plat::CloseFile(h);
  EXPECT_TRUE(fs::exists(fs::path(u8"Relatórios/Ação.DAT")));
  EXPECT_EQ(plat::FindFiles("RELATÓRIOS", "*.dat"), std::vector<std::string>{"Ação.DAT"});
  std::string here = plat::CurrentFolder();
  ASSERT_TRUE(plat::ChangeFolder("Relatórios"));
  EXPECT_EQ(plat::CurrentFolder(), here + "\\Relatórios");
  ASSERT_TRUE(plat::ChangeFolder(here));
}

TEST_F(Win32FilesTest, TheTemporaryFolderIsTheSystemsWithItsSeparator) {
  std::string here = plat::CurrentFolder();
  wchar_t saved[MAX_PATH + 1];
  DWORD had = ::GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1);
  ::SetEnvironmentVariableW(L"TMP", plat::win32::Wide(here).c_str());
  EXPECT_EQ(plat::TempFolder(), here + "\\");
  ::SetEnvironmentVariableW(L"TMP", had ? saved : nullptr);
  std::string system = plat::TempFolder();
  ASSERT_FALSE(system.empty());
  EXPECT_EQ(system.back(), '\\');
  EXPECT_TRUE(plat::IsFolder(system));
}

TEST_F(Win32FilesTest, FreeSpaceOfADrive) {
  std::uint64_t bytes = 0;
  EXPECT_TRUE(plat::FreeSpace("C:\\", &bytes));
  EXPECT_GT(bytes, 0u);
  // Any folder stands for its drive.
  std::uint64_t here = 0;
  EXPECT_TRUE(plat::FreeSpace(plat::CurrentFolder(), &here));
  EXPECT_GT(here, 0u);
  // A drive that is not there (no diskette) cannot say.
  EXPECT_FALSE(plat::FreeSpace("Q:\\", &bytes));
  plat::TestHooks().free_space = [](const std::string& root, std::uint64_t* b) {
    *b = 1000 * 100;
    return root == "A:\\";
  };
  EXPECT_TRUE(plat::FreeSpace("A:\\", &bytes));
  EXPECT_EQ(bytes, 100000u);
}

// Wine shows a symbolic link of the host as a reparse point when it leads to
// a folder, and one that leads nowhere as no entry at all.
TEST_F(Win32FilesTest, LinksAreRefusedWhereverTheyLead) {
  WriteFile("OUT/F1200008.DAT", "registration");
  if (!HostShell("ln -s OUT REG && ln -s OUT/NEW.DAT F10R2.BAK"))
    GTEST_SKIP() << "no shell of the host to make links with";
  EXPECT_EQ(plat::OpenFile("REG\\F1200008.DAT", plat::OpenMode::kRead), plat::kNoHandle);
  EXPECT_EQ(TakeRefusals(), Lines{"REG\\F1200008.DAT: link"});
  // The link itself is not acted on either.
  EXPECT_FALSE(plat::RenameNoReplace("REG", "R60"));
  EXPECT_EQ(TakeRefusals(), Lines{"REG: link"});
  // Nothing is made where a link that leads nowhere points.
  EXPECT_EQ(plat::OpenFile("F10R2.BAK", plat::OpenMode::kCreate), plat::kNoHandle);
  EXPECT_EQ(TakeRefusals(), Lines{"F10R2.BAK: link"});
  EXPECT_FALSE(FileExists("OUT/NEW.DAT"));
  EXPECT_FALSE(FileExists("R60"));
  EXPECT_EQ(ReadFile("OUT/F1200008.DAT"), "registration");
}

TEST_F(Win32FilesTest, AFileOfTwoNamesIsNeverChangedInPlace) {
  WriteFile("F10.DAT", "clients");
  ASSERT_TRUE(::CreateHardLinkW(L"ELSEWHERE.DAT", L"F10.DAT", nullptr));
  for (auto mode : {plat::OpenMode::kUpdate, plat::OpenMode::kAppend, plat::OpenMode::kCreate}) {
    EXPECT_EQ(plat::OpenFile("F10.DAT", mode), plat::kNoHandle);
    EXPECT_EQ(TakeRefusals(), Lines{"F10.DAT: hard links"});
  }
  EXPECT_EQ(ReadFile("ELSEWHERE.DAT"), "clients");
  plat::Handle reader = plat::OpenFile("F10.DAT", plat::OpenMode::kRead);
  EXPECT_NE(reader, plat::kNoHandle);
  plat::CloseFile(reader);
  EXPECT_EQ(TakeRefusals(), Lines{});
}

// RemoveAnyFile clears the read-only attribute of the one name it removes;
// a read-only file of two names keeps both.
TEST_F(Win32FilesTest, AnyFileIsRemovedWithoutChangingAnotherName) {
  WriteFile("F10.BAK", "old");
  ASSERT_TRUE(::SetFileAttributesW(L"F10.BAK", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(plat::RemoveFile("F10.BAK"));
  EXPECT_TRUE(plat::RemoveAnyFile("F10.BAK"));
  EXPECT_FALSE(FileExists("F10.BAK"));

  WriteFile("F11.BAK", "old");
  ASSERT_TRUE(::CreateHardLinkW(L"KEEP.DAT", L"F11.BAK", nullptr));
  EXPECT_TRUE(plat::RemoveAnyFile("F11.BAK"));  // writable: only the name goes
  EXPECT_EQ(ReadFile("KEEP.DAT"), "old");
  ASSERT_TRUE(::CreateHardLinkW(L"F11.BAK", L"KEEP.DAT", nullptr));
  ASSERT_TRUE(::SetFileAttributesW(L"KEEP.DAT", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(plat::RemoveAnyFile("F11.BAK"));
  EXPECT_EQ(TakeRefusals(), Lines{"F11.BAK: hard links"});
  EXPECT_TRUE(FileExists("F11.BAK"));
  EXPECT_TRUE(Attributes(L"KEEP.DAT") & FILE_ATTRIBUTE_READONLY);
}

TEST_F(Win32FilesTest, NamesFromDataAreReadInCodePage1252) {
  EXPECT_EQ(plat::NameFromData("\x80"), "\xE2\x82\xAC");  // the euro sign
  EXPECT_EQ(plat::NameFromData("CAF\xC9 \xE9"), "CAF\xC3\x89 \xC3\xA9");
  EXPECT_EQ(plat::NameFromData(""), "");
  // The registration file that F11.DAT names so is the one fixed.
  namespace f11 = test::layout::f11;
  test::Record code(f11::kLength);
  code.Set(0, f11::kLength, std::string(f11::kLength, '~')).Set(f11::kCode, f11::kCodeW, "CAF\xC9");
  WriteFile("F11.DAT", code.bytes());
  WriteFile(fs::path(u8"REG/F12CAFÉ.DAT"), test::Registration('a', '+').bytes());
  EXPECT_TRUE(FixRegistrations());
  EXPECT_EQ(ReadFile(fs::path(u8"REG/F12CAFÉ.DAT")), test::Blanked(test::Registration('a', '+')).bytes());
}

TEST_F(Win32FilesTest, ComponentsThatAreNoPlainNamesAreRefused) {
  WriteFile("REG/F1200008.DAT", "registration");
  WriteFile("F10.DAT", "clients");
  for (const char* name : {"REG\\..\\F10.DAT", ".\\F10.DAT", "F10.DAT:hidden", "REG/F1200008.DAT"}) {
    EXPECT_EQ(plat::OpenFile(name, plat::OpenMode::kUpdate), plat::kNoHandle) << name;
    EXPECT_EQ(TakeRefusals(), Lines{std::string(name) + ": bad name"});
  }
  EXPECT_FALSE(plat::RemoveFile("REG\\..\\F10.DAT"));
  EXPECT_FALSE(plat::ChangesStopped());  // a bad name stops nothing
  EXPECT_EQ(ReadFile("F10.DAT"), "clients");
}

// Wine lists the names of the host as they are, also those that hold a
// colon, a backslash or a control character.
TEST_F(Win32FilesTest, AListingPassesOverNamesThatAreNoPlainNames) {
  fs::create_directory("R03");
  if (!HostShell("cd R03 && touch A.DAT 'B:C.DAT' 'D\\E.DAT' $(printf 'F\\001.DAT')"))
    GTEST_SKIP() << "no shell of the host to make such names with";
  EXPECT_EQ(plat::FindFiles("R03", "*.DAT"), Lines{"A.DAT"});
  Lines refused = TakeRefusals();
  std::sort(refused.begin(), refused.end());
  EXPECT_EQ(refused, (Lines{"R03\\B:C.DAT: bad name", "R03\\D\\E.DAT: bad name", "R03\\F\x01.DAT: bad name"}));
}

TEST_F(Win32FilesTest, OnceChangesStopNothingIsChanged) {
  WriteFile("F10.DAT", "clients");
  plat::Refuse("F34.DAT", plat::Refusal::kLink);
  EXPECT_FALSE(plat::RemoveFile("F10.DAT"));
  EXPECT_FALSE(plat::RemoveAnyFile("F10.DAT"));
  EXPECT_FALSE(plat::RenameNoReplace("F10.DAT", "F10.OLD"));
  EXPECT_FALSE(plat::MakeReadOnly("F10.DAT"));
  EXPECT_EQ(plat::OpenFile("F10.DAT", plat::OpenMode::kUpdate), plat::kNoHandle);
  EXPECT_EQ(ReadFile("F10.DAT"), "clients");
  EXPECT_FALSE(plat::IsReadOnly("F10.DAT"));
  plat::ClearRefusals();
  EXPECT_TRUE(plat::RemoveFile("F10.DAT"));
}

}  // namespace

namespace {

TEST_F(Win32FilesTest, TheFolderLockSharesNothingAndGoesWithItsHolder) {
  ASSERT_EQ(plat::LockFolder(), plat::FolderLock::kTaken);
  // Another copy of the program cannot open the lock file meanwhile.
  HANDLE other = ::CreateFileW(L"LANVO.LCK", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, 0, nullptr);
  EXPECT_EQ(other, INVALID_HANDLE_VALUE);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
  plat::UnlockFolder();
  EXPECT_FALSE(test::FileExists("LANVO.LCK"));
  EXPECT_EQ(plat::LockFolder(), plat::FolderLock::kTaken);
  plat::UnlockFolder();
}

// Replacements for entries of the table of system calls: each fails as the
// system does, with its own error code.
BOOL WINAPI FullDisk(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) {
  ::SetLastError(ERROR_DISK_FULL);
  return FALSE;
}
DWORD WINAPI DeviceError(LPCWSTR) {
  ::SetLastError(ERROR_IO_DEVICE);
  return INVALID_FILE_ATTRIBUTES;
}
HANDLE WINAPI SearchDenied(LPCWSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS, LPVOID, DWORD) {
  ::SetLastError(ERROR_ACCESS_DENIED);
  return INVALID_HANDLE_VALUE;
}

template <typename F>
plat::SystemCall Call(F* f) {
  return reinterpret_cast<plat::SystemCall>(f);
}

class Win32SystemCallTest : public Win32FilesTest {
 protected:
  void TearDown() override {
    for (std::string_view name = plat::NextSystemCall(""); !name.empty(); name = plat::NextSystemCall(name))
      plat::SetSystemCall(name, nullptr);
    Win32FilesTest::TearDown();
  }
};

TEST_F(Win32SystemCallTest, AFullDiskFailsTheWriteAndTheRunSaysWhichFileAndWhy) {
  plat::Handle h = plat::OpenFile("F10R1.DAT", plat::OpenMode::kCreate);
  ASSERT_NE(h, plat::kNoHandle);
  ASSERT_TRUE(plat::SetSystemCall("WriteFile", Call(&FullDisk)));
  EXPECT_EQ(plat::WriteAt(h, 0, "abc", 3), 0);
  plat::SetSystemCall("WriteFile", nullptr);
  EXPECT_EQ(plat::LastError().op, plat::FileOp::kWrite);
  EXPECT_EQ(plat::LastError().name, "F10R1.DAT");
  EXPECT_EQ(plat::LastError().code, std::error_code(ERROR_DISK_FULL, std::system_category()));
  EXPECT_EQ(plat::Describe(plat::LastError().code), "Espaço insuficiente no disco.");
  EXPECT_TRUE(plat::CloseFile(h));

  // A whole run: its closing message names the first file it could not write.
  WriteFile("F10R1.DAT", std::string(50, 'x'));
  std::vector<std::string> texts;
  plat::TestHooks().message_box = [&texts](plat::Dialog*, std::string_view text, std::string_view, unsigned) {
    texts.emplace_back(text);
    return plat::kIdOk;
  };
  plat::SetSystemCall("WriteFile", Call(&FullDisk));
  RunConversion(nullptr);
  plat::SetSystemCall("WriteFile", nullptr);
  ASSERT_FALSE(texts.empty());
  const std::string cause = "\n\nArquivo: F10R2.DAT — Espaço insuficiente no disco.";
  ASSERT_GE(texts.back().size(), cause.size());
  EXPECT_EQ(texts.back().substr(texts.back().size() - cause.size()), cause);
}

// The services that only look fail as a folder that cannot be searched: the
// entry is not taken for missing, and nothing more is changed.
TEST_F(Win32SystemCallTest, LookupsAndListingsFailThroughTheTable) {
  WriteFile("F34.DAT", "x");
  plat::SetSystemCall("GetFileAttributesW", Call(&DeviceError));
  EXPECT_TRUE(plat::Exists("MISSING.DAT"));
  EXPECT_EQ(plat::FileSize("F34.DAT"), -1);
  plat::SetSystemCall("GetFileAttributesW", nullptr);
  EXPECT_TRUE(plat::ChangesStopped());
  EXPECT_EQ(plat::LastError().op, plat::FileOp::kLookup);
  EXPECT_EQ(plat::LastError().code, std::error_code(ERROR_IO_DEVICE, std::system_category()));
  plat::ClearRefusals();

  plat::SetSystemCall("FindFirstFileExW", Call(&SearchDenied));
  EXPECT_TRUE(plat::FindFiles("", "*.DAT").empty());
  plat::SetSystemCall("FindFirstFileExW", nullptr);
  EXPECT_TRUE(plat::ChangesStopped());
  EXPECT_EQ(plat::LastError().op, plat::FileOp::kList);
  EXPECT_EQ(plat::Describe(plat::LastError().code), "Acesso negado.");
  plat::ClearRefusals();
  EXPECT_EQ(plat::FindFiles("", "*.DAT"), std::vector<std::string>{"F34.DAT"});
}

}  // namespace
