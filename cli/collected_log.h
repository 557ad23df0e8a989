#pragma once
// An event log for the disk commands: keeps every line, printing it at once
// in text mode, so that JSON mode can fold the lines into its output.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/terminal_text.h"
#include "engine/window_interfaces.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {

class CollectedLog final : public engine::EventLog {
 public:
  struct Line {
    std::string text;
    int icon;
    std::string time;
  };
  void AddLine(const std::string& text, int icon, const std::string& time) override {
    lines.push_back({text, icon, time});
    if (!json) std::printf("%s  %s\n", time.c_str(), TerminalSafe(platform::SystemToUtf8(text)).c_str());
  }
  bool json = false;
  std::vector<Line> lines;
};

}  // namespace tarnwell::cli
