#pragma once
// The parts of the advanced window that work on a disk talks to: the event
// log (icons 0 progress, 1 error, 2 stopped), message boxes and the pump.
#include "engine/window_interfaces.h"

namespace tarnwell::physical {

// Icon indexes of this subsystem's log lines.
enum PhysicalLogIcon : int { kLogProgress = 0, kLogFailure = 1, kLogHalted = 2 };

struct PhysicalWindow {
  engine::EventLog& log;
  engine::MessageBoxes& boxes;
  engine::MessagePump& pump;
};

}  // namespace tarnwell::physical
