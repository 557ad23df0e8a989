#include "engine/ntfs/mft_map.h"

#include "engine/ntfs/ntfs_format.h"

namespace tarnwell::engine::ntfs {

int64_t RecordToSector(const TRunTable& extents, int64_t record) {
  if (record < 0) return -1;
  uint64_t before = 0;
  const auto r = static_cast<uint64_t>(record);
  for (const TMftExtent& e : extents) {
    // An extent outside the volume (start 0) keeps its place but holds
    // nothing readable.
    if (r < before + e.RecordCount)
      return e.StartSector == 0 ? -1 : e.StartSector + kSectorsPerRecord * static_cast<int64_t>(r - before);
    before += e.RecordCount;
  }
  return -1;
}

uint64_t TotalRecords(const TRunTable& extents) {
  uint64_t total = 0;
  for (const TMftExtent& e : extents) total += e.RecordCount;
  return total;
}

}  // namespace tarnwell::engine::ntfs
