#pragma once
// Big-endian loads for the formats that store their fields that way (PNG,
// ISO BMFF, JPEG segment lengths, Ogg is little-endian and uses
// common/little_endian.h).
#include <cstdint>

namespace tarnwell::physical::carve {

inline uint16_t LoadBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t LoadBE24(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}
inline uint32_t LoadBE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
inline uint64_t LoadBE64(const uint8_t* p) {
  return (static_cast<uint64_t>(LoadBE32(p)) << 32) | LoadBE32(p + 4);
}

}  // namespace tarnwell::physical::carve
