// The dialog templates as windres compiled them into the program: every
// item of BOX104A and BOX104B with its id, kind, text, position and size in
// dialog units and its style, read back from the template in the resources.
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32.hpp"
#include "tests/support.hpp"

namespace {

struct Item {
  int id;
  std::wstring kind;  // the predefined class of the control
  std::wstring text;
  int x, y, w, h;
  DWORD style;
};

struct Template {
  DWORD style = 0;
  int x = 0, y = 0, w = 0, h = 0;
  std::wstring caption;
  bool has_font = false;
  std::vector<Item> items;
};

// Reads a DLGTEMPLATE (the classic form, which windres writes for DIALOG).
class Reader {
 public:
  explicit Reader(const BYTE* at) : at_(at) {}
  WORD Word() {
    WORD w;
    std::memcpy(&w, at_, 2);
    at_ += 2;
    return w;
  }
  DWORD Dword() { return Word() | (static_cast<DWORD>(Word()) << 16); }
  short Short() { return static_cast<short>(Word()); }
  // A text, or 0xFFFF and an ordinal (given as "#n", the predefined classes
  // by their names).
  std::wstring TextOrOrdinal() {
    WORD first = Word();
    if (first == 0xFFFF) {
      switch (WORD ordinal = Word()) {
        case 0x80: return L"Button";
        case 0x81: return L"Edit";
        case 0x82: return L"Static";
        case 0x83: return L"ListBox";
        default: return L"#" + std::to_wstring(ordinal);
      }
    }
    std::wstring text;
    for (WORD c = first; c != 0; c = Word()) text += static_cast<wchar_t>(c);
    return text;
  }
  void AlignToDword() {
    while (reinterpret_cast<std::uintptr_t>(at_) % 4) ++at_;
  }

 private:
  const BYTE* at_;
};

Template Load(const wchar_t* name) {
  Template t;
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, name, reinterpret_cast<LPCWSTR>(RT_DIALOG));
  if (!found) return t;
  Reader r(static_cast<const BYTE*>(::LockResource(::LoadResource(module, found))));
  t.style = r.Dword();
  r.Dword();  // extended style
  WORD count = r.Word();
  t.x = r.Short();
  t.y = r.Short();
  t.w = r.Short();
  t.h = r.Short();
  r.TextOrOrdinal();  // menu
  r.TextOrOrdinal();  // class
  t.caption = r.TextOrOrdinal();
  t.has_font = (t.style & DS_SETFONT) != 0;
  for (WORD i = 0; i < count; ++i) {
    r.AlignToDword();
    Item item;
    item.style = r.Dword();
    r.Dword();  // extended style
    item.x = r.Short();
    item.y = r.Short();
    item.w = r.Short();
    item.h = r.Short();
    item.id = r.Word();
    item.kind = r.TextOrOrdinal();
    item.text = r.TextOrOrdinal();
    WORD extra = r.Word();
    for (WORD b = 0; b < extra; b += 2) r.Word();
    t.items.push_back(item);
  }
  return t;
}

// Class names are compared as Windows compares them, in any letter case.
std::wstring Upper(std::wstring text) {
  ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kDialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kSunkenLine = SS_LEFT | SS_SUNKEN | SS_CENTERIMAGE;  // vertically centred
constexpr DWORD kSunkenCount = SS_CENTER | SS_SUNKEN;

void ExpectItems(const Template& t, const std::vector<Item>& want) {
  ASSERT_EQ(t.items.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const Item& got = t.items[i];
    const Item& w = want[i];
    SCOPED_TRACE("item " + std::to_string(w.id));
    EXPECT_EQ(got.id, w.id);
    EXPECT_EQ(Upper(got.kind), Upper(w.kind));
    EXPECT_EQ(plat::win32::Utf8(got.text), plat::win32::Utf8(w.text));
    EXPECT_EQ((std::vector<int>{got.x, got.y, got.w, got.h}), (std::vector<int>{w.x, w.y, w.w, w.h}));
    EXPECT_EQ(got.style, w.style | kChild) << std::hex << got.style;
  }
}

TEST(ResourcesTest, ConversionDialogBox104A) {
  Template t = Load(L"BOX104A");
  EXPECT_EQ(t.style & ~static_cast<DWORD>(WS_CLIPSIBLINGS), kDialog);
  EXPECT_FALSE(t.has_font);
  EXPECT_EQ(t.caption, L"Lanvo");
  EXPECT_EQ((std::vector<int>{t.x, t.y, t.w, t.h}), (std::vector<int>{20, 40, 180, 66}));
  ExpectItems(t, {
      {250, L"Static", L"Pasta:", 10, 15, 30, 10, SS_LEFT},
      {150, L"Static", L"", 40, 15, 130, 10, kSunkenLine},
      {200, L"Static", L"Status:", 10, 27, 30, 10, SS_LEFT},
      {100, L"Static", L"", 40, 27, 130, 10, kSunkenLine},
      {300, L"Button", L"&Converter Vers\u00F5es", 10, 48, 60, 11, BS_PUSHBUTTON | WS_TABSTOP},
      {2, L"Button", L"&Fechar", 71, 48, 40, 11, BS_PUSHBUTTON | WS_TABSTOP},
      {500, L"Button", L"", 0, 0, 0, 0, BS_DEFPUSHBUTTON},
      {350, L"Button", L"", 5, 5, 170, 36, BS_GROUPBOX},
  });
}

TEST(ResourcesTest, DelinquencyLayoutBox104B) {
  Template t = Load(L"BOX104B");
  EXPECT_EQ(t.style & ~static_cast<DWORD>(WS_CLIPSIBLINGS), kDialog);
  EXPECT_FALSE(t.has_font);
  EXPECT_EQ(t.caption, L"Lanvo");
  EXPECT_EQ((std::vector<int>{t.x, t.y, t.w, t.h}), (std::vector<int>{20, 40, 155, 95}));
  ExpectItems(t, {
      {352, L"Button", L"Veltoral 5.30 - Inadimpl\u00EAncia", 5, 5, 110, 48, BS_GROUPBOX},
      {200, L"Static", L"Veltoral - CPF/CNPJ em dia:", 10, 15, 75, 10, SS_LEFT},
      {100, L"Static", L"0", 85, 15, 25, 10, kSunkenCount},
      {201, L"Static", L"Grupo 1xx - S\u00F3cios em dia:", 10, 27, 75, 10, SS_LEFT},
      {101, L"Static", L"0", 85, 27, 25, 10, kSunkenCount},
      {202, L"Static", L"Grupo 0xx - Inadimplentes:", 10, 39, 75, 10, SS_LEFT},
      {102, L"Static", L"0", 85, 39, 25, 10, kSunkenCount},
      {313, L"Button", L"&Atualizar", 5, 60, 40, 11, BS_PUSHBUTTON | WS_TABSTOP},
      {2, L"Button", L"&Fechar", 46, 60, 39, 11, BS_PUSHBUTTON | WS_TABSTOP},
      {500, L"Button", L"", 0, 0, 0, 0, BS_DEFPUSHBUTTON},
      {150, L"Static", L"", 5, 80, 145, 10, kSunkenLine},
      // Unsorted: the working list keeps the order of the member file.
      {400, L"ListBox", L"", 0, 0, 0, 0, LBS_NOTIFY | WS_BORDER | WS_VSCROLL},
  });
}

// The maintenance dialogs hold the fields that their commands read.
TEST(ResourcesTest, MaintenanceDialogsHoldTheirFieldsAndCommands) {
  auto ids = [](const Template& t) {
    std::vector<int> out;
    for (const Item& item : t.items) out.push_back(item.id);
    return out;
  };
  Template export_import = Load(L"BOXEXPIMP");
  EXPECT_EQ(ids(export_import), (std::vector<int>{350, 250, 100, 310, 311, 2, 500}));
  EXPECT_EQ(Upper(export_import.items[2].kind), L"EDIT");
  Template regroup = Load(L"BOXGROUP");
  EXPECT_EQ(ids(regroup), (std::vector<int>{350, 250, 110, 251, 111, 312, 2, 500}));
  EXPECT_EQ(Upper(regroup.items[2].kind), L"EDIT");
  EXPECT_EQ(Upper(regroup.items[4].kind), L"EDIT");
  for (const Template* t : {&export_import, &regroup}) {
    EXPECT_EQ(t->style & ~static_cast<DWORD>(WS_CLIPSIBLINGS), kDialog);
    // Enter moves on, as in BOX104A: the default button is the invisible 500.
    EXPECT_EQ(t->items.back().style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(t->items.back().w, 0);
  }
}

}  // namespace
