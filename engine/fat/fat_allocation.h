#pragma once
// Which clusters of a FAT volume are in use: those whose FAT entry is not 0
// (a chain link, an end mark, a bad-cluster mark). Read through one window
// of the first FAT, kept for the whole listing, so that the files of one
// folder, which lie near each other, mostly cost no read at all.
#include "engine/fat/fat_chain.h"
#include "engine/fat/fat_layout.h"
#include "engine/recoverability.h"

namespace tarnwell::engine {

class FatAllocation final : public ClusterAllocation {
 public:
  explicit FatAllocation(const TLogiDrive& drive) : layout_(drive), fat_(drive.Reader(), layout_) {}
  bool IsAllocated(uint64_t cluster) override;
  const FatLayout& Layout() const { return layout_; }

 private:
  FatLayout layout_;
  FatTableReader fat_;  // refers to layout_, declared before it
};

}  // namespace tarnwell::engine
