// The record of entries refused by either implementation of the file
// services. Standard C++ only.
#include <algorithm>

#include "platform/platform.hpp"

namespace plat {
namespace {

std::vector<RefusedEntry>& Entries() {
  static std::vector<RefusedEntry> entries;
  return entries;
}

bool g_stopped = false;

}  // namespace

void Refuse(const std::string& name, Refusal why) {
  if (why != Refusal::kBadName) g_stopped = true;
  auto& entries = Entries();
  bool known = std::any_of(entries.begin(), entries.end(),
                           [&](const RefusedEntry& e) { return e.name == name && e.why == why; });
  // A hostile folder may hold thousands; the first few tell the user enough.
  if (!known && entries.size() < 20) entries.push_back({name, why});
}

const std::vector<RefusedEntry>& RefusedEntries() { return Entries(); }

bool ChangesStopped() { return g_stopped; }

void ClearRefusals() {
  Entries().clear();
  g_stopped = false;
}

}  // namespace plat
