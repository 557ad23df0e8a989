// Any bytes as a volume whose free clusters the signature scan asks for:
// the boot sector chooses FAT, exFAT or NTFS, and the map (a FAT, the
// allocation bitmap found through the root folder, $Bitmap found through
// MFT record 6) is read from wherever the bytes say.
#include <cstdint>
#include <memory>
#include <vector>

#include "disk/memory_sector_source.h"
#include "physical/carve/volume_free_space.h"

using namespace tarnwell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (size_t{8} << 20)) return 0;
  std::vector<uint8_t> volume(data, data + size);
  volume.resize(std::max<size_t>((size + 511) / 512 * 512, 512));
  const uint64_t bytes = volume.size();
  disk::MemorySectorSource source(std::make_shared<const std::vector<uint8_t>>(std::move(volume)), 0, bytes);
  const std::unique_ptr<physical::carve::VolumeFreeSpace> map = physical::carve::OpenVolumeFreeSpace(source);
  if (!map) return 0;
  if (map->ClusterSectors() == 0) __builtin_trap();
  // Every cluster start the volume claims, at most a million of them.
  uint64_t asked = 0;
  for (uint64_t s = map->FirstSector(); s < map->EndSector() && asked < 1000000; s += map->ClusterSectors(), ++asked) {
    volatile bool free = map->IsFree(s);
    (void)free;
  }
  return 0;
}
