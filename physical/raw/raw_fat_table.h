#pragma once
// The FAT of a volume whose boot sector survives in a raw-scanned range,
// read straight from the sectors: where it lies, the value of a cluster's
// entry, and the chain of a folder found by its "." entry. Nothing here
// trusts the table: values are checked before they are followed.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "physical/raw/fat_geometry_evidence.h"

namespace tarnwell::disk {
class SectorSource;
}

namespace tarnwell::physical::raw {

struct FatTableLocation {
  uint64_t firstSector = 0;  // absolute sector of the first FAT
  uint64_t sectors = 0;      // sectors of one FAT
  uint8_t entryBits = 32;    // 12, 16 or 32
  uint32_t maxCluster = 0;   // the highest data cluster the FAT and the volume both hold
  uint32_t rootCluster = 0;  // FAT32's root folder; 0 for FAT12/16
  FatGeometry geometry;      // the data area the same boot sector describes
};

// Where the FAT lies by a boot sector of a volume starting at volumeStart;
// nullopt unless GeometryFromBootSector accepts the sector.
std::optional<FatTableLocation> FatTableFromBootSector(std::span<const uint8_t> sector, uint64_t volumeStart);

class RawFatTable {
 public:
  RawFatTable(disk::SectorSource& source, const FatTableLocation& where) : source_(source), where_(where) {}
  const FatTableLocation& Where() const { return where_; }
  // The entry of cluster c; nullopt when c is no data cluster of the
  // volume or its FAT sectors cannot be read.
  std::optional<uint32_t> ValueOf(uint32_t c);
  // Entry 0 holds the media byte (F0, F8 to FF) with every other bit set,
  // as formatting writes it: the sectors hold a FAT, not other data.
  bool LooksFormatted();
  // Whether a value ends a chain (any of the end-of-chain values).
  bool IsEnd(uint32_t value) const;

 private:
  static constexpr uint32_t kWindowSectors = 8;
  std::optional<uint32_t> Decode(uint32_t c);
  disk::SectorSource& source_;
  FatTableLocation where_;
  std::array<uint8_t, kWindowSectors * 512> window_{};
  uint64_t windowFirst_ = UINT64_MAX;  // FAT-relative sector of window_[0]
};

// The clusters of a folder after its first one, as the FAT chains them.
struct FolderChain {
  std::vector<uint32_t> clusters;
  bool chained = false;  // the first cluster's entry is in use: the FAT knows this folder
  bool ended = false;    // the chain reached an end-of-chain value
};

// Follows the chain from `first` for at most `limit` further clusters.
// A free (0) entry means the FAT does not know the folder (deleted, or a
// new FAT after a format). The walk stops, keeping what it walked, at a
// value that is no data cluster, at a cluster already walked, at an
// unreadable FAT sector and at the limit.
FolderChain FollowFolderChain(RawFatTable& fat, uint32_t first, size_t limit);

}  // namespace tarnwell::physical::raw
