#pragma once
// The drive-geometry query. Linux keeps no cylinder/head/sector geometry for
// disks or image files, so the answer is the one every partitioning tool
// assumes: 512-byte sectors, 63 sectors per track, 255 tracks per cylinder,
// and as many cylinders as it takes to cover the disk. The total sector
// count is the true size of the disk or image, never cylinders x heads x
// sectors: that product would cut a small image (under one cylinder, about
// 7.8 MiB) down to nothing and the tail of every other disk off.
#include <cstdint>
#include <optional>

namespace tarnwell::platform {

// MEDIA_TYPE values of the geometry record.
inline constexpr uint32_t kRemovableMedia = 11;
inline constexpr uint32_t kFixedMedia = 12;

inline constexpr uint32_t kGeometrySectorsPerTrack = 63;
inline constexpr uint32_t kGeometryTracksPerCylinder = 255;

struct DiskGeometry {
  int64_t cylinders = 0;
  uint32_t mediaType = 0;
  uint32_t tracksPerCylinder = 0;
  uint32_t sectorsPerTrack = 0;
  uint32_t bytesPerSector = 0;
  uint64_t totalSectors = 0;  // whole 512-byte sectors of the disk
};

// Geometry of physical disk number diskIndex of the device table; nullopt
// when there is no such disk.
std::optional<DiskGeometry> QueryDiskGeometry(int diskIndex);

}  // namespace tarnwell::platform
