#include "disk/imaging/imaging_source.h"

#include "disk/source_opener.h"
#include "platform/device_table.h"

namespace tarnwell::disk::imaging {

std::optional<ImagingSource> OpenDiskForImaging(int diskIndex, uint64_t startSector, uint64_t sectorCount) {
  const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(diskIndex);
  if (!disk || disk->needsAuthorisation) return std::nullopt;
  ImagingSource source;
  source.sectors = OpenDiskRange(diskIndex, startSector, sectorCount);
  if (!source.sectors) return std::nullopt;
  source.spot = platform::SpotOfDisk(*disk);
  return source;
}

}  // namespace tarnwell::disk::imaging
