// Replacing the entries of the implementation's table of system calls, by
// name. Standard C++ only.
#include "platform/common/system_calls.hpp"

namespace plat {
namespace {

sys::Entry* Find(std::string_view name) {
  for (std::size_t i = 0; i < sys::TableSize(); ++i)
    if (name == sys::Table()[i].name) return &sys::Table()[i];
  return nullptr;
}

}  // namespace

bool SetSystemCall(std::string_view name, SystemCall call) {
  sys::Entry* entry = Find(name);
  if (!entry) return false;
  entry->current = call ? call : entry->original;
  return true;
}

SystemCall GetSystemCall(std::string_view name) {
  sys::Entry* entry = Find(name);
  return entry ? entry->current : nullptr;
}

std::string_view NextSystemCall(std::string_view name) {
  std::size_t next = 0;
  if (!name.empty()) {
    sys::Entry* entry = Find(name);
    if (!entry) return {};
    next = static_cast<std::size_t>(entry - sys::Table()) + 1;
  }
  return next < sys::TableSize() ? sys::Table()[next].name : std::string_view();
}

}  // namespace plat
