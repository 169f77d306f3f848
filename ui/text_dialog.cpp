#include "ui/text_dialog.hpp"

namespace ui {

TextDialog::TextDialog(std::vector<int> items, std::string owner_title)
    : items_(items.begin(), items.end()), owner_title_(std::move(owner_title)) {}

std::string TextDialog::ItemText(int id) {
  auto it = texts_.find(id);
  return (items_.count(id) && it != texts_.end()) ? it->second : std::string();
}

void TextDialog::SetItemText(int id, std::string_view text) {
  if (!items_.count(id)) return;
  texts_[id] = std::string(text);
  history_[id].emplace_back(text);
}

void TextDialog::LimitItemText(int id, int characters) {
  if (items_.count(id)) limits_[id] = characters;
}

int TextDialog::limit(int id) const {
  auto it = limits_.find(id);
  return it == limits_.end() ? 0 : it->second;
}

void TextDialog::End(int result) {
  ended_ = true;
  result_ = result;
}

std::vector<int> ConversionDialogItems() { return {250, 150, 200, 100, 300, 2, 500, 350}; }

std::vector<int> DelinquencyDialogItems() {
  return {352, 200, 100, 201, 101, 202, 102, 313, 2, 500, 150, 400};
}

}  // namespace ui
