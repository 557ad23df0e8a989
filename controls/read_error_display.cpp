#include "controls/read_error_display.h"

#include "controls/event_log_view.h"
#include "engine/window_interfaces.h"

namespace tarnwell::controls {

ReadErrorDisplay::ReadErrorDisplay(QWidget* window, EventLogView* log, BoxShower showBox, int boxIntervalMs)
    : window_(window), log_(log), showBox_(std::move(showBox)), boxIntervalMs_(boxIntervalMs) {
  previous_ = disk::SetReadErrorReporter([this](const std::string& message) { Show(message); });
}

ReadErrorDisplay::~ReadErrorDisplay() { disk::SetReadErrorReporter(std::move(previous_)); }

void ReadErrorDisplay::Show(const std::string& systemText) {
  const QString text = FromSystem(systemText);
  if (log_) log_->Add(text, engine::kLogError);
  if (sinceBox_.isValid() && sinceBox_.elapsed() < boxIntervalMs_) return;
  sinceBox_.start();
  if (showBox_) showBox_(window_, BoxKind::kError, text);
}

}  // namespace tarnwell::controls
