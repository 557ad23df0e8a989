#pragma once
// Which clusters of an exFAT volume are in use: its allocation bitmap, read
// once for the whole listing (one bit per cluster of the heap).
#include <utility>

#include "engine/exfat/exfat_layout.h"
#include "engine/recoverability.h"

namespace tarnwell::engine {

class ExfatAllocation final : public ClusterAllocation {
 public:
  explicit ExfatAllocation(ExfatBitmap bitmap) : bitmap_(std::move(bitmap)) {}
  bool IsAllocated(uint64_t cluster) override {
    return cluster > UINT32_MAX || bitmap_.IsAllocated(static_cast<uint32_t>(cluster));
  }

 private:
  ExfatBitmap bitmap_;
};

}  // namespace tarnwell::engine
