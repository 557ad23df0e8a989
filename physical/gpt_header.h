#pragma once
// Decoding a GUID partition table from bytes: the header sector and the
// entry array it describes. Both are untrusted; a header is accepted only
// when every field that steers a read is sane and its CRC matches.
//
// Header (one 512-byte sector, little-endian):
//   0x00 "EFI PART"           0x08 revision (1.0 = 00 00 01 00)
//   0x0C header size (>= 92)  0x10 CRC32 of the header, taken with this field 0
//   0x18 LBA of this header   0x20 LBA of the other header
//   0x28 first usable LBA     0x30 last usable LBA
//   0x38 disk GUID            0x48 LBA of the entry array
//   0x50 entry count          0x54 entry size
//   0x58 CRC32 of the array (count x size bytes)
// Entry (entry size bytes, 128 in practice):
//   0x00 type GUID (all zero: unused)   0x10 partition GUID
//   0x20 first LBA   0x28 last LBA (inclusive)   0x30 attributes
//   0x38 name, 36 UTF-16LE units, NUL-padded
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "physical/gpt_entry.h"

namespace tarnwell::physical {

inline constexpr uint32_t kGptMinHeaderSize = 92;
inline constexpr uint32_t kGptMinEntrySize = 128;
// Entries larger than this are no real table: nothing writes them.
inline constexpr uint32_t kGptMaxEntrySize = 4096;
// The array a header may ask for: 1 MiB, 64 times the usual 128 entries of
// 128 bytes. A larger claim is a damaged header, since the array's CRC
// cannot be checked on part of it.
inline constexpr uint64_t kGptMaxArrayBytes = uint64_t{1} << 20;
// The byte offset at which a GPT written for 4096-byte sectors keeps its
// header: sector 8 when read in 512-byte sectors.
inline constexpr uint64_t kGpt4kHeaderSector = 8;

struct GptHeader {
  uint32_t Revision = 0;
  uint32_t HeaderSize = 0;
  uint64_t MyLba = 0;
  uint64_t AlternateLba = 0;
  uint64_t FirstUsableLba = 0;
  uint64_t LastUsableLba = 0;
  Guid DiskGuid{};
  uint64_t EntryArrayLba = 0;
  uint32_t EntryCount = 0;
  uint32_t EntrySize = 0;
  uint32_t EntryArrayCrc = 0;

  uint64_t ArrayBytes() const { return uint64_t{EntryCount} * EntrySize; }
  uint64_t ArraySectors() const { return (ArrayBytes() + 511) / 512; }
};

// True when the sector begins with the header signature "EFI PART".
bool HasGptSignature(const uint8_t* sector);

// The header in a 512-byte sector read at `lba` of a disk of `diskSectors`
// sectors; nullopt when the signature, revision, sizes, CRC, its own LBA,
// the usable range or the array's place and size are wrong.
std::optional<GptHeader> ParseGptHeader(const uint8_t* sector, uint64_t lba, uint64_t diskSectors);

// True when `array` (at least header.ArrayBytes() long) matches the
// header's array CRC.
bool GptArrayIntact(const uint8_t* array, size_t size, const GptHeader& header);

// One used entry of the array: its extent and what the model keeps of it.
struct GptArrayEntry {
  uint64_t FirstLba = 0;
  uint64_t LastLba = 0;
  GptPartition Partition;
};

// The used entries (type GUID not all zero) of an array of `size` bytes in
// array order, whatever their extents; the caller decides which it lists.
std::vector<GptArrayEntry> ParseGptEntries(const uint8_t* array, size_t size,
                                           const GptHeader& header);

}  // namespace tarnwell::physical
