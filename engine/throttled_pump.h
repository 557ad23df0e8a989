#pragma once
#include <chrono>
#include <cstdint>

#include "engine/window_interfaces.h"

namespace tarnwell::engine {

// A pump that hands control to the toolkit at most every ~20 ms and returns
// at once otherwise: a call costs one read of the monotonic clock (vDSO, tens
// of nanoseconds), cheap enough per directory entry or per sector.
class ThrottledPump : public MessagePump {
 public:
  explicit ThrottledPump(std::chrono::milliseconds interval = std::chrono::milliseconds(20))
      : interval_(interval) {}
  void Pump() final {
    ++calls_;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < interval_) return;
    last_ = now;
    ProcessEvents();
  }
  uint64_t Calls() const { return calls_; }

 protected:
  virtual void ProcessEvents() = 0;

 private:
  std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point last_{};
  uint64_t calls_ = 0;
};

}  // namespace tarnwell::engine
