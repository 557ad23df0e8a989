#pragma once
// The search for lost partitions: reads a range of a disk and records every
// FAT or NTFS boot sector that the partition tables do not describe as a
// found partition (type 255) of the drive.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/window_interfaces.h"

namespace tarnwell::physical {

class TPhysicalDrive;
struct TPartiEntry;

inline constexpr uint32_t kSearchChunkSectors = 1000;
// The serial the search starts from, so that the first boot sector is new.
inline constexpr uint32_t kInitialSearchSerial = 0x1F1F;

// Searches `length` sectors from `startOffset` sectors past the entry's
// absolute start, in whole 1000-sector chunks. True when the search ran
// (whatever it found, also when stopped); false when the drive was busy, a
// volume was not ready or the disk could not be opened.
bool SearchPartitions(TPhysicalDrive& drive, TPartiEntry& entry, engine::ProgressBar& progress,
                      int64_t length, uint64_t startOffset);

// True when no entry of the list but free space and extended entries starts
// at `sector`.
bool IsUnlistedStart(uint64_t sector, const std::vector<std::unique_ptr<TPartiEntry>>& partitions);

// The serial number that tells volumes apart: FAT12/16 at offset 39, FAT32 at
// 67, NTFS the low half of the one at 72. 0 for other kinds.
uint32_t VolumeSerialOf(const uint8_t* bootSector, uint8_t kind);

// The sector count a boot sector gives its volume: FAT12/16 the 16-bit count
// at 19 or, when 0, the 32-bit one at 32; FAT32 the one at 32; NTFS the
// 64-bit count at 40 (a volume of 2 TiB or more needs its high half).
uint64_t VolumeSectorsOf(const uint8_t* bootSector, uint8_t kind);

}  // namespace tarnwell::physical
