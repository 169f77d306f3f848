// The working set of the delinquency update, shared by both implementations.
#include <string>
#include <unordered_set>

#include "platform/platform.hpp"

namespace plat {
namespace {

// Folds the letters of code page 1252 to lower case: A to Z, the accented
// capitals from C0 to DE (not D7, the multiplication sign), and Š, Œ, Ž, Ÿ.
unsigned char FoldLetter(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
  }
}

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(FoldLetter(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

struct WorkingSet::Table {
  std::unordered_set<std::string> texts;
  long count = 0;
};

WorkingSet::WorkingSet() : table_(new Table) {}
WorkingSet::~WorkingSet() { delete table_; }

void WorkingSet::Clear() {
  table_->texts.clear();
  table_->count = 0;
}

void WorkingSet::Add(std::string_view text) {
  table_->texts.insert(Folded(text));
  ++table_->count;
}

bool WorkingSet::Contains(std::string_view text) const { return table_->texts.count(Folded(text)) > 0; }

long WorkingSet::Count() const { return table_->count; }

}  // namespace plat
