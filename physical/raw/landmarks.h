#pragma once
// The landmarks of the raw-range scan: the start of a FAT subdirectory (its
// "." and ".." entries) and an NTFS FILE record whose first attribute is the
// standard information. Plain byte tests on one 512-byte sector.
#include <cstdint>

namespace tarnwell::physical::raw {

inline constexpr uint32_t kRangeChunkSectors = 1000;
inline constexpr uint32_t kSectorBytes = 512;

// Bytes 0-7 are "." and seven blanks, bytes 32-39 ".." and six blanks.
bool IsDirectoryStart(const uint8_t* sector);
// Bytes 0-3 are "FILE" and the byte at the offset that byte 20 gives is 0x10.
bool IsFileRecordStart(const uint8_t* sector);
// A directory start whose "." entry has a non-zero high cluster word, and
// whose "." and ".." entries are well-formed (valid time stamps, possible
// attributes): FAT12 and FAT16 keep those two bytes zero, so such a folder
// can only come from FAT32.
bool HasFat32Hint(const uint8_t* sector);

// One FAT32 hint is enough for FAT32 (2): a vote would let folders below
// cluster 65,536, whose high words are zero on FAT32 too, outvote the ones
// above it, and their files would be read from the wrong place. Without a
// hint: FAT12/16 (1) when there are at least two directory starts, else
// FAT32 (2), also when there were none.
uint8_t FatKindFromHints(uint64_t directoryStarts, uint64_t fat32Hints);

}  // namespace tarnwell::physical::raw
