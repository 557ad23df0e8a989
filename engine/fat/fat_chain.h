#pragma once
// Following cluster chains through the first FAT, read in windows of nine
// sectors so that a chain that stays inside one window costs one read.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/volume_reader.h"
#include "engine/fat/fat_layout.h"

namespace tarnwell::engine {

// Folders are read only up to this many clusters.
inline constexpr size_t kFatChainLimit = 512;

class FatTableReader {
 public:
  FatTableReader(disk::VolumeReader volume, const FatLayout& layout) : volume_(volume), layout_(layout) {}
  // The FAT entry of cluster c; nullopt when c is not a data cluster of the
  // volume (its entry would lie outside the FAT).
  std::optional<uint32_t> EntryOf(uint32_t c);

 private:
  static constexpr uint32_t kWindowSectors = 9;
  bool InWindow(uint32_t c) const;
  void LoadWindowFor(uint32_t c);
  uint32_t Decode(uint32_t c) const;

  disk::VolumeReader volume_;
  const FatLayout& layout_;
  std::array<uint8_t, kWindowSectors * 512> window_{};
  int64_t windowSector_ = -1;  // sector index within the FAT, -1 = none loaded
};

struct FatChain {
  std::vector<uint32_t> clusters;  // the first cluster first
  bool complete = false;           // ended at an end-of-chain value
};

// The chain from first, at most limit clusters. It stops early, incomplete,
// before a value that is no data cluster of the volume (its entry and its
// data would lie outside the volume) and before a cluster already in the
// chain (a loop in a damaged FAT would otherwise repeat it until the limit).
FatChain ReadFatChain(const TLogiDrive& drive, uint32_t first, size_t limit = kFatChainLimit);

}  // namespace tarnwell::engine
