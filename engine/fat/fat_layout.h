#pragma once
// Where things are on a FAT volume, worked out from the kept boot sector:
// the width of a FAT entry, the values that end a chain, the sector of a
// cluster and the highest cluster the FAT can describe.
#include <cstdint>
#include <optional>

#include "engine/records.h"

namespace tarnwell::engine {

class FatLayout {
 public:
  explicit FatLayout(const TLogiDrive& drive);

  uint8_t Kind() const { return kind_; }
  bool IsFat32() const { return kind_ == kFat32; }
  uint32_t SectorsPerCluster() const { return sectorsPerCluster_; }
  uint32_t ClusterBytes() const { return sectorsPerCluster_ * 512u; }
  uint32_t FatStart() const { return fatStart_; }
  // Sectors the volume claims: the small total (else the large one) on
  // FAT12/16, the large total on FAT32.
  uint64_t VolumeSectors() const { return volumeSectors_; }
  // Data clusters are 2 .. MaxCluster().
  uint32_t MaxCluster() const { return maxCluster_; }
  bool IsDataCluster(uint32_t c) const { return c >= 2 && c <= maxCluster_; }

  // The only values that end a chain: FAT12 0x000 and 0xFFF; FAT16 0x0000
  // and 0xFFFF; FAT32 0, 0x0FFFFFF8 and 0x0FFFFFFF (stored 32 bits, upper
  // four bits not masked). Other "reserved" values do not end a chain.
  bool IsEndOfChain(uint32_t value) const;

  // First sector of a cluster, computed in 64 bits with the volume's own
  // formula; nullopt for cluster 0 or 1, which would land before the data
  // area. Whether the sector lies inside the volume is the reader's check.
  std::optional<uint64_t> ClusterSector(uint32_t cluster) const;

 private:
  uint8_t kind_;
  uint32_t sectorsPerCluster_;
  uint32_t fatStart_;
  uint64_t volumeSectors_;
  int64_t dataStart_;
  uint32_t maxCluster_;
};

}  // namespace tarnwell::engine
