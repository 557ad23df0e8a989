#pragma once
// Window interfaces that record what the engine said, for tests.
#include <functional>
#include <string>
#include <vector>

#include "engine/window_interfaces.h"

namespace tarnwell::testing {

class RecordingStatus final : public engine::StatusPanel {
 public:
  void SetText(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

class RecordingProgress final : public engine::ProgressBar {
 public:
  void SetPosition(int percent) override { positions.push_back(percent); }
  void SetVisible(bool visible) override { visibility.push_back(visible); }
  std::vector<int> positions;
  std::vector<bool> visibility;
};

struct LogLine {
  std::string text;
  int icon;
  std::string time;
};

class RecordingLog final : public engine::EventLog {
 public:
  void AddLine(const std::string& text, int icon, const std::string& time) override {
    lines.push_back({text, icon, time});
  }
  std::vector<LogLine> lines;
};

class RecordingBoxes final : public engine::MessageBoxes {
 public:
  void Error(const std::string& text) override { errors.push_back(text); }
  void Warning(const std::string& text) override { warnings.push_back(text); }
  void Information(const std::string& text) override { infos.push_back(text); }
  std::vector<std::string> errors, warnings, infos;
};

// Counts pumps; can run an action on the Nth call (to press "stop" mid-way).
class CountingPump final : public engine::MessagePump {
 public:
  void Pump() override;
  long calls = 0;
  long actOnCall = -1;
  std::function<void()> action;
};

}  // namespace tarnwell::testing
