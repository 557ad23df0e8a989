#pragma once
// The free clusters of a FAT, exFAT or NTFS volume, from the volume's own
// allocation map (the FAT, the allocation bitmap, $Bitmap), read a window
// at a time over the volume's sector source as the scan moves on: memory
// stays the size of the window whatever the volume's size.
#include <cstdint>
#include <memory>

#include "disk/read_buffer.h"
#include "physical/carve/free_blocks.h"

namespace tarnwell::disk {
class SectorSource;
}

namespace tarnwell::physical::carve {

class VolumeFreeSpace : public FreeBlocks {
 public:
  // "FAT12", "FAT16", "FAT32", "exFAT" or "NTFS".
  virtual const char* FileSystem() const = 0;
  // Clusters begin at FirstSector() and every ClusterSectors() after, up
  // to EndSector().
  uint64_t FirstSector() const { return first_; }
  uint32_t ClusterSectors() const { return clusterSectors_; }
  uint64_t EndSector() const { return end_; }

 protected:
  VolumeFreeSpace(uint64_t first, uint32_t clusterSectors, uint64_t end)
      : first_(first), clusterSectors_(clusterSectors), end_(end) {}
  // The cluster index (from the first cluster of the grid) of a sector
  // inside it.
  uint64_t IndexOf(uint64_t sector) const { return (sector - first_) / clusterSectors_; }
  bool Inside(uint64_t sector) const { return sector >= first_ && sector < end_; }

 private:
  uint64_t first_;
  uint32_t clusterSectors_;
  uint64_t end_;
};

// Sectors of an allocation map read a window at a time.
class MapWindow {
 public:
  explicit MapWindow(disk::SectorSource& source, uint32_t sectors = 64);
  // The 512 bytes of a sector, or null when it cannot be read. Valid
  // until the next call.
  const uint8_t* Sector(uint64_t sector);
  // One byte at a byte offset from a sector on.
  bool Byte(uint64_t firstSector, uint64_t offset, uint8_t& out);

 private:
  disk::SectorSource& source_;
  uint32_t sectors_;
  disk::ReadBuffer buffer_;
  uint64_t start_ = 0;
  uint32_t loaded_ = 0;  // sectors in the buffer
};

// The allocation map of the volume on source, chosen by its boot sector;
// null when the volume is none of the three or its map cannot be found
// (the caller then searches every block).
std::unique_ptr<VolumeFreeSpace> OpenVolumeFreeSpace(disk::SectorSource& source);

std::unique_ptr<VolumeFreeSpace> OpenFatFreeSpace(disk::SectorSource& source, const uint8_t* boot, uint8_t kind);
std::unique_ptr<VolumeFreeSpace> OpenExfatFreeSpace(disk::SectorSource& source, const uint8_t* boot);
std::unique_ptr<VolumeFreeSpace> OpenNtfsFreeSpace(disk::SectorSource& source, const uint8_t* boot);

}  // namespace tarnwell::physical::carve
