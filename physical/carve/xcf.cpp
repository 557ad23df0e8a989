// GIMP's XCF: header, image properties, then the layers and channels the
// pointer lists name, each with its hierarchy, levels and tiles. A tile
// ends where its data decodes to (RLE, zlib or raw), so the file's end is
// where the last thing any pointer leads to ends.
#include <algorithm>
#include <cstring>
#include <vector>

#include "physical/carve/inflate_check.h"
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr size_t kMaxPointers = 1u << 20;
constexpr uint32_t kLargestSide = 1u << 19;
constexpr uint32_t kTile = 64;

class XcfWalk {
 public:
  XcfWalk(CarveReader& in, int version) : in_(in), wide_(version >= 11) {}

  bool Run(uint64_t pos) {
    uint32_t width, height, base;
    if (!U32(pos, width) || !U32(pos + 4, height) || !U32(pos + 8, base) || base > 2 || !Side(width) || !Side(height))
      return false;
    pos += 12 + (version4_ ? 4 : 0);
    if (!Properties(pos, true)) return false;
    std::vector<uint64_t> layers, channels;
    if (!Pointers(pos, layers) || !Pointers(pos, channels)) return false;
    for (uint64_t l : layers)
      if (!Drawable(l, true)) return false;
    for (uint64_t c : channels)
      if (!Drawable(c, false)) return false;
    return true;
  }
  void SetVersion4(bool v) { version4_ = v; }
  uint64_t End() const { return end_; }

 private:
  static bool Side(uint32_t v) { return v > 0 && v <= kLargestSide; }
  bool U32(uint64_t at, uint32_t& v) {
    const std::optional<uint32_t> got = Be32At(in_, at);
    if (!got) return false;
    v = *got;
    Grow(at + 4);
    return true;
  }
  bool Pointer(uint64_t at, uint64_t& p) {
    uint8_t b[8];
    const size_t n = wide_ ? 8 : 4;
    if (!in_.Read(at, b, n)) return false;
    p = wide_ ? LoadBE64(b) : LoadBE32(b);
    Grow(at + n);
    return true;
  }
  void Grow(uint64_t end) { end_ = std::max(end_, end); }

  // type, length, payload ... until type 0 (PROP_END).
  bool Properties(uint64_t& pos, bool image) {
    for (size_t n = 0; n < kMaxPointers; ++n) {
      uint32_t type, length;
      if (!U32(pos, type) || !U32(pos + 4, length) || !in_.Has(pos + 8, length)) return false;
      if (image && type == 17 && length >= 1) {  // PROP_COMPRESSION
        uint8_t c;
        if (!in_.Read(pos + 8, &c, 1) || c > 2) return false;
        compression_ = c;
      }
      pos += 8 + uint64_t{length};
      Grow(pos);
      if (type == 0) return true;
    }
    return false;
  }
  bool Pointers(uint64_t& pos, std::vector<uint64_t>& out) {
    for (;;) {
      uint64_t p;
      if (!Pointer(pos, p)) return false;
      pos += wide_ ? 8 : 4;
      if (p == 0) return true;
      if (out.size() >= kMaxPointers || p >= in_.Limit()) return false;
      out.push_back(p);
    }
  }
  bool Drawable(uint64_t pos, bool layer) {
    uint32_t width, height, type, nameLength;
    if (!U32(pos, width) || !U32(pos + 4, height) || !Side(width) || !Side(height)) return false;
    pos += 8;
    if (layer) {
      if (!U32(pos, type)) return false;
      pos += 4;
    }
    if (!U32(pos, nameLength) || !in_.Has(pos + 4, nameLength)) return false;
    pos += 4 + uint64_t{nameLength};
    if (!Properties(pos, false)) return false;
    uint64_t hierarchy, mask = 0;
    if (!Pointer(pos, hierarchy)) return false;
    if (layer && !Pointer(pos + (wide_ ? 8 : 4), mask)) return false;
    if (!Hierarchy(hierarchy)) return false;
    return mask == 0 || Drawable(mask, false);
  }
  bool Hierarchy(uint64_t pos) {
    uint32_t width, height, bpp;
    if (!U32(pos, width) || !U32(pos + 4, height) || !U32(pos + 8, bpp) || bpp == 0 || bpp > 32) return false;
    pos += 12;
    std::vector<uint64_t> levels;
    if (!Pointers(pos, levels)) return false;
    for (uint64_t l : levels)
      if (!Level(l, bpp)) return false;
    return true;
  }
  bool Level(uint64_t pos, uint32_t bpp) {
    uint32_t width, height;
    if (!U32(pos, width) || !U32(pos + 4, height) || width > kLargestSide || height > kLargestSide) return false;
    pos += 8;
    std::vector<uint64_t> tiles;
    if (!Pointers(pos, tiles)) return false;
    const uint64_t across = (width + kTile - 1) / kTile, down = (height + kTile - 1) / kTile;
    if (!tiles.empty() && tiles.size() != across * down) return false;
    for (size_t t = 0; t < tiles.size(); ++t) {
      const uint64_t tw = std::min<uint64_t>(kTile, width - (t % across) * kTile);
      const uint64_t th = std::min<uint64_t>(kTile, height - (t / across) * kTile);
      if (!TileData(tiles[t], tw * th, bpp)) return false;
    }
    return true;
  }
  // One tile of `pixels` pixels of bpp bytes, in the image's compression.
  bool TileData(uint64_t pos, uint64_t pixels, uint32_t bpp) {
    if (compression_ == 0) {
      if (!in_.Has(pos, pixels * bpp)) return false;
      Grow(pos + pixels * bpp);
      return true;
    }
    if (compression_ == 2) {
      const InflateOutcome out = InflateAt(in_, pos, in_.Limit() - std::min(in_.Limit(), pos), DeflateWrapping::kZlib,
                                           pixels * bpp);
      if (!out.ended || out.produced != pixels * bpp) return false;
      Grow(pos + out.consumed);
      return true;
    }
    // RLE, plane by plane: n <= 126: n + 1 copies of one byte; 127: a
    // 16-bit count, then one byte; 128: a 16-bit count of literal bytes;
    // 129-255: 256 - n literal bytes.
    for (uint32_t plane = 0; plane < bpp; ++plane) {
      for (uint64_t done = 0; done < pixels;) {
        uint8_t op[3];
        if (!in_.Read(pos, op, 1)) return false;
        uint64_t count;
        bool literal;
        if (op[0] == 127 || op[0] == 128) {
          if (!in_.Read(pos + 1, op + 1, 2)) return false;
          count = LoadBE16(op + 1);
          literal = op[0] == 128;
          pos += 3;
        } else {
          literal = op[0] > 128;
          count = literal ? 256u - op[0] : op[0] + 1u;
          pos += 1;
        }
        if (count == 0 || done + count > pixels) return false;
        pos += literal ? count : 1;
        done += count;
      }
    }
    if (!in_.Has(0, pos)) return false;
    Grow(pos);
    return true;
  }

  CarveReader& in_;
  bool wide_;
  bool version4_ = false;
  uint8_t compression_ = 0;
  uint64_t end_ = 0;
};

}  // namespace

WalkResult WalkXcf(CarveReader& in) {
  uint8_t h[14];
  if (!in.Read(0, h, 14)) return NotFound();
  int version = 0;
  if (std::memcmp(h + 9, "file", 5) != 0) {
    if (h[9] != 'v' || h[13] != 0) return NotFound();
    for (int i = 10; i < 13; ++i) {
      if (h[i] < '0' || h[i] > '9') return NotFound();
      version = version * 10 + (h[i] - '0');
    }
  }
  XcfWalk walk(in, version);
  walk.SetVersion4(version >= 4);
  if (!walk.Run(14)) return walk.End() > 14 ? Damaged(walk.End()) : NotFound();
  return Complete(walk.End());
}

}  // namespace tarnwell::physical::carve
