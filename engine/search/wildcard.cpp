#include "engine/search/wildcard.h"

#include <vector>

#include "engine/ascii_text.h"

namespace tarnwell::engine {

bool WildcardMatch(std::string_view s, std::string_view p) {
  if (s.size() > kWildcardMaxBytes || p.size() > kWildcardMaxBytes) return false;
  const size_t n = s.size(), m = p.size();
  // match(i, j): does s[i..] match p[j..]? Filled from the ends, one row of
  // the table per name position, so a pattern full of stars costs
  // n x m steps instead of the exponential time plain recursion takes.
  auto loneStar = [&](size_t j) { return j + 1 == m && p[j] == '*'; };
  std::vector<char> below(m + 1), row(m + 1);
  // Row i = n: the name is used up.
  for (size_t j = 0; j <= m; ++j) below[j] = (j == m) || loneStar(j);
  for (size_t i = n; i-- > 0;) {
    row[m] = 0;  // the pattern ended before the name
    for (size_t j = m; j-- > 0;) {
      if (loneStar(j))
        row[j] = 1;
      else if (p[j] == '*')
        row[j] = row[j + 1] || below[j];
      else if (p[j] == '?')
        row[j] = below[j + 1];
      else
        row[j] = p[j] == s[i] && below[j + 1];
    }
    std::swap(row, below);
  }
  return below[0] != 0;
}

std::vector<std::string> SplitPatterns(const std::string& names) {
  std::vector<std::string> patterns;
  std::string line;
  for (size_t i = 0; i < names.size(); ++i) {
    const char c = names[i];
    if (c == ',' || c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < names.size() && names[i + 1] == '\n') ++i;
      patterns.push_back(line);
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) patterns.push_back(line);
  return patterns;
}

bool MatchesAnyPattern(const std::string& name, const std::vector<std::string>& patterns,
                       bool caseSensitive) {
  const std::string subject = caseSensitive ? name : LowerAscii(name);
  for (const std::string& p : patterns)
    if (WildcardMatch(subject, caseSensitive ? p : LowerAscii(p))) return true;
  return false;
}

}  // namespace tarnwell::engine
