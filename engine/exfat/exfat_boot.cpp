#include "engine/exfat/exfat_boot.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "disk/volume_reader.h"

namespace tarnwell::engine {
namespace {

// The largest cluster exFAT allows: 2^25 bytes, so 2^16 sectors of 512.
constexpr uint8_t kMaxSectorsPerClusterShift = 16;

}  // namespace

bool HasExfatSignature(const uint8_t* b) {
  if (std::memcmp(b + 3, "EXFAT   ", 8) != 0) return false;
  return std::all_of(b + 11, b + 64, [](uint8_t v) { return v == 0; });
}

bool IsUsableExfatBoot(const uint8_t* b) {
  if (!HasExfatSignature(b) || b[510] != 0x55 || b[511] != 0xAA) return false;
  const ExfatBootView boot(b);
  if (boot.BytesPerSectorShift() != 9 || boot.SectorsPerClusterShift() > kMaxSectorsPerClusterShift)
    return false;
  if (boot.FatCount() != 1 && boot.FatCount() != 2) return false;
  const uint64_t fatEnd =
      static_cast<uint64_t>(boot.FatOffset()) + static_cast<uint64_t>(boot.FatLength()) * boot.FatCount();
  if (boot.FatOffset() < 2 * kExfatBootRegionSectors || boot.FatLength() == 0 ||
      fatEnd > boot.ClusterHeapOffset())
    return false;
  const uint64_t heapSectors = static_cast<uint64_t>(boot.ClusterCount())
                               << boot.SectorsPerClusterShift();
  if (boot.ClusterCount() == 0 || boot.ClusterHeapOffset() + heapSectors > boot.VolumeLength())
    return false;
  // Each cluster needs four bytes of FAT, clusters 0 and 1 included.
  if ((static_cast<uint64_t>(boot.ClusterCount()) + 2) * 4 > static_cast<uint64_t>(boot.FatLength()) * 512)
    return false;
  return boot.RootCluster() >= 2 && boot.RootCluster() <= static_cast<uint64_t>(boot.ClusterCount()) + 1;
}

uint32_t ExfatBootChecksum(const uint8_t* region) {
  uint32_t sum = 0;
  for (size_t i = 0; i < 11 * 512; ++i) {
    if (i == 106 || i == 107 || i == 112) continue;
    sum = ((sum & 1) ? 0x80000000u : 0u) + (sum >> 1) + region[i];
  }
  return sum;
}

bool IsSoundExfatRegion(const uint8_t* region) {
  if (!IsUsableExfatBoot(region)) return false;
  const uint32_t sum = ExfatBootChecksum(region);
  const uint8_t* checksums = region + 11 * 512;
  for (size_t i = 0; i < 512; i += 4)
    if (LoadLE32(checksums + i) != sum) return false;
  return true;
}

std::optional<std::array<uint8_t, 512>> ReadExfatBootSector(const disk::VolumeReader& volume) {
  std::vector<uint8_t> region(kExfatBootRegionSectors * 512);
  for (uint32_t start : {0u, kExfatBootRegionSectors}) {
    if (!volume.Read(start, kExfatBootRegionSectors, region.data())) continue;
    if (!IsSoundExfatRegion(region.data())) continue;
    std::array<uint8_t, 512> sector{};
    std::copy_n(region.begin(), 512, sector.begin());
    return sector;
  }
  return std::nullopt;
}

}  // namespace tarnwell::engine
