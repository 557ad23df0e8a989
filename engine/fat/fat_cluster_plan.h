#pragma once
// Which clusters hold a file's data: its FAT chain when the chain is intact
// (an existing file); for a deleted file, whose chain is gone, the free
// clusters from its first one on, passing over those that live chains own
// (they were free when the file was written, or a live file has taken them
// since, and either way hold no data of the deleted file).
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/fat/fat_layout.h"

namespace tarnwell::engine {

struct FatClusterPlan {
  uint32_t first = 0;
  std::vector<uint32_t> chain;  // empty: contiguous from first
  uint32_t skipped = 0;         // allocated clusters passed over

  bool FollowsChain() const { return !chain.empty(); }
  // First sector of the file's i-th cluster; nullopt when there is none.
  std::optional<uint64_t> SectorOf(const FatLayout& layout, uint64_t i) const;
};

// With followChain, the chain from first is used when it names exactly
// ceil(size / cluster size) data clusters and then ends; a chain that
// breaks, loops, runs short or runs on falls back to the contiguous read.
// Without it (a deleted file), allocated clusters after the first are passed
// over. The first cluster is always the file's own: when a live chain owns
// it, the file was overwritten there and nothing says where the rest went,
// so the plain contiguous read stays; so it does when the free clusters run
// out before the size is reached.
FatClusterPlan PlanFatClusters(const TLogiDrive& drive, const FatLayout& layout, uint32_t first,
                               uint32_t size, bool followChain);

}  // namespace tarnwell::engine
