#pragma once
// Which clusters hold an exFAT file's data, in order.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/exfat/exfat_layout.h"

namespace tarnwell::engine {

struct ExfatDataPlan {
  uint32_t first = 0;
  uint64_t count = 0;              // clusters of data
  std::vector<uint32_t> clusters;  // empty: contiguous from first
  // The i-th cluster of the data; nullopt past the heap.
  std::optional<uint32_t> ClusterAt(const ExfatLayout& layout, uint64_t i) const;
};

// The plan for bytes of data from first:
// - no FAT chain: contiguous, exactly as the entry says;
// - an existing file: its FAT chain when the chain names the clusters the
//   size needs, else contiguous;
// - a deleted file with a chain: the chain is gone, so the clusters from
//   first that the allocation bitmap shows free (those in use now belong
//   to other files), or contiguous when there is no bitmap.
ExfatDataPlan PlanExfatData(const TLogiDrive& drive, const ExfatLayout& layout, uint32_t first,
                            uint64_t bytes, bool noFatChain, bool existing,
                            const ExfatBitmap* bitmap);

}  // namespace tarnwell::engine
