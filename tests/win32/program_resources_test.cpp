// The resources of the built lanvo303.exe that the system reads: the version
// that Explorer and the installers show, and the manifest that the loader
// applies when the program starts.
#include <string>
#include <utility>
#include <vector>

#include "lanvo_version.hpp"
#include "platform/win32/win32.hpp"
#include "tests/support.hpp"

namespace {

const wchar_t kProgram[] = L"" LANVO303_EXE;

// version.dll, loaded here: the test program links only what the library
// links.
class VersionInfo {
 public:
  VersionInfo() {
    HMODULE dll = ::LoadLibraryW(L"version.dll");
    if (!dll) return;
    auto size_of = reinterpret_cast<DWORD(WINAPI*)(LPCWSTR, LPDWORD)>(
        reinterpret_cast<void*>(::GetProcAddress(dll, "GetFileVersionInfoSizeW")));
    auto info_of = reinterpret_cast<BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID)>(
        reinterpret_cast<void*>(::GetProcAddress(dll, "GetFileVersionInfoW")));
    query_ = reinterpret_cast<BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT)>(
        reinterpret_cast<void*>(::GetProcAddress(dll, "VerQueryValueW")));
    if (!size_of || !info_of || !query_) return;
    DWORD ignored = 0;
    DWORD size = size_of(kProgram, &ignored);
    if (size == 0) return;
    data_.resize(size);
    if (!info_of(kProgram, 0, size, data_.data())) data_.clear();
  }
  bool loaded() const { return !data_.empty(); }

  const VS_FIXEDFILEINFO* Fixed() const {
    void* at = nullptr;
    UINT size = 0;
    if (!query_(data_.data(), L"\\", &at, &size) || size < sizeof(VS_FIXEDFILEINFO)) return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(at);
  }
  // The language and code page pairs of VarFileInfo\Translation.
  std::vector<std::pair<WORD, WORD>> Translations() const {
    std::vector<std::pair<WORD, WORD>> found;
    void* at = nullptr;
    UINT size = 0;
    if (!query_(data_.data(), L"\\VarFileInfo\\Translation", &at, &size)) return found;
    const WORD* words = static_cast<const WORD*>(at);
    for (UINT i = 0; i + 1 < size / 2; i += 2) found.emplace_back(words[i], words[i + 1]);
    return found;
  }
  // A value of the block 041604E4; "(none)" when it is missing.
  std::wstring Value(const std::wstring& name) const {
    void* at = nullptr;
    UINT size = 0;
    std::wstring path = L"\\StringFileInfo\\041604E4\\" + name;
    if (!query_(data_.data(), path.c_str(), &at, &size) || !at) return L"(none)";
    return std::wstring(static_cast<const wchar_t*>(at));
  }

 private:
  BOOL(WINAPI* query_)(LPCVOID, LPCWSTR, LPVOID*, PUINT) = nullptr;
  std::vector<BYTE> data_;
};

std::wstring Wide(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

TEST(ProgramResourcesTest, VersionResourceCarriesTheProjectVersion) {
  VersionInfo info;
  ASSERT_TRUE(info.loaded()) << "no version resource in " << LANVO303_EXE;

  const VS_FIXEDFILEINFO* fixed = info.Fixed();
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD ms = (LANVO_VERSION_MAJOR << 16) | LANVO_VERSION_MINOR;
  const DWORD ls = static_cast<DWORD>(LANVO_VERSION_PATCH) << 16;
  EXPECT_EQ(fixed->dwFileVersionMS, ms);
  EXPECT_EQ(fixed->dwFileVersionLS, ls);
  EXPECT_EQ(fixed->dwProductVersionMS, ms);
  EXPECT_EQ(fixed->dwProductVersionLS, ls);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed->dwFileFlags & VS_FF_DEBUG, 0u);

  // One language: Portuguese (Brazil) in code page 1252, the block's name.
  std::vector<std::pair<WORD, WORD>> translations = info.Translations();
  ASSERT_EQ(translations.size(), 1u);
  EXPECT_EQ(translations[0].first, 0x0416);
  EXPECT_EQ(translations[0].second, 1252);

  EXPECT_EQ(info.Value(L"FileVersion"), Wide(LANVO_VERSION));
  EXPECT_EQ(info.Value(L"ProductVersion"), Wide(LANVO_VERSION));
  EXPECT_EQ(info.Value(L"CompanyName"), L"Lanvo");
  EXPECT_EQ(info.Value(L"ProductName"), L"Lanvo");
  EXPECT_EQ(info.Value(L"OriginalFilename"), L"lanvo303.exe");
  EXPECT_EQ(info.Value(L"InternalName"), L"lanvo303");
  // The accents come through from the UTF-8 source as text, not as bytes.
  EXPECT_EQ(info.Value(L"FileDescription"), L"Conversor de dados do Lanvo para a vers\u00e3o 3.03");
  EXPECT_EQ(info.Value(L"LegalCopyright").rfind(L"\u00a9 Lanvo", 0), 0u);
}

TEST(ProgramResourcesTest, ManifestAsksForTheUsersRightsAndCommonControls6) {
  HMODULE image = ::LoadLibraryExW(kProgram, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr) << LANVO303_EXE;
  HRSRC found = ::FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr) << "no manifest of id 1";
  const char* text = static_cast<const char*>(::LockResource(::LoadResource(image, found)));
  std::string manifest(text, ::SizeofResource(image, found));
  ::FreeLibrary(image);

  // Each of what the program depends on, not merely a manifest.
  for (const char* part :
       {"level=\"asInvoker\"", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        ">true/pm</dpiAware>", ">PerMonitorV2, PerMonitor</dpiAwareness>",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  // The version of the assembly is the program's, and nothing is left of the
  // configuration.
  EXPECT_NE(manifest.find("version=\"" LANVO_VERSION ".0\""), std::string::npos);
  EXPECT_EQ(manifest.find('@'), std::string::npos);
}

}  // namespace
