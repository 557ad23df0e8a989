#pragma once
// The options the desktop program answers before it opens a window, so that
// `tarnwell --version` and `tarnwell --help` work without a display (help2man
// and scripts call them from a plain shell).
#include <optional>
#include <string>

namespace tarnwell::app {

// What --version prints: "tarnwell 1.0.0".
std::string VersionText();
// What --help prints: usage, options and where the help pages were found.
std::string HelpText();

// Answers --version or --help (the first argument only, as such programs
// do) and returns the exit status; nullopt when the window should open.
std::optional<int> AnswerInfoOption(int argc, char** argv);

}  // namespace tarnwell::app
