#include "engine/exfat/exfat_layout.h"

#include <algorithm>
#include <unordered_set>

#include "common/little_endian.h"
#include "disk/volume_reader.h"
#include "engine/exfat/exfat_boot.h"

namespace tarnwell::engine {

ExfatLayout::ExfatLayout(const TLogiDrive& drive) {
  const ExfatBootView boot(drive.BootSector.data());
  // The boot sector passed IsUsableExfatBoot before it was kept; the shift
  // is capped again so that a layout over any bytes stays defined.
  shift_ = std::min<uint8_t>(boot.SectorsPerClusterShift(), 16);
  fatStart_ = boot.FatOffset();
  heapStart_ = boot.ClusterHeapOffset();
  clusterCount_ = boot.ClusterCount();
  rootCluster_ = boot.RootCluster();
}

std::optional<uint64_t> ExfatLayout::ClusterSector(uint32_t cluster) const {
  if (!IsDataCluster(cluster)) return std::nullopt;
  // At most 2^32 clusters of 2^16 sectors: no overflow in 64 bits.
  return heapStart_ + (static_cast<uint64_t>(cluster - 2) << shift_);
}

uint64_t ExfatLayout::ClustersFor(uint64_t bytes) const {
  const uint64_t clusters = bytes / ClusterBytes() + (bytes % ClusterBytes() != 0 ? 1 : 0);
  return std::min<uint64_t>(clusters, clusterCount_);
}

bool ReadExfatCluster(const disk::VolumeReader& volume, const ExfatLayout& layout, uint32_t cluster,
                      uint8_t* buffer) {
  const std::optional<uint64_t> lba = layout.ClusterSector(cluster);
  return lba && volume.Read(*lba, layout.SectorsPerCluster(), buffer).Ok();
}

std::optional<uint32_t> ExfatFatReader::EntryOf(uint32_t c) {
  if (!layout_.IsDataCluster(c)) return std::nullopt;
  const uint64_t offset = static_cast<uint64_t>(c) * 4;
  const int64_t sector = static_cast<int64_t>(offset / 512);
  if (windowSector_ < 0 || sector < windowSector_ || sector >= windowSector_ + kWindowSectors) {
    windowSector_ = sector;
    // A FAT sector that cannot be read leaves zeros, which end the chain
    // as a free cluster would.
    std::fill(window_.begin(), window_.end(), 0);
    (void)volume_.Read(layout_.FatStart() + static_cast<uint64_t>(sector), kWindowSectors, window_.data());
  }
  return LoadLE32(&window_[static_cast<size_t>(offset - static_cast<uint64_t>(windowSector_) * 512)]);
}

ExfatChain ReadExfatChain(const TLogiDrive& drive, const ExfatLayout& layout, uint32_t first,
                          uint64_t limit) {
  ExfatChain chain;
  if (!layout.IsDataCluster(first) || limit == 0) return chain;
  ExfatFatReader fat(drive.Reader(), layout);
  std::unordered_set<uint32_t> seen{first};
  chain.clusters.push_back(first);
  while (chain.clusters.size() < limit) {
    const std::optional<uint32_t> next = fat.EntryOf(chain.clusters.back());
    if (!next) return chain;
    if (*next == kExfatEndOfChain) {
      chain.complete = true;
      return chain;
    }
    if (!layout.IsDataCluster(*next) || !seen.insert(*next).second) return chain;
    chain.clusters.push_back(*next);
  }
  // Limit reached: complete only when the chain ends right there.
  const std::optional<uint32_t> after = fat.EntryOf(chain.clusters.back());
  chain.complete = after && *after == kExfatEndOfChain;
  return chain;
}

bool ExfatBitmap::IsAllocated(uint32_t cluster) const {
  if (cluster < 2 || cluster - 2 >= clusterCount_) return true;
  const uint32_t bit = cluster - 2;
  if (bit / 8 >= bits_.size()) return true;
  return (bits_[bit / 8] >> (bit % 8)) & 1;
}

}  // namespace tarnwell::engine
