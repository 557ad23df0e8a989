#pragma once
#include <string>

#include "engine/window_interfaces.h"

namespace tarnwell::engine {

// The local time of day as "hh:nn:ss".
std::string LogTimeNow();

// Appends a line to a window's event log with the current time.
void AddLogLine(EventLog& log, const std::string& text, int imageIndex);

}  // namespace tarnwell::engine
