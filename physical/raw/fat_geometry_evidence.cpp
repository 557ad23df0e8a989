#include "physical/raw/fat_geometry_evidence.h"

#include <unordered_map>

#include "common/little_endian.h"

namespace tarnwell::physical::raw {
namespace {

constexpr uint32_t kLargestClusterSectors = 128;  // 64 KiB clusters

bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

}  // namespace

std::optional<FatGeometry> GeometryFromBootSector(std::span<const uint8_t> sector, uint64_t volumeStart) {
  if (sector.size() < 512) return std::nullopt;
  const uint8_t* b = sector.data();
  if (b[510] != 0x55 || b[511] != 0xAA) return std::nullopt;
  if (b[0] != 0xEB && b[0] != 0xE9) return std::nullopt;
  const uint16_t bytesPerSector = LoadLE16(b + 0x0B);
  const uint8_t clusterSectors = b[0x0D];
  const uint16_t reserved = LoadLE16(b + 0x0E);
  const uint8_t fats = b[0x10];
  const uint16_t rootEntries = LoadLE16(b + 0x11);
  const uint16_t total16 = LoadLE16(b + 0x13);
  const uint16_t fatSize16 = LoadLE16(b + 0x16);
  const uint32_t total32 = LoadLE32(b + 0x20);
  const uint32_t fatSize32 = LoadLE32(b + 0x24);
  if (bytesPerSector != 512 || !IsPowerOfTwo(clusterSectors) || clusterSectors > kLargestClusterSectors ||
      reserved == 0 || fats == 0 || fats > 4 || (total16 == 0 && total32 == 0))
    return std::nullopt;
  FatGeometry g;
  g.clusterSectors = clusterSectors;
  if (fatSize16 == 0 && rootEntries == 0) {
    // FAT32: the root is a cluster chain, the data follows the FATs.
    if (fatSize32 == 0 || LoadLE32(b + 0x2C) < 2) return std::nullopt;
    g.kind = 2;
    g.dataStart = volumeStart + reserved + uint64_t{fats} * fatSize32;
  } else {
    if (fatSize16 == 0 || rootEntries == 0) return std::nullopt;
    g.kind = 1;
    g.dataStart = volumeStart + reserved + uint64_t{fats} * fatSize16 + (uint64_t{rootEntries} * 32 + 511) / 512;
  }
  return g;
}

size_t FoldersPlaced(const FatGeometry& geometry, std::span<const FolderLandmark> folders) {
  size_t placed = 0;
  for (const FolderLandmark& f : folders) {
    if (f.cluster < 2) continue;
    // Compared by subtraction: a sum near the top of 64 bits would wrap.
    const uint64_t offset = uint64_t{f.cluster - 2} * geometry.clusterSectors;
    placed += offset <= f.sector && f.sector - offset == geometry.dataStart;
  }
  return placed;
}

std::optional<FatGeometry> GeometryFromFolders(std::span<const FolderLandmark> folders, uint8_t kind,
                                               size_t& placed) {
  // For each possible cluster size, the cluster-2 sector each folder
  // implies; the most common one is that size's best. Nine sizes, one pass
  // over the folders each, whatever their number.
  std::optional<FatGeometry> best;
  placed = 0;
  std::unordered_map<uint64_t, size_t> votes;
  for (uint32_t sectors = 1; sectors <= kLargestClusterSectors; sectors *= 2) {
    votes.clear();
    for (const FolderLandmark& f : folders) {
      if (f.cluster < 2) continue;
      const uint64_t offset = uint64_t{f.cluster - 2} * sectors;
      if (offset > f.sector) continue;
      const size_t n = ++votes[f.sector - offset];
      if (n > placed) {
        placed = n;
        best = FatGeometry{sectors, f.sector - offset, kind};
      }
    }
  }
  if (placed < 2) {
    placed = 0;
    return std::nullopt;
  }
  return best;
}

const char* GeometrySourceName(FatGeometrySource source) {
  switch (source) {
    case FatGeometrySource::kBootSector: return "boot-sector";
    case FatGeometrySource::kFolders: return "folders";
    case FatGeometrySource::kCalibrated: return "calibrated";
    case FatGeometrySource::kGuessed: break;
  }
  return "guessed";
}

}  // namespace tarnwell::physical::raw
