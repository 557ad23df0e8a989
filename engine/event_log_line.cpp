#include "engine/event_log_line.h"

#include <cstdio>
#include <ctime>

namespace tarnwell::engine {

std::string LogTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

void AddLogLine(EventLog& log, const std::string& text, int imageIndex) {
  log.AddLine(text, imageIndex, LogTimeNow());
}

}  // namespace tarnwell::engine
