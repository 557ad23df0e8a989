#pragma once
// One 16-byte slot of a master boot record or extended partition table, kept
// byte for byte as stored (the published MBR layout):
//   0x00 boot flag            0x04 partition type
//   0x01 start CHS (3 bytes)  0x05 end CHS (3 bytes)
//   0x08 start, LE32, relative to the table's base
//   0x0C sector count, LE32
// Example: "80 01 01 00 06 FE 3F 0C 3F 00 00 00 41 9A 03 00" is a bootable
// FAT16 (type 06) slot starting 63 sectors after its base, 236097 long.
#include <array>
#include <cstddef>
#include <cstdint>

#include "common/little_endian.h"

namespace tarnwell::physical {

// Partition types with a meaning of their own to the disk model.
inline constexpr uint8_t kTypeFree = 0;          // free-space entry
inline constexpr uint8_t kTypeExtended = 5;      // extended partition (CHS)
inline constexpr uint8_t kTypeExtendedLba = 15;  // extended partition (LBA)
inline constexpr uint8_t kTypeFound = 255;       // found by the partition search
// The protective partition of a GPT disk; the partitions read from its GUID
// partition table carry this type too (and their GPT record).
inline constexpr uint8_t kTypeGpt = 0xEE;

inline bool IsExtendedType(uint8_t type) {
  return type == kTypeExtended || type == kTypeExtendedLba;
}

// Offsets of the four slots in a table sector.
inline constexpr std::array<uint32_t, 4> kSlotOffsets = {446, 462, 478, 494};

struct PartitionSlot {
  std::array<uint8_t, 16> bytes{};

  uint8_t BootFlag() const { return bytes[0]; }
  uint8_t PartType() const { return bytes[4]; }
  uint32_t RelStart() const { return LoadLE32(&bytes[8]); }
  uint32_t SectorCount() const { return LoadLE32(&bytes[12]); }

  void SetPartType(uint8_t type) { bytes[4] = type; }
  void SetRelStart(uint32_t start) { StoreLE32(&bytes[8], start); }
  void SetSectorCount(uint32_t count) { StoreLE32(&bytes[12], count); }

  // Slot `index` (0..3) of a 512-byte table sector.
  static PartitionSlot At(const uint8_t* sector, int index) {
    PartitionSlot slot;
    const uint8_t* p = sector + kSlotOffsets[static_cast<size_t>(index)];
    for (size_t i = 0; i < slot.bytes.size(); ++i) slot.bytes[i] = p[i];
    return slot;
  }
};
static_assert(sizeof(PartitionSlot) == 16);

}  // namespace tarnwell::physical
