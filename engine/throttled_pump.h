#pragma once
#include <chrono>
#include <cstdint>
#include <ctime>
#include <limits>

#include "engine/window_interfaces.h"

namespace tarnwell::engine {

// A pump that hands control to the toolkit at most every ~20 ms and returns
// at once otherwise. It is called per directory entry, MFT record or sector,
// so the clock read it makes on every call is nearly all it costs: it reads
// the coarse monotonic clock, which the vDSO answers from its tick counter
// without reading the processor's (around 15 ns against 50 or more for the
// precise clock in a virtual machine; a 100,000-record MFT pumps 100,000
// times). Its few-millisecond ticks are fine against a 20 ms interval.
class ThrottledPump : public MessagePump {
 public:
  explicit ThrottledPump(std::chrono::milliseconds interval = std::chrono::milliseconds(20))
      : intervalNs_(std::chrono::duration_cast<std::chrono::nanoseconds>(interval).count()) {}
  void Pump() final {
    ++calls_;
    const int64_t now = NowNs();
    if (now - lastNs_ < intervalNs_) return;
    lastNs_ = now;
    ProcessEvents();
  }
  uint64_t Calls() const { return calls_; }

 protected:
  virtual void ProcessEvents() = 0;

 private:
  static int64_t NowNs() {
#ifdef CLOCK_MONOTONIC_COARSE
    timespec t;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
#else
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
  }

  int64_t intervalNs_;
  // The first call always lets events through.
  int64_t lastNs_ = std::numeric_limits<int64_t>::min() / 2;
  uint64_t calls_ = 0;
};

}  // namespace tarnwell::engine
