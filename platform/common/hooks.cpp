// Test hooks, fault injection, the observer of file operations and the
// record of the last failure's cause, shared by both implementations of the
// platform layer. Standard C++ only.
#include <cerrno>
#include <cstdlib>

#include "platform/platform.hpp"

namespace plat {
namespace {

FaultKind g_fault_kind = FaultKind::kNone;
std::uint64_t g_fault_at = 0;
std::uint64_t g_operations = 0;
void (*g_observer)() = nullptr;
bool g_fault_failed = false;
FileOp g_fault_op = FileOp::kOpen;
// The code of an injected failure, until the implementation records it.
std::error_code g_pending;

Error& Last() {
  static Error last;
  return last;
}

}  // namespace

Hooks& TestHooks() {
  static Hooks hooks;
  return hooks;
}

const char* FileOpName(FileOp op) {
  static constexpr const char* kNames[kFileOpKinds] = {
      "open",   "read",   "write",       "size",          "sync",       "close",  "delete", "copy",
      "rename", "mkdir", "rmdir", "attributes", "lookup", "list", "busy"};
  int i = static_cast<int>(op);
  return i >= 0 && i < kFileOpKinds ? kNames[i] : "?";
}

void InjectFault(FaultKind kind, std::uint64_t at_operation) {
  g_fault_kind = kind;
  g_fault_at = at_operation;
  g_operations = 0;
  g_fault_failed = false;
}

std::uint64_t FileOperationCount() { return g_operations; }

void SetFileOpObserver(void (*observer)()) { g_observer = observer; }

bool InjectedFailure(FileOp* op) {
  if (g_fault_failed && op) *op = g_fault_op;
  return g_fault_failed;
}

bool FileOpAllowed(FileOp op) {
  if (g_observer) g_observer();
  ++g_operations;
  bool allowed = true;
  if (g_fault_kind != FaultKind::kNone && g_operations == g_fault_at) {
    // A crash ends the process on the spot: no buffer of ours is written and
    // nothing the system has not yet been handed reaches the disk.
    if (g_fault_kind == FaultKind::kCrash) std::_Exit(86);
    g_fault_failed = true;
    g_fault_op = op;
    allowed = false;
  } else {
    Hooks& hooks = TestHooks();
    allowed = !hooks.before_file_op || hooks.before_file_op(op);
  }
  if (!allowed)
    g_pending = std::make_error_code(op == FileOp::kWrite ? std::errc::no_space_on_device : std::errc::io_error);
  return allowed;
}

const Error& LastError() { return Last(); }

void ClearLastError() {
  Last() = Error{};
  g_pending.clear();
}

void NoteError(FileOp op, const std::string& name, std::error_code code) {
  if (g_pending) code = g_pending;
  g_pending.clear();
  // A failure whose cause the system did not give (a refusal of our own).
  if (!code) code = std::make_error_code(std::errc::operation_not_permitted);
  Last() = Error{op, name, code};
}

std::string Describe(const std::error_code& code) {
  if (code.category() != std::generic_category()) return SystemText(code.value());
  switch (static_cast<std::errc>(code.value())) {
    case std::errc::no_space_on_device: return "Espaço insuficiente no disco.";
    case std::errc::file_too_large: return "O arquivo ficou grande demais.";
    case std::errc::io_error: return "Erro de leitura ou gravação no disco.";
    case std::errc::permission_denied:
    case std::errc::operation_not_permitted: return "Acesso negado.";
    case std::errc::read_only_file_system: return "O disco está protegido contra gravação.";
    case std::errc::no_such_file_or_directory: return "Arquivo não encontrado.";
    case std::errc::file_exists: return "O arquivo já existe.";
    case std::errc::too_many_files_open: return "Arquivos abertos demais.";
    case std::errc::device_or_resource_busy:
    case std::errc::text_file_busy: return "O arquivo está em uso.";
    default: break;
  }
  std::string text = code.message();
  if (!text.empty() && text.back() != '.') text += '.';
  return text;
}

}  // namespace plat
