#include "cli/terminal_text.h"

#include <algorithm>

namespace tarnwell::cli {
namespace {

// The explicit bidirectional controls, U+202A to U+202E (embeddings and
// overrides, E2 80 AA..AE) and U+2066 to U+2069 (isolates, E2 81 A6..A9):
// a right-to-left override in a name turns the rest of the line around.
bool BidiControlAt(std::string_view utf8, size_t i) {
  if (i + 2 >= utf8.size()) return false;
  const auto b1 = static_cast<unsigned char>(utf8[i + 1]);
  const auto b2 = static_cast<unsigned char>(utf8[i + 2]);
  return (b1 == 0x80 && b2 >= 0xAA && b2 <= 0xAE) || (b1 == 0x81 && b2 >= 0xA6 && b2 <= 0xA9);
}

}  // namespace

void AppendTerminalSafe(std::string& out, std::string_view utf8) {
  out.reserve(out.size() + utf8.size());
  size_t run = 0;  // start of the bytes not yet appended, all safe
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const bool c0 = c < 0x20 || c == 0x7F;
    // U+0080 .. U+009F, the C1 controls (CSI among them).
    const bool c1 = c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
    const bool bidi = c == 0xE2 && BidiControlAt(utf8, i);
    if (!c0 && !c1 && !bidi) continue;
    out.append(utf8.substr(run, i - run));
    out += '?';
    if (c1) ++i;
    if (bidi) i += 2;
    run = i + 1;
  }
  out.append(utf8.substr(std::min(run, utf8.size())));
}

std::string TerminalSafe(std::string_view utf8) {
  std::string out;
  AppendTerminalSafe(out, utf8);
  return out;
}

}  // namespace tarnwell::cli
