#pragma once
// Case changes that touch A-Z only: the names are GB18030 byte strings, and
// lowering any other byte would corrupt a multi-byte character.
#include <string>

namespace tarnwell::engine {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
inline std::string LowerAscii(std::string s) {
  for (char& c : s) c = LowerAscii(c);
  return s;
}

}  // namespace tarnwell::engine
