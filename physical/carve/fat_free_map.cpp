// Free clusters of a FAT12, FAT16 or FAT32 volume: a cluster is free when
// its FAT entry is 0.
#include <algorithm>

#include "common/little_endian.h"
#include "disk/sector_source.h"
#include "engine/boot_sector.h"
#include "physical/carve/volume_free_space.h"

namespace tarnwell::physical::carve {
namespace {

class FatFreeSpace final : public VolumeFreeSpace {
 public:
  FatFreeSpace(disk::SectorSource& source, uint8_t kind, uint64_t fatStart, uint64_t dataStart, uint32_t clusterSectors,
               uint64_t end)
      : VolumeFreeSpace(dataStart, clusterSectors, end), map_(source), kind_(kind), fatStart_(fatStart) {}

  const char* FileSystem() const override { return kind_ == 0 ? "FAT12" : kind_ == 1 ? "FAT16" : "FAT32"; }

  bool IsFree(uint64_t sector) override {
    if (!Inside(sector)) return false;
    const uint64_t cluster = IndexOf(sector) + 2;
    uint8_t b[4] = {};
    if (kind_ == 0) {
      // Twelve bits: an even cluster takes the low 12 of its 16 bits, an
      // odd one the high 12; the two bytes may lie in two sectors.
      const uint64_t at = cluster * 3 / 2;
      // A map that cannot be read leaves the block to the scan.
      if (!map_.Byte(fatStart_, at, b[0]) || !map_.Byte(fatStart_, at + 1, b[1])) return true;
      const uint16_t v = LoadLE16(b);
      return ((cluster & 1) ? v >> 4 : v & 0xFFF) == 0;
    }
    const uint64_t width = kind_ == 1 ? 2 : 4;
    for (uint64_t i = 0; i < width; ++i)
      if (!map_.Byte(fatStart_, cluster * width + i, b[i])) return true;
    return kind_ == 1 ? LoadLE16(b) == 0 : (LoadLE32(b) & 0x0FFFFFFF) == 0;
  }

 private:
  MapWindow map_;
  uint8_t kind_;
  uint64_t fatStart_;
};

}  // namespace

std::unique_ptr<VolumeFreeSpace> OpenFatFreeSpace(disk::SectorSource& source, const uint8_t* boot, uint8_t kind) {
  const engine::BootSectorView b(boot);
  const uint32_t clusterSectors = b.SectorsPerCluster();
  if (clusterSectors == 0 || b.BytesPerSector() != 512 || b.FatCount() == 0) return nullptr;
  const uint64_t dataStart = kind == 2 ? b.Fat32DataStart() : uint64_t{b.FatRootStart()} + b.FatRootLength();
  const uint64_t volume = std::min<uint64_t>(b.FatVolumeLength(), source.SectorCount());
  if (dataStart >= volume) return nullptr;
  // Whole clusters only; what the last one leaves over belongs to none.
  const uint64_t clusters = (volume - dataStart) / clusterSectors;
  return std::make_unique<FatFreeSpace>(source, kind, b.FatStart(), dataStart, clusterSectors,
                                        dataStart + clusters * clusterSectors);
}

}  // namespace tarnwell::physical::carve
