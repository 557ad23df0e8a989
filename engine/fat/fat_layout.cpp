#include "engine/fat/fat_layout.h"

#include <algorithm>

#include "engine/boot_sector.h"

namespace tarnwell::engine {

FatLayout::FatLayout(const TLogiDrive& drive) : kind_(drive.FsKind) {
  const BootSectorView boot(drive.BootSector);
  sectorsPerCluster_ = boot.SectorsPerCluster();
  fatStart_ = boot.FatStart();
  if (IsFat32()) {
    volumeSectors_ = boot.TotalSectorsLarge();
    dataStart_ = static_cast<int64_t>(boot.Fat32DataStart());
  } else {
    volumeSectors_ = boot.FatVolumeLength();
    dataStart_ = static_cast<int64_t>(boot.FatRootStart()) + boot.FatRootLength();
  }
  // The highest cluster is bounded both by the data area and by what a FAT
  // entry of this width can name.
  uint64_t clusters = 0;
  if (sectorsPerCluster_ != 0 && static_cast<int64_t>(volumeSectors_) > dataStart_)
    clusters = (volumeSectors_ - static_cast<uint64_t>(dataStart_)) / sectorsPerCluster_;
  const uint64_t widthLimit = kind_ == kFat12 ? 0xFFF : kind_ == kFat16 ? 0xFFFF : 0xFFFFFFFF;
  maxCluster_ = static_cast<uint32_t>(std::min<uint64_t>(clusters + 1, widthLimit));
}

bool FatLayout::IsEndOfChain(uint32_t value) const {
  switch (kind_) {
    case kFat12: return value == 0x000 || value == 0xFFF;
    case kFat16: return value == 0x0000 || value == 0xFFFF;
    default: return value == 0 || value == 0x0FFFFFF8 || value == 0x0FFFFFFF;
  }
}

std::optional<uint64_t> FatLayout::ClusterSector(uint32_t cluster) const {
  if (cluster < 2) return std::nullopt;
  // At most 2^32 clusters of 255 sectors after a data start below 2^32
  // sectors: no overflow in 64 bits.
  const int64_t sector =
      dataStart_ + (static_cast<int64_t>(cluster) - 2) * static_cast<int64_t>(sectorsPerCluster_);
  if (sector < 0) return std::nullopt;
  return static_cast<uint64_t>(sector);
}

}  // namespace tarnwell::engine
