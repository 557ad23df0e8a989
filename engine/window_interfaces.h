#pragma once
// What the engine needs of a window. The desktop windows implement these
// with Qt widgets, the command-line front end on the terminal, and tests
// record what was said. All texts are in the system code page (GB18030).
#include <string>

namespace tarnwell::engine {

class StatusPanel {
 public:
  virtual ~StatusPanel() = default;
  virtual void SetText(const std::string& text) = 0;
};

class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual void SetPosition(int percent) = 0;  // 0..100
  virtual void SetVisible(bool visible) = 0;
};

// Icon indexes of the standard engine's log.
enum LogIcon : int { kLogInformation = 0, kLogStopped = 1, kLogError = 2 };

class EventLog {
 public:
  virtual ~EventLog() = default;
  // Appends a line, newest at the bottom; time is "hh:nn:ss".
  virtual void AddLine(const std::string& text, int iconIndex, const std::string& time) = 0;
};

// Message boxes with an OK button only; none asks a question.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void Error(const std::string& text) = 0;
  virtual void Warning(const std::string& text) = 0;
  virtual void Information(const std::string& text) = 0;
};

// Lets the toolkit process pending events during a long operation, so that
// the stop command and repainting get through. Called per entry or sector,
// so it must be cheap: see ThrottledPump.
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  virtual void Pump() = 0;
};

// Widgets that ignore everything, for callers without a window.
class NullStatusPanel final : public StatusPanel {
 public:
  void SetText(const std::string&) override {}
};
class NullProgressBar final : public ProgressBar {
 public:
  void SetPosition(int) override {}
  void SetVisible(bool) override {}
};
class NullEventLog final : public EventLog {
 public:
  void AddLine(const std::string&, int, const std::string&) override {}
};
class NullMessageBoxes final : public MessageBoxes {
 public:
  void Error(const std::string&) override {}
  void Warning(const std::string&) override {}
  void Information(const std::string&) override {}
};
class NullMessagePump final : public MessagePump {
 public:
  void Pump() override {}
};

}  // namespace tarnwell::engine
