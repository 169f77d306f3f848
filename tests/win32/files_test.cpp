// What the Win32 side of the platform layer adds to the contract of both
// sides (tests/platform_files_test.cpp): the real read-only attribute, the
// busy test against another process, appends at the end,
// the pattern search without short names, names beyond ASCII, the temporary
// folder and the free space of a drive.
#include <filesystem>

#include "platform/platform.hpp"
#include "platform/win32/win32.hpp"
#include "recfile/recfile.hpp"
#include "tests/support.hpp"
#include "tests/win32/win_support.hpp"

namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;
namespace fs = test::fs;

class Win32FilesTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
  static DWORD Attributes(const wchar_t* name) { return ::GetFileAttributesW(name); }
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

}  // namespace
