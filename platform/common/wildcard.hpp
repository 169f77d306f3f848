// The pattern match of a folder search, shared by both implementations of
// the platform layer: '*' matches any run of characters, '?' any one, and the
// letters A to Z match in either case. Standard C++ only.
#pragma once

#include <string_view>

namespace plat {

bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace plat
