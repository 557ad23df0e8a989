#pragma once
// What a copy to an image reads, and where that lives (so that no
// destination lands on it).
#include <memory>
#include <optional>

#include "disk/sector_source.h"
#include "platform/storage_overlap.h"

namespace tarnwell::disk::imaging {

struct ImagingSource {
  std::unique_ptr<SectorSource> sectors;
  std::optional<platform::StorageSpot> spot;
};

// count sectors of a disk of the device table from startSector on (the
// whole disk, a partition, a gap), opened read-only; nullopt when the disk
// is unknown, still needs authorisation or cannot be opened.
std::optional<ImagingSource> OpenDiskForImaging(int diskIndex, uint64_t startSector, uint64_t sectorCount);

}  // namespace tarnwell::disk::imaging
