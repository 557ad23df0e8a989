#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::engine {

// The matcher's name and pattern buffers hold 1023 bytes and a terminator.
inline constexpr size_t kWildcardMaxBytes = 1023;

// "*" matches any run of characters and "?" one character; everything else
// matches itself, byte for byte. Once the name is used up, only an empty
// pattern or exactly one remaining "*" matches: "ab*" matches "ab", "ab**"
// does not. A name or pattern longer than the buffers is refused (false)
// rather than cut short, which could make it match what it does not.
bool WildcardMatch(std::string_view name, std::string_view pattern);

// A name list as typed: every "," becomes a line break and each line is a
// pattern, not trimmed ("a, b" gives "a" and " b"). A final line break ends
// the last line rather than starting an empty one.
std::vector<std::string> SplitPatterns(const std::string& names);

// True when any pattern matches the name; without case-sensitivity both
// are lowered (A-Z only) first.
bool MatchesAnyPattern(const std::string& name, const std::vector<std::string>& patterns,
                       bool caseSensitive);

}  // namespace tarnwell::engine
