#include "tests/support/recording_window.h"

namespace tarnwell::testing {

void CountingPump::Pump() {
  ++calls;
  if (calls == actOnCall && action) action();
}

}  // namespace tarnwell::testing
