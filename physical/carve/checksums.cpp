#include "physical/carve/checksums.h"

#include <zlib.h>

#include <array>
#include <climits>

namespace tarnwell::physical::carve {
namespace {

constexpr std::array<uint32_t, 256> OggTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i << 24;
    for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    t[i] = c;
  }
  return t;
}
constexpr std::array<uint8_t, 256> Crc8Table() {
  std::array<uint8_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 0x80) ? ((c << 1) ^ 0x07) : (c << 1);
    t[i] = static_cast<uint8_t>(c);
  }
  return t;
}
constexpr std::array<uint16_t, 256> Crc16Table() {
  std::array<uint16_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i << 8;
    for (int k = 0; k < 8; ++k) c = (c & 0x8000) ? ((c << 1) ^ 0x8005) : (c << 1);
    t[i] = static_cast<uint16_t>(c);
  }
  return t;
}
constexpr auto kOgg = OggTable();
constexpr auto kCrc8 = Crc8Table();
constexpr auto kCrc16 = Crc16Table();

}  // namespace

uint32_t Crc32(uint32_t crc, const uint8_t* bytes, size_t size) {
  // zlib's takes at most UINT_MAX bytes a call.
  while (size > 0) {
    const uInt n = size > UINT_MAX ? UINT_MAX : static_cast<uInt>(size);
    crc = static_cast<uint32_t>(::crc32(crc, bytes, n));
    bytes += n;
    size -= n;
  }
  return crc;
}

uint32_t OggCrc(uint32_t crc, const uint8_t* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) crc = (crc << 8) ^ kOgg[((crc >> 24) ^ bytes[i]) & 0xFF];
  return crc;
}

uint8_t FlacCrc8(uint8_t crc, const uint8_t* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) crc = kCrc8[crc ^ bytes[i]];
  return crc;
}

uint16_t FlacCrc16(uint16_t crc, const uint8_t* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i)
    crc = static_cast<uint16_t>((crc << 8) ^ kCrc16[((crc >> 8) ^ bytes[i]) & 0xFF]);
  return crc;
}

}  // namespace tarnwell::physical::carve
