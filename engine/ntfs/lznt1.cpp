#include "engine/ntfs/lznt1.h"

#include <algorithm>
#include <cstring>

#include "common/little_endian.h"
#include "engine/ntfs/ntfs_format.h"

namespace tarnwell::engine::ntfs {
namespace {

// Low bits of a token that hold the length, for b bytes already produced:
// 12 up to 16 bytes, then one fewer each time b - 1 doubles past 15.
inline unsigned LengthBits(size_t b) {
  unsigned bits = 12;
  for (size_t x = b - 1; x > 15; x >>= 1) --bits;
  return bits;
}

}  // namespace

int DecompressChunk(uint16_t header, std::span<const uint8_t> stored, uint8_t* out) {
  if ((header & 0x8000) == 0) {
    const size_t n = std::min(stored.size(), kChunkBytes);
    std::memcpy(out, stored.data(), n);
    return static_cast<int>(n);
  }
  const uint8_t* in = stored.data();
  const uint8_t* const end = in + stored.size();
  size_t b = 0;
  // The split only moves when b passes a power of two; recompute it then.
  unsigned bits = 12;
  size_t nextSplit = 16;
  while (in < end && b < kChunkBytes) {
    uint8_t flags = *in++;
    for (int item = 0; item < 8 && in < end && b < kChunkBytes; ++item, flags >>= 1) {
      if ((flags & 1) == 0) {
        out[b++] = *in++;
        continue;
      }
      if (end - in < 2) return -1;
      const uint16_t token = LoadLE16(in);
      in += 2;
      if (b == 0) return -1;
      if (b > nextSplit) {
        bits = LengthBits(b);
        nextSplit = size_t{1} << (16 - bits);
      }
      const size_t length = (token & ((1u << bits) - 1)) + 3;
      const size_t distance = (token >> bits) + 1;
      if (distance > b) return -1;
      const size_t n = std::min(length, kChunkBytes - b);
      uint8_t* dst = out + b;
      const uint8_t* src = dst - distance;
      if (distance >= n) {
        std::memcpy(dst, src, n);
      } else {
        // Overlapping: each byte may be one this copy just wrote.
        for (size_t i = 0; i < n; ++i) dst[i] = src[i];
      }
      b += n;
    }
  }
  return static_cast<int>(b);
}

bool DecompressUnit(std::span<const uint8_t> unit, size_t unitBytes, uint64_t room,
                    std::vector<uint8_t>& out) {
  const size_t want = static_cast<size_t>(std::min<uint64_t>(unitBytes, room));
  const size_t start = out.size();
  out.resize(start + want);
  size_t produced = 0;
  size_t pos = 0;
  uint8_t chunk[kChunkBytes];
  bool ok = true;
  while (produced < want && pos + 2 <= unit.size()) {
    const uint16_t header = LoadLE16(&unit[pos]);
    if (header == 0) break;
    const size_t stored = (header & 0x0FFFu) + 1;
    if (stored > unit.size() - pos - 2) {
      ok = false;
      break;
    }
    const int n = DecompressChunk(header, unit.subspan(pos + 2, stored), chunk);
    if (n < 0) {
      ok = false;
      break;
    }
    const size_t take = std::min<size_t>(static_cast<size_t>(n), want - produced);
    std::memcpy(&out[start + produced], chunk, take);
    // A chunk stands for 4096 bytes of data even when it decodes to fewer:
    // the rest reads as zeros.
    const size_t span = std::min(kChunkBytes, want - produced);
    if (take < span) std::memset(&out[start + produced + take], 0, span - take);
    produced += span;
    pos += 2 + stored;
  }
  if (!ok) {
    out.resize(start + produced);
    return false;
  }
  if (produced < want) std::memset(&out[start + produced], 0, want - produced);
  return true;
}

}  // namespace tarnwell::engine::ntfs
