#pragma once
// The engine's message pump for the windows: lets Qt process pending events
// (the stop button, repainting) at most every ~20 ms during a long command.
#include <functional>

#include "engine/throttled_pump.h"

namespace tarnwell::controls {

class QtMessagePump final : public engine::ThrottledPump {
 public:
  using ThrottledPump::ThrottledPump;
  // Called after each real event round; tests use it to press "停止" or to
  // change things under a running command.
  void SetAfterEvents(std::function<void()> hook) { afterEvents_ = std::move(hook); }

 protected:
  void ProcessEvents() override;

 private:
  std::function<void()> afterEvents_;
};

}  // namespace tarnwell::controls
