#pragma once
// Which clusters hold a file's data: its FAT chain when the chain is intact
// (an existing file), otherwise the contiguous clusters from its first one
// (a deleted file, whose chain is gone).
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/fat/fat_layout.h"

namespace tarnwell::engine {

struct FatClusterPlan {
  uint32_t first = 0;
  std::vector<uint32_t> chain;  // empty: contiguous from first

  bool FollowsChain() const { return !chain.empty(); }
  // First sector of the file's i-th cluster; nullopt when it lies outside
  // the sector addresses of the volume.
  std::optional<uint32_t> SectorOf(const FatLayout& layout, uint64_t i) const;
};

// With followChain, the chain from first is used when it names exactly
// ceil(size / cluster size) data clusters and then ends; a chain that
// breaks, loops, runs short or runs on falls back to the contiguous read.
FatClusterPlan PlanFatClusters(const TLogiDrive& drive, const FatLayout& layout, uint32_t first,
                               uint32_t size, bool followChain);

}  // namespace tarnwell::engine
