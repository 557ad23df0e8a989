#include "cli/terminal_window.h"

#include <unistd.h>

#include <cstdio>

#include "cli/terminal_text.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

// Log lines, messages and the status line carry names from the disk.
std::string Utf8(const std::string& system) { return TerminalSafe(platform::SystemToUtf8(system)); }

}  // namespace

bool StderrIsTerminal() {
  static const bool tty = ::isatty(STDERR_FILENO) != 0;
  return tty;
}

void TerminalStatus::SetText(const std::string& text) {
  if (!StderrIsTerminal()) return;
  std::fprintf(stderr, "\r\033[K%s", Utf8(text).c_str());
  std::fflush(stderr);
}

void TerminalProgress::SetPosition(int percent) {
  if (!StderrIsTerminal() || percent == last_) return;
  last_ = percent;
  std::fprintf(stderr, "\r\033[K%3d%%", percent);
  std::fflush(stderr);
}

void TerminalProgress::SetVisible(bool visible) {
  if (!visible && StderrIsTerminal()) {
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
  }
  last_ = -1;
}

void TerminalLog::AddLine(const std::string& text, int iconIndex, const std::string& time) {
  if (iconIndex == 2) ++errors_;
  std::printf("%s  %s\n", time.c_str(), Utf8(text).c_str());
}

void TerminalBoxes::Error(const std::string& text) {
  ++errors_;
  std::fprintf(stderr, "error: %s\n", Utf8(text).c_str());
}

void TerminalBoxes::Warning(const std::string& text) {
  std::fprintf(stderr, "warning: %s\n", Utf8(text).c_str());
}

void TerminalBoxes::Information(const std::string& text) {
  std::fprintf(stderr, "%s\n", Utf8(text).c_str());
}

}  // namespace tarnwell::cli
