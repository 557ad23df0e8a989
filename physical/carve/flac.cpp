// FLAC: metadata blocks from STREAMINFO to the last one, then frames. A
// frame ends where the next one begins, which its header (sync code and
// CRC-8) and its own CRC-16 prove; the last frame (when the sample count
// of STREAMINFO is reached, or no next frame follows) is decoded down to
// its subframes' residuals, which is where it ends, and its CRC-16 must
// hold there.
#include <algorithm>

#include "physical/carve/checksums.h"
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

struct StreamInfo {
  uint32_t maxFrame = 0;
  uint32_t sampleRate = 0;
  uint8_t bits = 0;
  uint64_t totalSamples = 0;
};

struct FrameHeader {
  uint32_t blockSize = 0;
  uint8_t channels = 0;
  uint8_t assignment = 0;  // 0-7 independent, 8 left/side, 9 side/right, 10 mid/side
  uint8_t bits = 0;
  uint32_t length = 0;     // header bytes, CRC-8 included
};

// A frame header at p (n bytes at hand), its CRC-8 checked.
bool ParseFrameHeader(const uint8_t* p, size_t n, const StreamInfo& info, FrameHeader& h) {
  if (n < 6 || p[0] != 0xFF || (p[1] & 0xFE) != 0xF8) return false;
  const uint8_t sizeCode = p[2] >> 4, rateCode = p[2] & 15;
  h.assignment = p[3] >> 4;
  const uint8_t bitsCode = (p[3] >> 1) & 7;
  if (sizeCode == 0 || rateCode == 15 || h.assignment > 10 || bitsCode == 3 || bitsCode == 7 || (p[3] & 1)) return false;
  size_t at = 4;
  // The frame or sample number, UTF-8 style (1 to 7 bytes).
  const uint8_t lead = p[at];
  int extra = 0;
  if (lead >= 0xFE || (lead & 0xC0) == 0x80) return false;
  if (lead >= 0x80) extra = __builtin_clz(uint32_t{static_cast<uint8_t>(~lead)}) - 24 - 1;
  if (at + 1 + extra > n) return false;
  for (int i = 1; i <= extra; ++i)
    if ((p[at + i] & 0xC0) != 0x80) return false;
  at += 1 + extra;
  if (sizeCode == 1) h.blockSize = 192;
  else if (sizeCode <= 5) h.blockSize = 576u << (sizeCode - 2);
  else if (sizeCode >= 8) h.blockSize = 256u << (sizeCode - 8);
  if (sizeCode == 6 || sizeCode == 7) {
    const size_t k = sizeCode == 6 ? 1 : 2;
    if (at + k > n) return false;
    h.blockSize = (k == 1 ? p[at] : LoadBE16(p + at)) + 1u;
    at += k;
  }
  if (rateCode >= 12) at += rateCode == 12 ? 1 : 2;
  if (at + 1 > n) return false;
  static constexpr uint8_t kBits[8] = {0, 8, 12, 0, 16, 20, 24, 0};
  h.bits = bitsCode ? kBits[bitsCode] : info.bits;
  h.channels = static_cast<uint8_t>(h.assignment <= 7 ? h.assignment + 1 : 2);
  h.length = static_cast<uint32_t>(at + 1);
  return FlacCrc8(0, p, at) == p[at] && h.bits > 0;
}

class BitReader {
 public:
  BitReader(CarveReader& in, uint64_t pos, uint64_t end) : in_(in), pos_(pos), end_(end) {}
  bool Bits(int n, uint32_t& v) {
    v = 0;
    for (int i = 0; i < n; ++i) {
      uint32_t b;
      if (!Bit(b)) return false;
      v = (v << 1) | b;
    }
    return true;
  }
  bool Bit(uint32_t& b) {
    if (left_ == 0) {
      if (pos_ >= end_ || !in_.Read(pos_, &byte_, 1)) return false;
      ++pos_;
      left_ = 8;
    }
    b = (byte_ >> --left_) & 1;
    return true;
  }
  bool Unary(uint32_t& zeros) {
    zeros = 0;
    for (uint32_t b = 0;; ++zeros) {
      if (!Bit(b)) return false;
      if (b) return true;
      if (zeros > 64 * 1024) return false;
    }
  }
  // After the frame's last subframe: the byte holding the last bit is done.
  uint64_t ByteEnd() const { return pos_; }

 private:
  CarveReader& in_;
  uint64_t pos_;
  uint64_t end_;
  uint8_t byte_ = 0;
  int left_ = 0;
};

bool Residual(BitReader& r, uint32_t blockSize, uint32_t order) {
  uint32_t method, partitionOrder;
  if (!r.Bits(2, method) || method > 1 || !r.Bits(4, partitionOrder)) return false;
  const uint32_t paramBits = method == 0 ? 4 : 5, escape = (1u << paramBits) - 1;
  const uint32_t partitions = 1u << partitionOrder;
  if ((blockSize >> partitionOrder) < (partitionOrder ? 0u : order)) return false;
  for (uint32_t p = 0; p < partitions; ++p) {
    uint32_t samples = blockSize >> partitionOrder;
    if (p == 0) {
      if (samples < order) return false;
      samples -= order;
    }
    uint32_t param, v;
    if (!r.Bits(static_cast<int>(paramBits), param)) return false;
    if (param == escape) {
      uint32_t raw;
      if (!r.Bits(5, raw)) return false;
      for (uint32_t s = 0; s < samples; ++s)
        if (!r.Bits(static_cast<int>(raw), v)) return false;
      continue;
    }
    for (uint32_t s = 0; s < samples; ++s) {
      uint32_t zeros;
      if (!r.Unary(zeros) || !r.Bits(static_cast<int>(param), v)) return false;
    }
  }
  return true;
}

bool Subframe(BitReader& r, uint32_t blockSize, uint32_t bits) {
  uint32_t pad, type, wasted, v;
  if (!r.Bit(pad) || pad || !r.Bits(6, type) || !r.Bit(wasted)) return false;
  if (wasted) {
    uint32_t k;
    if (!r.Unary(k) || k + 1 >= bits) return false;
    bits -= k + 1;
  }
  if (type == 0) return r.Bits(static_cast<int>(bits), v);  // constant
  if (type == 1) {                                            // verbatim
    for (uint32_t s = 0; s < blockSize; ++s)
      if (!r.Bits(static_cast<int>(bits), v)) return false;
    return true;
  }
  uint32_t order;
  if (type >= 8 && type <= 12) {  // fixed predictor
    order = type - 8;
  } else if (type >= 32) {        // linear predictor
    order = type - 31;
  } else {
    return false;
  }
  for (uint32_t s = 0; s < order; ++s)
    if (!r.Bits(static_cast<int>(bits), v)) return false;
  if (type >= 32) {
    uint32_t precision, shift;
    if (!r.Bits(4, precision) || precision == 15 || !r.Bits(5, shift)) return false;
    for (uint32_t s = 0; s < order; ++s)
      if (!r.Bits(static_cast<int>(precision + 1), v)) return false;
  }
  return Residual(r, blockSize, order);
}

// Where the frame at pos ends by its subframes, its CRC-16 included; 0
// when it does not decode or its CRC fails.
uint64_t DecodedFrameEnd(CarveReader& in, uint64_t pos, const FrameHeader& h, uint64_t limit) {
  BitReader r(in, pos + h.length, limit);
  for (uint8_t c = 0; c < h.channels; ++c) {
    // The side channel of a stereo pair carries one bit more.
    const bool side = (h.assignment == 8 && c == 1) || (h.assignment == 9 && c == 0) || (h.assignment == 10 && c == 1);
    if (!Subframe(r, h.blockSize, h.bits + (side ? 1u : 0u))) return 0;
  }
  const uint64_t end = r.ByteEnd() + 2;
  uint16_t crc = 0;
  if (!ForEachPiece(in, pos, end - pos, [&crc](std::span<const uint8_t> p) {
        crc = FlacCrc16(crc, p.data(), p.size());
        return true;
      }))
    return 0;
  return crc == 0 ? end : 0;
}

}  // namespace

WalkResult WalkFlac(CarveReader& in) {
  uint64_t pos = 4;
  StreamInfo info;
  for (int block = 0;; ++block) {
    uint8_t h[4 + 34];
    if (block > 4096 || !in.Read(pos, h, 4)) return block ? Damaged(pos) : NotFound();
    const uint8_t type = h[0] & 0x7F;
    const uint32_t length = LoadBE24(h + 1);
    if (type == 127 || (block == 0 && (type != 0 || length != 34)) || (block > 0 && type == 0))
      return block ? Damaged(pos) : NotFound();
    if (block == 0) {
      if (!in.Read(pos + 4, h + 4, 34)) return NotFound();
      const uint8_t* s = h + 4;
      info.maxFrame = LoadBE24(s + 7);
      info.sampleRate = LoadBE24(s + 10) >> 4;
      info.bits = static_cast<uint8_t>((((s[12] & 1) << 4) | (s[13] >> 4)) + 1);
      info.totalSamples = (static_cast<uint64_t>(s[13] & 0x0F) << 32) | LoadBE32(s + 14);
      if (info.sampleRate == 0) return NotFound();
    }
    if (!in.Has(pos, uint64_t{4} + length)) return Damaged(pos);
    pos += 4 + uint64_t{length};
    if (h[0] & 0x80) break;
  }
  // Frames. A frame is at most this long: STREAMINFO's maximum when given,
  // else what 65,535 samples of 8 channels of 32 bits take unpacked.
  const uint64_t longest = info.maxFrame ? info.maxFrame : (uint64_t{65535} * 8 * 4 + 64);
  uint64_t samples = 0;
  int frames = 0;
  for (;;) {
    uint8_t hb[16];
    FrameHeader h;
    const size_t got = in.Peek(pos, hb, sizeof hb);
    if (!ParseFrameHeader(hb, got, info, h)) return Damaged(pos);
    samples += h.blockSize;
    ++frames;
    const bool last = info.totalSamples && samples >= info.totalSamples;
    uint64_t next = 0;
    if (!last) {
      // The next frame begins at a sync code with a sound header, where the
      // CRC-16 of everything from this frame's start comes out zero.
      uint16_t crc = FlacCrc16(0, hb, std::min<size_t>(h.length, got));
      uint64_t at = pos + h.length;
      const uint64_t stop = std::min(in.Limit(), pos + longest + 1);
      while (at < stop && !next) {
        const std::span<const uint8_t> piece = in.View(at, static_cast<size_t>(std::min<uint64_t>(stop - at, 1 << 16)));
        if (piece.empty()) break;
        size_t i = 0;
        for (; i < piece.size(); ++i) {
          if (crc == 0 && piece[i] == 0xFF && at + i >= pos + h.length + 2) {
            uint8_t nb[16];
            FrameHeader nh;
            if (ParseFrameHeader(nb, in.Peek(at + i, nb, sizeof nb), info, nh)) {
              next = at + i;
              break;
            }
          }
          crc = FlacCrc16(crc, piece.data() + i, 1);
        }
        at += i;
      }
    }
    if (!next) {
      // The last frame, or the next one is gone: this frame's own
      // subframes tell where it ends.
      const uint64_t end = DecodedFrameEnd(in, pos, h, std::min(in.Limit(), pos + longest));
      if (!end) return Damaged(pos);
      if (info.totalSamples && samples < info.totalSamples) return Damaged(end);
      return Complete(end);
    }
    pos = next;
  }
}

}  // namespace tarnwell::physical::carve
