#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "disk/volume_reader.h"

namespace tarnwell::engine {

// Classifies a boot sector: 0 FAT12, 1 FAT16, 2 FAT32, 3 NTFS, 4 exFAT,
// 255 none.
uint8_t IdentifyFileSystem(const uint8_t* bootSector);

// The checks after classification: FAT needs 512-byte sectors; NTFS needs
// 512-byte sectors and 1024-byte records; exFAT needs 512-byte sectors and
// a consistent layout. Returns the kind to keep, or 255 when the volume is
// refused.
uint8_t AcceptedKind(const uint8_t* bootSector);

// The kind of a volume given its sector 0, with the exFAT boot region
// checked as a whole: an exFAT region whose checksum fails gives way to its
// backup, which then replaces sector as the boot sector to keep, and a
// sector 0 too damaged to classify is tried as exFAT through the backup.
uint8_t AcceptedVolumeKind(const disk::VolumeReader& volume, std::array<uint8_t, 512>& sector);

}  // namespace tarnwell::engine
