// Test hooks and fault injection, shared by both implementations of the
// platform layer. Standard C++ only.
#include <cstdlib>

#include "platform/platform.hpp"

namespace plat {
namespace {

FaultKind g_fault_kind = FaultKind::kNone;
std::uint64_t g_fault_at = 0;
std::uint64_t g_operations = 0;

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

bool FileOpAllowed(FileOp op) {
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
