#include "platform/disk_geometry.h"

#include "platform/device_table.h"

namespace tarnwell::platform {

std::optional<DiskGeometry> QueryDiskGeometry(int diskIndex) {
  const PhysicalDisk* disk = DeviceTable::Instance().Disk(diskIndex);
  if (!disk) return std::nullopt;
  DiskGeometry g;
  g.mediaType = disk->removable ? kRemovableMedia : kFixedMedia;
  g.tracksPerCylinder = kGeometryTracksPerCylinder;
  g.sectorsPerTrack = kGeometrySectorsPerTrack;
  g.bytesPerSector = static_cast<uint32_t>(kSectorSize);
  g.totalSectors = disk->sizeBytes / kSectorSize;
  constexpr uint64_t perCylinder = uint64_t{kGeometryTracksPerCylinder} * kGeometrySectorsPerTrack;
  g.cylinders = static_cast<int64_t>((g.totalSectors + perCylinder - 1) / perCylinder);
  return g;
}

}  // namespace tarnwell::platform
