#pragma once
// Images whose sectors say which sector they are, so that a read shows
// exactly which sectors arrived and where.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/little_endian.h"

namespace tarnwell::testing {

// count sectors, each filled with its number as 32-bit words, then
// tailBytes of 0xEE (a partial sector at the end of a source).
inline std::vector<uint8_t> NumberedSectors(uint32_t count, uint32_t tailBytes = 0) {
  std::vector<uint8_t> bytes(static_cast<size_t>(count) * 512 + tailBytes, 0xEE);
  for (uint32_t s = 0; s < count; ++s)
    for (uint32_t w = 0; w < 128; ++w) StoreLE32(&bytes[s * 512 + w * 4], s);
  return bytes;
}

// The sector number a numbered sector carries; UINT32_MAX when its words
// disagree (torn or foreign data).
inline uint32_t SectorNumberAt(const uint8_t* sector) {
  const uint32_t first = LoadLE32(sector);
  for (uint32_t w = 1; w < 128; ++w)
    if (LoadLE32(sector + w * 4) != first) return UINT32_MAX;
  return first;
}

}  // namespace tarnwell::testing
