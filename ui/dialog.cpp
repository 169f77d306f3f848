#include "ui/dialog.hpp"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "recfile/text.hpp"

unsigned long GetDlgNumber(plat::Dialog* dialog, int id) {
  std::string text = dialog->ItemText(id).substr(0, 11);
  long value = TextToInt(text.c_str());
  // The sign is dropped; the value is the magnitude in the 32 bits of "%u".
  unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  magnitude &= 0xFFFFFFFFUL;
  char out[24];
  std::snprintf(out, sizeof out, "%lu", magnitude);
  dialog->SetItemText(id, out);
  return magnitude;
}

void SetDlgNumber(plat::Dialog* dialog, int id, long value) {
  char out[24];
  std::snprintf(out, sizeof out, "%ld", value);
  dialog->SetItemText(id, out);
}

void SetDlgCode(plat::Dialog* dialog, int id, int width) {
  if (width < 3 || width > 6) {
    dialog->SetItemText(id, "");
    return;
  }
  static const unsigned long kWidest[] = {999, 9999, 99999, 999999};
  unsigned long value = GetDlgNumber(dialog, id);
  if (value == 0 || value > kWidest[width - 3]) value = 1;
  char out[32];
  std::snprintf(out, sizeof out, "%0*lu", width, value);
  dialog->SetItemText(id, out);
}

void SetDialogFont(plat::Dialog* dialog) {
  if (dialog->HasItem(kItemClose)) dialog->SetItemFont(kItemClose);
  for (int id = 100; id <= 399; ++id)
    if (dialog->HasItem(id)) dialog->SetItemFont(id);
}

void SetStatusLine(plat::Dialog* dialog, std::string_view text) {
  if (dialog) dialog->SetItemText(kItemStatus, text);
}

std::string ItemTextLatin1(plat::Dialog* dialog, int id, std::size_t max) {
  std::string text = dialog->ItemText(id);
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  Utf8ToLatin1(buffer.data());
  std::string latin(buffer.data());
  return latin.substr(0, max);
}
