#include "cli/terminal_window.h"

#include <unistd.h>

#include <cstdio>

#include "cli/terminal_text.h"
#include "cli/progress_line.h"
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

bool TerminalDrawing::Enabled() const { return !quiet_ && StderrIsTerminal(); }

void TerminalStatus::SetText(const std::string& text) {
  if (!drawing_.Enabled()) return;
  std::fprintf(stderr, "\r\033[K%s", Utf8(text).c_str());
  std::fflush(stderr);
}

void TerminalProgress::SetPosition(int percent) {
  if (!drawing_.Enabled() || percent == last_) return;
  const auto now = std::chrono::steady_clock::now();
  // A job starts when its bar first moves; rate and time left count from
  // there.
  if (last_ < 0 || percent < last_) start_ = now;
  last_ = percent;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  std::fprintf(stderr, "\r\033[K%s", ProgressLine(percent, elapsed, jobBytes_).c_str());
  std::fflush(stderr);
}

void TerminalProgress::SetVisible(bool visible) {
  if (!visible && drawing_.Enabled()) {
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
