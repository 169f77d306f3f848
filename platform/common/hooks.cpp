// Test hooks, fault injection and the observer of file operations, shared by
// both implementations of the platform layer. Standard C++ only.
#include <cstdlib>

#include "platform/platform.hpp"

namespace plat {
namespace {

FaultKind g_fault_kind = FaultKind::kNone;
std::uint64_t g_fault_at = 0;
std::uint64_t g_operations = 0;
void (*g_observer)() = nullptr;

}  // namespace

Hooks& TestHooks() {
  static Hooks hooks;
  return hooks;
}

void InjectFault(FaultKind kind, std::uint64_t at_operation) {
  g_fault_kind = kind;
  g_fault_at = at_operation;
  g_operations = 0;
}

std::uint64_t FileOperationCount() { return g_operations; }

void SetFileOpObserver(void (*observer)()) { g_observer = observer; }

bool FileOpAllowed(FileOp op) {
  if (g_observer) g_observer();
  ++g_operations;
  if (g_fault_kind != FaultKind::kNone && g_operations == g_fault_at) {
    // A crash ends the process on the spot: no buffer of ours is written and
    // nothing the system has not yet been handed reaches the disk.
    if (g_fault_kind == FaultKind::kCrash) std::_Exit(86);
    return false;
  }
  Hooks& hooks = TestHooks();
  return !hooks.before_file_op || hooks.before_file_op(op);
}

}  // namespace plat
