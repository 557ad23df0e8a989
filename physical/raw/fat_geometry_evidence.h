#pragma once
// The evidence a raw scan has for a FAT geometry. A boot sector left in the
// range (a quick reformat usually writes the old geometry again) gives one
// outright; the folders found check it, since a folder's "." entry names
// its own cluster c, and a right geometry puts cluster c at the sector
// where the folder was found.
#include <cstdint>
#include <optional>
#include <span>

#include "physical/raw_scan_records.h"

namespace tarnwell::physical::raw {

struct FatGeometry {
  uint32_t clusterSectors = 0;
  uint64_t dataStart = 0;  // absolute sector of cluster 2
  uint8_t kind = 0;        // FatKind: 1 FAT12/16, 2 FAT32
  bool operator==(const FatGeometry&) const = default;
};

// A directory start of the landmark pass and the cluster its "." names.
struct FolderLandmark {
  uint64_t sector = 0;
  uint32_t cluster = 0;
};

// The geometry a FAT boot sector describes for a volume starting at
// volumeStart; nullopt unless every field it rests on is possible (512-byte
// sectors, a power-of-two cluster, reserved sectors, one to four FATs of
// non-zero size, the 55 AA mark).
std::optional<FatGeometry> GeometryFromBootSector(std::span<const uint8_t> sector, uint64_t volumeStart);

// How many folders the geometry puts where they were found.
size_t FoldersPlaced(const FatGeometry& geometry, std::span<const FolderLandmark> folders);

// The power-of-two geometry that places the most folders (at least two),
// with their count; ties go to the smaller cluster. nullopt when no
// geometry places two.
std::optional<FatGeometry> GeometryFromFolders(std::span<const FolderLandmark> folders, uint8_t kind,
                                               size_t& placed);

// "guessed", "boot-sector", "folders" or "calibrated".
const char* GeometrySourceName(FatGeometrySource source);

}  // namespace tarnwell::physical::raw
