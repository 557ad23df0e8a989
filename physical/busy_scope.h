#pragma once
// Marks a drive busy for one long operation and, on every way out, clears
// the busy and stop flags and puts the progress bar back to 0.
#include "engine/window_interfaces.h"
#include "physical/physical_drive.h"

namespace tarnwell::physical {

class BusyScope {
 public:
  BusyScope(TPhysicalDrive& drive, engine::ProgressBar& progress)
      : drive_(drive), progress_(progress) {
    drive_.Busy = true;
  }
  ~BusyScope() {
    drive_.Busy = false;
    drive_.StopRequested = false;
    progress_.SetPosition(0);
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  TPhysicalDrive& drive_;
  engine::ProgressBar& progress_;
};

}  // namespace tarnwell::physical
