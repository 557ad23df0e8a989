#pragma once
#include <string_view>

namespace tarnwell::engine {

// The matcher's name and pattern buffers hold 1023 bytes and a terminator.
inline constexpr size_t kWildcardMaxBytes = 1023;

// "*" matches any run of characters and "?" one character; everything else
// matches itself, byte for byte. Once the name is used up, only an empty
// pattern or exactly one remaining "*" matches: "ab*" matches "ab", "ab**"
// does not. A name or pattern longer than the buffers is refused (false)
// rather than cut short, which could make it match what it does not.
bool WildcardMatch(std::string_view name, std::string_view pattern);

}  // namespace tarnwell::engine
