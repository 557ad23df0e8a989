#pragma once
// The engine's window interfaces on a terminal: log lines and messages in
// UTF-8, a progress line on stderr when stderr is a terminal.
#include <chrono>
#include <cstdint>
#include <string>

#include "engine/throttled_pump.h"
#include "engine/window_interfaces.h"

namespace tarnwell::cli {

// Whether anything is drawn on the terminal: stderr is one and --quiet was
// not given.
class TerminalDrawing {
 public:
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  bool Enabled() const;

 private:
  bool quiet_ = false;
};

class TerminalStatus final : public engine::StatusPanel {
 public:
  explicit TerminalStatus(const TerminalDrawing& drawing) : drawing_(drawing) {}
  void SetText(const std::string& text) override;

 private:
  const TerminalDrawing& drawing_;
};

// The progress bar as one line with percent, rate and time left.
class TerminalProgress final : public engine::ProgressBar {
 public:
  explicit TerminalProgress(const TerminalDrawing& drawing) : drawing_(drawing) {}
  // The size in bytes of the job about to run, for the rate (0: unknown).
  void SetJobBytes(uint64_t bytes) { jobBytes_ = bytes; }
  void SetPosition(int percent) override;
  void SetVisible(bool visible) override;

 private:
  const TerminalDrawing& drawing_;
  uint64_t jobBytes_ = 0;
  int last_ = -1;
  std::chrono::steady_clock::time_point start_{};
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
