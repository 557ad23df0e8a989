#include "cli/terminal_text.h"

#include <algorithm>

namespace tarnwell::cli {

void AppendTerminalSafe(std::string& out, std::string_view utf8) {
  out.reserve(out.size() + utf8.size());
  size_t run = 0;  // start of the bytes not yet appended, all safe
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const bool c0 = c < 0x20 || c == 0x7F;
    // U+0080 .. U+009F, the C1 controls (CSI among them).
    const bool c1 = c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
    if (!c0 && !c1) continue;
    out.append(utf8.substr(run, i - run));
    out += '?';
    if (c1) ++i;
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
