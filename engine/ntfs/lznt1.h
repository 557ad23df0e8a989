#pragma once
// LZNT1, the compression of NTFS data. A compression unit is a sequence of
// chunks, each a 16-bit header (low 12 bits = stored length - 1, bit 0x8000
// = compressed, 0 = end of the unit) and its stored bytes, each standing for
// up to 4096 bytes of data.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarnwell::engine::ntfs {

// Decodes one chunk into out (at least 4096 bytes); returns the number of
// bytes produced, or -1 when the chunk is corrupt (a back-reference before
// the start of the chunk's output). Without bit 0x8000 the stored bytes are
// the data. Compressed data is read in groups of a flag byte and up to 8
// items, from its lowest bit: clear = one literal byte, set = a 16-bit
// token. The token splits into a displacement of (12 - s) high bits and a
// length of s low bits, where s shrinks from 12 as the output grows past
// 16, 32, 64, ... bytes: length = low part + 3, distance = high part + 1,
// copied byte by byte so that a distance below the length repeats the tail.
// Output never passes 4096 bytes.
//   Example: 02 41 42 01 30  ->  "AB" then a token (distance 2, length 4)
//   gives "ABABAB" (flag 0x04: items 0 and 1 literal, item 2 a token).
int DecompressChunk(uint16_t header, std::span<const uint8_t> stored, uint8_t* out);

// Decodes a compression unit (its stored bytes, unitBytes of data at most)
// and appends min(unitBytes, room) bytes of data to out: room is what the
// file still lacks of its size. A chunk that produces fewer than 4096 bytes
// and units that end early are followed by zeros, as NTFS reads them. False
// when a chunk is corrupt or runs past the end of the unit's bytes; out then
// holds what was decoded before it.
bool DecompressUnit(std::span<const uint8_t> unit, size_t unitBytes, uint64_t room,
                    std::vector<uint8_t>& out);

}  // namespace tarnwell::engine::ntfs
