// The table through which an implementation of the platform layer makes its
// system calls (see SetSystemCall in platform.hpp). An implementation lists
// its calls once, as X(name) X(name) ..., in a macro, and gets from
//   LANVO_SYSTEM_CALL_TABLE(LIST)   - the table, in one source file;
//   LANVO_SYSTEM_CALLERS(LIST)      - sys::name(...), which calls the entry,
//                                     in every file that makes those calls.
// Nothing here names a system type: the entries' types come from the system's
// own declarations, which the including file has made.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/platform.hpp"

namespace plat::sys {

struct Entry {
  const char* name;
  SystemCall current;
  SystemCall original;
};

// The implementation's table, defined by LANVO_SYSTEM_CALL_TABLE.
Entry* Table();
std::size_t TableSize();

}  // namespace plat::sys

#define LANVO_SYSTEM_CALL_INDEX(name) k_##name,
#define LANVO_SYSTEM_CALL_ENTRY(name) \
  {#name, reinterpret_cast<::plat::SystemCall>(&::name), reinterpret_cast<::plat::SystemCall>(&::name)},
#define LANVO_SYSTEM_CALLER(name)                                                              \
  template <typename... Args>                                                                  \
  inline auto name(Args... args) {                                                             \
    return reinterpret_cast<decltype(&::name)>(Table()[Index::k_##name].current)(args...);     \
  }

#define LANVO_SYSTEM_CALLERS(LIST)                                    \
  namespace plat::sys {                                               \
  struct Index {                                                      \
    enum : std::size_t { LIST(LANVO_SYSTEM_CALL_INDEX) kCount };      \
  };                                                                  \
  LIST(LANVO_SYSTEM_CALLER)                                           \
  }

#define LANVO_SYSTEM_CALL_TABLE(LIST)                                  \
  namespace plat::sys {                                                \
  namespace {                                                          \
  Entry g_table[] = {LIST(LANVO_SYSTEM_CALL_ENTRY)};                   \
  }                                                                    \
  Entry* Table() { return g_table; }                                   \
  std::size_t TableSize() { return sizeof g_table / sizeof g_table[0]; } \
  }
