#pragma once
// The engine's window interfaces on a terminal: log lines and messages in
// UTF-8, a progress line on stderr when stderr is a terminal.
#include <string>

#include "engine/throttled_pump.h"
#include "engine/window_interfaces.h"

namespace tarnwell::cli {

class TerminalStatus final : public engine::StatusPanel {
 public:
  void SetText(const std::string& text) override;
};

class TerminalProgress final : public engine::ProgressBar {
 public:
  void SetPosition(int percent) override;
  void SetVisible(bool visible) override;

 private:
  int last_ = -1;
};

class TerminalLog final : public engine::EventLog {
 public:
  void AddLine(const std::string& text, int iconIndex, const std::string& time) override;
  int ErrorLines() const { return errors_; }

 private:
  int errors_ = 0;
};

class TerminalBoxes final : public engine::MessageBoxes {
 public:
  void Error(const std::string& text) override;
  void Warning(const std::string& text) override;
  void Information(const std::string& text) override;
  int Errors() const { return errors_; }

 private:
  int errors_ = 0;
};

// Nothing to process between events on a terminal.
class TerminalPump final : public engine::ThrottledPump {
 protected:
  void ProcessEvents() override {}
};

// True when stderr is an interactive terminal (progress lines go there).
bool StderrIsTerminal();

}  // namespace tarnwell::cli
