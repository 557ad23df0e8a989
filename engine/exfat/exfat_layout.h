#pragma once
// Where things are on an exFAT volume, from its kept boot sector, and how
// its clusters and FAT are read.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/volume_reader.h"
#include "engine/records.h"

namespace tarnwell::engine {

class ExfatLayout {
 public:
  explicit ExfatLayout(const TLogiDrive& drive);

  uint32_t SectorsPerCluster() const { return 1u << shift_; }
  uint64_t ClusterBytes() const { return static_cast<uint64_t>(512) << shift_; }
  uint32_t FatStart() const { return fatStart_; }
  uint32_t RootCluster() const { return rootCluster_; }
  // Data clusters are 2 .. ClusterCount() + 1.
  uint32_t ClusterCount() const { return clusterCount_; }
  bool IsDataCluster(uint32_t c) const {
    return c >= 2 && static_cast<uint64_t>(c) <= static_cast<uint64_t>(clusterCount_) + 1;
  }
  // First sector of a data cluster; nullopt outside the heap.
  std::optional<uint64_t> ClusterSector(uint32_t cluster) const;
  // Clusters needed for a length, capped at the heap's size (a hostile
  // length cannot drive a loop past the volume).
  uint64_t ClustersFor(uint64_t bytes) const;

 private:
  uint8_t shift_;
  uint32_t fatStart_;
  uint32_t heapStart_;
  uint32_t clusterCount_;
  uint32_t rootCluster_;
};

// Reads one cluster (its SectorsPerCluster() sectors) into buffer, which
// must hold ClusterBytes(); false when it lies outside the volume or the
// read failed.
bool ReadExfatCluster(const disk::VolumeReader& volume, const ExfatLayout& layout, uint32_t cluster,
                      uint8_t* buffer);

// The FAT entry of a cluster, read through a window of FAT sectors so that
// a chain that stays in one window costs one read.
class ExfatFatReader {
 public:
  ExfatFatReader(disk::VolumeReader volume, const ExfatLayout& layout) : volume_(volume), layout_(layout) {}
  std::optional<uint32_t> EntryOf(uint32_t c);

 private:
  static constexpr uint32_t kWindowSectors = 8;
  disk::VolumeReader volume_;
  const ExfatLayout& layout_;
  std::vector<uint8_t> window_ = std::vector<uint8_t>(kWindowSectors * 512);
  int64_t windowSector_ = -1;
};

inline constexpr uint32_t kExfatEndOfChain = 0xFFFFFFFF;

// The clusters of a FAT chain from first, at most limit of them. It stops
// at the end-of-chain value, and early (incomplete) before anything that
// is no data cluster of the volume or a cluster already in the chain.
struct ExfatChain {
  std::vector<uint32_t> clusters;
  bool complete = false;
};
ExfatChain ReadExfatChain(const TLogiDrive& drive, const ExfatLayout& layout, uint32_t first,
                          uint64_t limit);

// The allocation bitmap: one bit per data cluster, read from the bitmap
// entry of the root folder. Clusters the bitmap does not cover count as
// allocated, so that nothing unknown is taken for free space.
class ExfatBitmap {
 public:
  ExfatBitmap() = default;
  ExfatBitmap(std::vector<uint8_t> bits, uint32_t clusterCount)
      : bits_(std::move(bits)), clusterCount_(clusterCount) {}
  bool IsAllocated(uint32_t cluster) const;
  bool Empty() const { return bits_.empty(); }

 private:
  std::vector<uint8_t> bits_;
  uint32_t clusterCount_ = 0;
};

}  // namespace tarnwell::engine
