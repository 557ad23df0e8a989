#pragma once
// A benchmark's disk image attached as the machine's only disk, with an
// engine that reads its volume C:, for the benchmarks that scan a whole
// volume. When the image or its volume is missing the benchmark is skipped
// with the reason, and Drive() is null.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/undelete.h"
#include "platform/device_table.h"

namespace tarnwell::bench {

// The path in the environment variable, else the fallback.
inline std::string BenchImagePath(const char* variable, const char* fallback) {
  const char* env = std::getenv(variable);
  return env ? env : fallback;
}

class AttachedVolume {
 public:
  // howToMake tells how to make a missing image ("run bench/make_...sh").
  AttachedVolume(benchmark::State& state, const std::string& image, const std::string& howToMake) {
    auto& table = platform::DeviceTable::Instance();
    table.Reset();
    std::string error;
    if (!std::filesystem::exists(image)) {
      state.SkipWithError(("no image " + image + "; " + howToMake).c_str());
      return;
    }
    if (!table.AttachImage(image, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    engine_ = std::make_unique<engine::TUndelete>(boxes_, pump_);
    drive_ = engine_->FindDrive('C');
    if (!drive_) state.SkipWithError("no volume C:");
  }

  engine::TUndelete& Engine() { return *engine_; }
  engine::TLogiDrive* Drive() const { return drive_; }

  engine::NullStatusPanel status;
  engine::NullProgressBar progress;

 private:
  engine::NullMessageBoxes boxes_;
  engine::NullMessagePump pump_;
  std::unique_ptr<engine::TUndelete> engine_;
  engine::TLogiDrive* drive_ = nullptr;
};

}  // namespace tarnwell::bench
