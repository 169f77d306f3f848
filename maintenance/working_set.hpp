// The working set of the delinquency update, which the first release kept in
// a hidden list box (item 400) of its dialog: texts compared whole with the
// letter case of code page 1252 ignored, every entry counted, duplicates too.
// A hash set, so that a million lookups take no time.
#pragma once

#include <string_view>

namespace maint {

class WorkingSet {
 public:
  WorkingSet();
  ~WorkingSet();
  WorkingSet(const WorkingSet&) = delete;
  WorkingSet& operator=(const WorkingSet&) = delete;
  void Clear();
  void Add(std::string_view text);
  bool Contains(std::string_view text) const;
  // Entries added since the last Clear(), duplicates included.
  long Count() const;

 private:
  struct Table;
  Table* table_;
};

}  // namespace maint
