#pragma once
#include <cstdint>
#include <span>

namespace tarnwell::engine::ntfs {

// Puts back the last two bytes of each sector of a 1024-byte FILE record
// from its update sequence array: bytes 510-511 and 1022-1023 get the array
// values at offsets 2 and 4. The sequence number itself is not checked, so a
// torn record is still read. Applying it twice changes nothing more. False
// (record untouched) when the span is not a whole record.
bool ApplyUpdateSequence(std::span<uint8_t> record);

}  // namespace tarnwell::engine::ntfs
