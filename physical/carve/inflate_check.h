#pragma once
// Follows a deflate stream in a candidate (zlib's inflate, output thrown
// away or kept up to a bound): the only way to find where a gzip member or
// a ZIP entry written with a data descriptor ends, and the only proof that
// a compressed entry's bytes are the ones that were written (its CRC).
#include <cstdint>
#include <vector>

#include "physical/carve/carve_reader.h"

namespace tarnwell::physical::carve {

struct InflateOutcome {
  bool ended = false;     // the stream's last block came, with nothing wrong before it
  uint64_t consumed = 0;  // compressed bytes read, up to the end or the break
  uint64_t produced = 0;  // bytes it decompressed to
  uint32_t crc = 0;       // CRC-32 of those bytes
};

enum class DeflateWrapping : uint8_t { kRaw, kZlib };

// Inflates from offset on, at most `available` compressed bytes; stops
// with ended false when the output passes maxOutput (a bomb, or damage),
// at a data error or at the end of the bytes. With `keep`, the first
// keepLimit bytes of output are appended to it.
InflateOutcome InflateAt(CarveReader& in, uint64_t offset, uint64_t available, DeflateWrapping wrapping,
                         uint64_t maxOutput, std::vector<uint8_t>* keep = nullptr, size_t keepLimit = 0);

}  // namespace tarnwell::physical::carve
