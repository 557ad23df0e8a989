#pragma once
// The checksums the carved formats carry, each the only proof that a chunk
// or page read back is the one that was written.
#include <cstddef>
#include <cstdint>

namespace tarnwell::physical::carve {

// CRC-32 of IEEE 802.3 (PNG chunks, ZIP entries, 7z and RAR headers, gzip
// members), continued from `crc` (0 to start). "123456789" gives 0xCBF43926.
uint32_t Crc32(uint32_t crc, const uint8_t* bytes, size_t size);

// The Ogg page checksum: polynomial 0x04C11DB7, not reflected, initial
// value 0, no final xor, computed with the checksum field zeroed.
uint32_t OggCrc(uint32_t crc, const uint8_t* bytes, size_t size);

// FLAC frame checks: CRC-8 (polynomial 0x07) over the frame header and
// CRC-16 (polynomial 0x8005) over the whole frame, both initial value 0,
// not reflected. "123456789" gives 0xF4 and 0xFEE8.
uint8_t FlacCrc8(uint8_t crc, const uint8_t* bytes, size_t size);
uint16_t FlacCrc16(uint16_t crc, const uint8_t* bytes, size_t size);

}  // namespace tarnwell::physical::carve
