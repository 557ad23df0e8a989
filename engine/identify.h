#pragma once
#include <array>
#include <cstdint>

namespace tarnwell::engine {

// Classifies a boot sector: 0 FAT12, 1 FAT16, 2 FAT32, 3 NTFS, 255 none.
uint8_t IdentifyFileSystem(const uint8_t* bootSector);

// The checks after classification: FAT needs 512-byte sectors; NTFS needs
// 512-byte sectors and 1024-byte records. Returns the kind to keep, or 255
// when the volume is refused.
uint8_t AcceptedKind(const uint8_t* bootSector);

}  // namespace tarnwell::engine
