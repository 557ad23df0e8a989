#pragma once
// Text from a disk on its way to a terminal: names and labels may hold
// control codes that would clear the screen, recolour it or forge lines.
#include <string>
#include <string_view>

namespace tarnwell::cli {

// The UTF-8 text with every control character (C0, DEL, C1 and the
// bidirectional embeddings, overrides and isolates) as "?".
std::string TerminalSafe(std::string_view utf8);
// The same, appended to out (for a line built in one piece).
void AppendTerminalSafe(std::string& out, std::string_view utf8);

}  // namespace tarnwell::cli
