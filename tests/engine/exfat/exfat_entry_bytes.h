#pragma once
// exFAT entry sets built byte by byte for crafted volumes and ranges.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/exfat/entry_set.h"
#include "tests/support/image_builder.h"

namespace tarnwell::testing {

// A file entry set for name (ASCII), with a correct checksum.
inline std::vector<uint8_t> EntrySet(const std::string& name, uint64_t length, uint32_t first,
                                     uint16_t attributes = 0x20, uint8_t streamFlags = 0x03) {
  const size_t nameEntries = (name.size() + 14) / 15;
  ImageBuilder b((2 + nameEntries) * 32);
  b.Put8(0, 0x85).Put8(1, static_cast<uint8_t>(1 + nameEntries)).Put16(4, attributes);
  b.Put32(12, (44u << 25 | 3u << 21 | 1u << 16) | (12u << 11));  // 2024-03-01 12:00:00
  b.Put8(32, 0xC0).Put8(33, streamFlags).Put8(35, static_cast<uint8_t>(name.size()));
  b.Put64(40, length).Put32(52, first).Put64(56, length);
  for (size_t i = 0; i < name.size(); ++i) {
    const size_t entry = 2 + i / 15;
    b.Put8(entry * 32, 0xC1);
    b.Put16(entry * 32 + 2 + (i % 15) * 2, static_cast<uint8_t>(name[i]));
  }
  b.Put16(2, engine::ExfatSetChecksum(b.Bytes().data(), 2 + nameEntries, false));
  return b.Take();
}

}  // namespace tarnwell::testing
