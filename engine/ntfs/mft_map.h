#pragma once
#include <cstdint>

#include "engine/records.h"

namespace tarnwell::engine::ntfs {

// The volume sector of MFT record r: the extent that holds it is the first
// whose running record count exceeds r. -1 when no extent holds it or
// the extent that does lies outside the volume.
int64_t RecordToSector(const TRunTable& extents, int64_t record);

// Total records of all extents.
uint64_t TotalRecords(const TRunTable& extents);

}  // namespace tarnwell::engine::ntfs
