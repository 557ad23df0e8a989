// Free clusters of an exFAT volume: a clear bit in the allocation bitmap,
// whose place the root folder's bitmap entry (type 0x81) gives.
#include <algorithm>
#include <vector>

#include "common/little_endian.h"
#include "disk/sector_source.h"
#include "engine/exfat/exfat_boot.h"
#include "physical/carve/volume_free_space.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFF;
constexpr size_t kMaxRootClusters = 4096;

class ExfatFreeSpace final : public VolumeFreeSpace {
 public:
  ExfatFreeSpace(disk::SectorSource& source, uint64_t heap, uint32_t clusterSectors, uint64_t end,
                 std::vector<uint32_t> bitmapClusters)
      : VolumeFreeSpace(heap, clusterSectors, end), map_(source), bitmap_(std::move(bitmapClusters)) {}

  const char* FileSystem() const override { return "exFAT"; }

  bool IsFree(uint64_t sector) override {
    if (!Inside(sector)) return false;
    const uint64_t bit = IndexOf(sector);
    const uint64_t byte = bit / 8;
    const uint64_t clusterBytes = uint64_t{ClusterSectors()} * 512;
    const uint64_t piece = byte / clusterBytes;
    // Past the bitmap's clusters, or a map that cannot be read: the block
    // is left to the scan.
    if (piece >= bitmap_.size()) return true;
    const uint64_t at = FirstSector() + uint64_t{bitmap_[piece] - 2} * ClusterSectors();
    uint8_t b = 0;
    if (!map_.Byte(at, byte % clusterBytes, b)) return true;
    return !(b & (1u << (bit % 8)));
  }

 private:
  MapWindow map_;
  std::vector<uint32_t> bitmap_;
};

// The clusters of a FAT chain from first, at most limit of them; empty
// when the chain leaves the heap or loops.
std::vector<uint32_t> Chain(MapWindow& fat, uint64_t fatStart, uint32_t first, uint32_t clusterCount, size_t limit) {
  std::vector<uint32_t> chain;
  for (uint32_t c = first; c != kEndOfChain && chain.size() < limit;) {
    if (c < 2 || c > clusterCount + 1 || std::find(chain.begin(), chain.end(), c) != chain.end()) return {};
    chain.push_back(c);
    uint8_t b[4];
    for (int i = 0; i < 4; ++i)
      if (!fat.Byte(fatStart, uint64_t{c} * 4 + static_cast<uint64_t>(i), b[i])) return {};
    c = LoadLE32(b);
  }
  return chain;
}

}  // namespace

std::unique_ptr<VolumeFreeSpace> OpenExfatFreeSpace(disk::SectorSource& source, const uint8_t* boot) {
  if (!engine::IsUsableExfatBoot(boot)) return nullptr;
  const engine::ExfatBootView b(boot);
  const uint32_t clusterSectors = 1u << b.SectorsPerClusterShift();
  const uint64_t heap = b.ClusterHeapOffset();
  const uint64_t clusterBytes = uint64_t{clusterSectors} * 512;
  MapWindow fat(source, 8);
  const std::vector<uint32_t> root = Chain(fat, b.FatOffset(), b.RootCluster(), b.ClusterCount(), kMaxRootClusters);
  if (root.empty()) return nullptr;
  MapWindow data(source, std::min<uint32_t>(clusterSectors, 256));
  for (const uint32_t cluster : root) {
    const uint64_t first = heap + uint64_t{cluster - 2} * clusterSectors;
    for (uint64_t e = 0; e < clusterBytes; e += 32) {
      const uint8_t* s = data.Sector(first + e / 512);
      if (!s) return nullptr;
      const uint8_t* entry = s + e % 512;
      if (entry[0] == 0) return nullptr;  // the end of the folder, and no bitmap in it
      if (entry[0] != 0x81) continue;
      const uint32_t start = LoadLE32(entry + 20);
      const uint64_t length = LoadLE64(entry + 24);
      // The bitmap holds one bit per cluster: never more clusters than that.
      const uint64_t needed = (uint64_t{b.ClusterCount()} + 7) / 8;
      if (length < needed) return nullptr;
      const size_t clusters = static_cast<size_t>((needed + clusterBytes - 1) / clusterBytes);
      std::vector<uint32_t> bitmap = Chain(fat, b.FatOffset(), start, b.ClusterCount(), clusters);
      // A bitmap written without a FAT chain lies in one stretch.
      if (bitmap.size() < clusters) {
        bitmap.clear();
        for (size_t i = 0; i < clusters; ++i) bitmap.push_back(start + static_cast<uint32_t>(i));
      }
      return std::make_unique<ExfatFreeSpace>(source, heap, clusterSectors,
                                              heap + uint64_t{b.ClusterCount()} * clusterSectors, std::move(bitmap));
    }
  }
  return nullptr;
}

}  // namespace tarnwell::physical::carve
