// The working set of the delinquency update.
//
// A member file may name a million taxpayers, and every client is looked up
// once: the set is an open-addressing hash table over one block of text, so
// that an entry costs no allocation of its own and a lookup touches one slot
// and the text it points to, not a chain of nodes spread over the heap.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "maintenance/working_set.hpp"

namespace maint {
namespace {

// Folds the letters of code page 1252 to lower case: A to Z, the accented
// capitals from C0 to DE (not D7, the multiplication sign), and Š, Œ, Ž, Ÿ.
constexpr unsigned char FoldLetter(unsigned char c) {
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

constexpr std::array<unsigned char, 256> kFolded = [] {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = FoldLetter(static_cast<unsigned char>(c));
  return table;
}();

unsigned char Fold(char c) { return kFolded[static_cast<unsigned char>(c)]; }

// FNV-1a over the folded text.
std::uint64_t HashFolded(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (char c : text) {
    hash ^= Fold(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

}  // namespace

struct WorkingSet::Table {
  struct Slot {
    std::uint64_t hash = 0;
    std::uint64_t at = 0;      // where the folded text begins in texts
    std::uint32_t length = 0;
    bool used = false;
  };

  std::string texts;        // the folded texts of the entries, back to back
  std::vector<Slot> slots;  // a power of two of them, at most 3/4 used
  std::size_t entries = 0;  // distinct texts
  long count = 0;           // texts added, duplicates included

  bool Matches(const Slot& slot, std::uint64_t hash, std::string_view text) const {
    if (slot.hash != hash || slot.length != text.size()) return false;
    const char* stored = texts.data() + slot.at;
    for (std::size_t i = 0; i < text.size(); ++i)
      if (static_cast<unsigned char>(stored[i]) != Fold(text[i])) return false;
    return true;
  }

  // The slot that holds text, or the free slot where it would go.
  std::size_t Find(std::uint64_t hash, std::string_view text) const {
    std::size_t mask = slots.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask)
      if (!slots[i].used || Matches(slots[i], hash, text)) return i;
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots);
    slots.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
    std::size_t mask = slots.size() - 1;
    for (const Slot& slot : old) {
      if (!slot.used) continue;
      std::size_t i = static_cast<std::size_t>(slot.hash) & mask;
      while (slots[i].used) i = (i + 1) & mask;
      slots[i] = slot;
    }
  }
};

WorkingSet::WorkingSet() : table_(new Table) {}
WorkingSet::~WorkingSet() { delete table_; }

void WorkingSet::Clear() { *table_ = Table{}; }

void WorkingSet::Add(std::string_view text) {
  Table& t = *table_;
  ++t.count;
  if ((t.entries + 1) * 4 > t.slots.size() * 3) t.Grow();
  std::uint64_t hash = HashFolded(text);
  Table::Slot& slot = t.slots[t.Find(hash, text)];
  if (slot.used) return;  // a duplicate: counted, not stored twice
  slot = {hash, t.texts.size(), static_cast<std::uint32_t>(text.size()), true};
  for (char c : text) t.texts.push_back(static_cast<char>(Fold(c)));
  ++t.entries;
}

bool WorkingSet::Contains(std::string_view text) const {
  const Table& t = *table_;
  if (t.entries == 0) return false;
  return t.slots[t.Find(HashFolded(text), text)].used;
}

long WorkingSet::Count() const { return table_->count; }

}  // namespace maint
