#pragma once
// The FAT geometry of a raw-scanned entry: sectors per cluster and the
// absolute sector of cluster 2, worked out from where directories were
// found and the clusters they say they are.
#include <cstdint>
#include <optional>
#include <span>

#include "physical/raw/fat_geometry_evidence.h"

namespace tarnwell::physical {
class TPhysicalDrive;
struct TPartiEntry;
struct FoundFatEntry;
}  // namespace tarnwell::physical

namespace tarnwell::physical::raw {

// FatDataStart when the geometry is not determined: no sector of a disk,
// where the 32-bit marker 0x7FFFFFFF is a sector 1 TiB in.
inline constexpr uint64_t kDataStartUnknown = UINT64_MAX;

// Sectors per cluster a FAT volume of that many megabytes is given by
// default (FatKind 0 and 1 share a table; 2 has its own).
uint32_t DefaultClusterSectors(uint8_t fatKind, uint64_t megabytes);

// Works out the geometry of the current partition. Without records: from
// the first found entry and the first later one whose cluster and sector
// grow together, else from the default table (FatGeometryFrom guessed).
// With two records (the user's calibration): from them when cluster and
// sector are ordered alike (FatGeometryFrom calibrated); otherwise nothing
// changes. True when the geometry was set.
bool CalibrateFat(TPhysicalDrive& drive, const FoundFatEntry* first = nullptr,
                  const FoundFatEntry* other = nullptr);

// The geometry of the current partition from the evidence at hand: the
// boot sector's when it places at least as many found folders as the
// folders' own best; the folders' when they place more (the log says that
// they disagree with the boot sector); else CalibrateFat's, which counts
// as guessed unless it places two folders. Sets FatGeometryFrom.
void SettleFatGeometry(TPhysicalDrive& drive, const std::optional<FatGeometry>& boot,
                       std::span<const FolderLandmark> folders);

// The absolute sector where a cluster's data begins, nullopt while the
// geometry is undetermined or the cluster lies before cluster 2.
std::optional<uint64_t> ClusterSector(const TPartiEntry& entry, uint32_t cluster);

}  // namespace tarnwell::physical::raw
