#pragma once
// The CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320, initial and
// final value 0xFFFFFFFF) that guards GPT headers and entry arrays.
// Check value: the nine bytes "123456789" give 0xCBF43926.
#include <cstddef>
#include <cstdint>

namespace tarnwell::physical {

uint32_t Crc32(const uint8_t* bytes, size_t size);

}  // namespace tarnwell::physical
