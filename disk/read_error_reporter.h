#pragma once
// The volume reader shows its own read-error message; the front end decides
// where such a message goes (an error box, the terminal, a test recorder).
#include <functional>
#include <string>

namespace tarnwell::disk {

using ReadErrorReporter = std::function<void(const std::string& message)>;

// Installs the reporter; returns the previous one so callers can restore it.
ReadErrorReporter SetReadErrorReporter(ReadErrorReporter reporter);
void ReportReadError(const std::string& message);

}  // namespace tarnwell::disk
