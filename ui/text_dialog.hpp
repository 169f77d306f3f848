// A dialog that only holds texts: the console's stand-in for the Windows
// dialog, and the dialog of the tests. Portable.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace ui {

class TextDialog : public plat::Dialog {
 public:
  // A dialog with the given items, all empty, owned by a window of that title.
  TextDialog(std::vector<int> items, std::string owner_title);

  std::string ItemText(int id) override;
  void SetItemText(int id, std::string_view text) override;
  bool HasItem(int id) override { return items_.count(id) > 0; }
  void LimitItemText(int id, int characters) override;
  void SetItemFont(int id) override { fonts_.insert(id); }
  std::string OwnerTitle() override { return owner_title_; }
  void SetCaption(std::string_view text) override { caption_ = text; }
  void End(int result) override;
  void NextTabStop() override { ++tab_moves_; }
  void Repaint() override { ++repaints_; }

  // What the dialog went through, for the console and the tests.
  const std::string& caption() const { return caption_; }
  bool ended() const { return ended_; }
  int result() const { return result_; }
  int tab_moves() const { return tab_moves_; }
  int repaints() const { return repaints_; }
  const std::set<int>& fonts() const { return fonts_; }
  int limit(int id) const;
  // Every text an item was given, in order (the status line's history).
  const std::vector<std::string>& history(int id) { return history_[id]; }

 private:
  std::set<int> items_;
  std::map<int, std::string> texts_;
  std::map<int, int> limits_;
  std::map<int, std::vector<std::string>> history_;
  std::set<int> fonts_;
  std::string owner_title_;
  std::string caption_;
  bool ended_ = false;
  int result_ = 0;
  int tab_moves_ = 0;
  int repaints_ = 0;
};

// The items of the conversion dialog BOX104A and of the layout BOX104B.
std::vector<int> ConversionDialogItems();
std::vector<int> DelinquencyDialogItems();

}  // namespace ui
