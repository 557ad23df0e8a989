#pragma once
// The records kept from the drive's answers: the S.M.A.R.T. attribute and
// threshold tables and the identify data, as byte arrays with accessors
// (little-endian fields, offsets from the published ATA layouts).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/little_endian.h"

namespace tarnwell::health {

inline constexpr size_t kResultHeaderSize = 16;
inline constexpr int kSmartSlots = 30;

// One entry of the attribute table, 12 bytes:
//   0 number (0: empty slot) | 1..2 status flags u16 | 3 current value |
//   4 worst value | 5..10 raw value, u48 little-endian | 11 reserved
struct TSmartAttribute {
  std::array<uint8_t, 12> bytes{};

  uint8_t Id() const { return bytes[0]; }
  uint16_t Flags() const { return LoadLE16(bytes.data() + 1); }
  uint8_t Value() const { return bytes[3]; }
  uint8_t Worst() const { return bytes[4]; }
  const uint8_t* RawBytes() const { return bytes.data() + 5; }
  uint64_t Raw() const { return LoadLE48(RawBytes()); }
};
static_assert(sizeof(TSmartAttribute) == 12);

// One entry of the threshold table, 12 bytes: 0 number | 1 threshold |
// 2..11 reserved.
struct TSmartThreshold {
  std::array<uint8_t, 12> bytes{};

  uint8_t Id() const { return bytes[0]; }
  uint8_t Threshold() const { return bytes[1]; }
};
static_assert(sizeof(TSmartThreshold) == 12);

// What is kept of an attribute or threshold read: the 16-byte result
// header, the table revision (u16) and 30 entries of 12 bytes. The last
// 150 bytes of the 512-byte table are not kept.
struct TSmartData {
  static constexpr size_t kRevision = 16, kEntries = 18, kEntrySize = 12;
  std::array<uint8_t, 378> bytes{};

  uint16_t Revision() const { return LoadLE16(bytes.data() + kRevision); }
  // Entry i (0..29) read as an attribute or as a threshold; the threshold
  // table pairs with the attribute table by position, not by number.
  TSmartAttribute Attribute(int slot) const { return Entry<TSmartAttribute>(slot); }
  TSmartThreshold Threshold(int slot) const { return Entry<TSmartThreshold>(slot); }

 private:
  template <typename T>
  T Entry(int slot) const {
    T entry;
    if (slot < 0 || slot >= kSmartSlots) return entry;
    const uint8_t* at = bytes.data() + kEntries + kEntrySize * static_cast<size_t>(slot);
    for (size_t i = 0; i < kEntrySize; ++i) entry.bytes[i] = at[i];
    return entry;
  }
};
static_assert(sizeof(TSmartData) == 378);
static_assert(TSmartData::kEntries + kSmartSlots * TSmartData::kEntrySize == 378);

// What is kept of identify: the 16-byte result header, then identify words
// 0 to 127. The health list stores its drive number in the last byte.
struct TDriveIdentity {
  static constexpr size_t kSerial = 36, kSerialLength = 20;       // words 10-19
  static constexpr size_t kFirmware = 62, kFirmwareLength = 8;    // words 23-26
  static constexpr size_t kModel = 70, kModelLength = 40;         // words 27-46
  static constexpr size_t kTotalSectors = 136;                    // words 60-61
  static constexpr size_t kCommandSets = 16 + 2 * 83;             // word 83
  static constexpr size_t kTotalSectors48 = 16 + 2 * 100;         // words 100-103
  static constexpr size_t kDriveNumber = 271;
  std::array<uint8_t, 272> bytes{};

  std::string_view Serial() const { return Text(kSerial, kSerialLength); }
  std::string_view Firmware() const { return Text(kFirmware, kFirmwareLength); }
  std::string_view Model() const { return Text(kModel, kModelLength); }
  uint32_t TotalSectors() const { return LoadLE32(bytes.data() + kTotalSectors); }
  // Word 83 bit 10: the 48-bit address feature set, whose sector count in
  // words 100-103 is the only true one for disks of 128 GiB and more.
  bool Supports48BitAddress() const {
    const uint16_t word = LoadLE16(bytes.data() + kCommandSets);
    return (word & 0xC000) == 0x4000 && (word & 0x0400) != 0;
  }
  uint64_t TotalSectors48() const { return LoadLE48(bytes.data() + kTotalSectors48); }
  uint8_t DriveNumber() const { return bytes[kDriveNumber]; }
  void SetDriveNumber(uint8_t drive) { bytes[kDriveNumber] = drive; }

 private:
  std::string_view Text(size_t offset, size_t length) const {
    return std::string_view(reinterpret_cast<const char*>(bytes.data() + offset), length);
  }
};
static_assert(sizeof(TDriveIdentity) == 272);

}  // namespace tarnwell::health
