#include "engine/fat/fat_allocation.h"

namespace tarnwell::engine {

bool FatAllocation::IsAllocated(uint64_t cluster) {
  if (cluster > UINT32_MAX) return true;
  // nullopt: no data cluster of the volume, or its FAT sector unreadable.
  const std::optional<uint32_t> value = fat_.EntryOf(static_cast<uint32_t>(cluster));
  return !value || *value != 0;
}

}  // namespace tarnwell::engine
