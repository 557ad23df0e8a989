// RAR 4 and RAR 5: blocks from the marker on, each header's CRC checked,
// data areas skipped by their sizes, to the end-of-archive block.
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr int kMaxBlocks = 1 << 22;

WalkResult Rar4(CarveReader& in) {
  uint64_t pos = 7;
  for (int n = 0; n < kMaxBlocks; ++n) {
    uint8_t h[11];
    if (!in.Read(pos, h, 7)) return Damaged(pos);
    const uint8_t type = h[2];
    const uint16_t flags = LoadLE16(h + 3), size = LoadLE16(h + 5);
    if (size < 7 || type < 0x72 || type > 0x7B) return n ? Damaged(pos) : NotFound();
    // The header's CRC: the low 16 bits of CRC-32 over it from the type on.
    const std::optional<uint32_t> crc = Crc32Of(in, pos + 2, size - 2u);
    if (!crc || (*crc & 0xFFFF) != LoadLE16(h)) return n ? Damaged(pos) : NotFound();
    uint64_t data = 0;
    if (flags & 0x8000) {
      if (!in.Read(pos + 7, h + 7, 4)) return Damaged(pos);
      data = LoadLE32(h + 7);
      // Files (and service blocks) over 4 GB keep the high half later on.
      if ((type == 0x74 || type == 0x7A) && (flags & 0x100) && size >= 36) {
        const std::optional<uint32_t> high = Le32At(in, pos + 32);
        if (!high) return Damaged(pos);
        data |= uint64_t{*high} << 32;
      }
    }
    if (!in.Has(pos, size + data)) return Damaged(pos);
    pos += size + data;
    if (type == 0x7B) return Complete(pos, "rar");
  }
  return Damaged(pos);
}

// A RAR 5 variable-length number (7 bits a byte, low first).
bool Vint(CarveReader& in, uint64_t& pos, uint64_t& v) {
  v = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    uint8_t b;
    if (!in.Read(pos++, &b, 1)) return false;
    v |= uint64_t{b & 0x7Fu} << shift;
    if (!(b & 0x80)) return true;
  }
  return false;
}

WalkResult Rar5(CarveReader& in) {
  uint64_t pos = 8;
  for (int n = 0; n < kMaxBlocks; ++n) {
    const std::optional<uint32_t> stored = Le32At(in, pos);
    uint64_t at = pos + 4, headerSize, type, flags, extra = 0, data = 0;
    if (!stored || !Vint(in, at, headerSize) || headerSize == 0 || headerSize > (1u << 21))
      return n ? Damaged(pos) : NotFound();
    const uint64_t headerEnd = at + headerSize;
    const std::optional<uint32_t> crc = Crc32Of(in, pos + 4, headerEnd - (pos + 4));
    if (!crc || *crc != *stored) return n ? Damaged(pos) : NotFound();
    if (!Vint(in, at, type) || !Vint(in, at, flags)) return Damaged(pos);
    if ((flags & 1) && !Vint(in, at, extra)) return Damaged(pos);
    if ((flags & 2) && !Vint(in, at, data)) return Damaged(pos);
    if (type < 1 || type > 5 || !in.Has(headerEnd, data)) return Damaged(pos);
    pos = headerEnd + data;
    if (type == 5) return Complete(pos, "rar");
  }
  return Damaged(pos);
}

}  // namespace

WalkResult WalkRar(CarveReader& in) {
  uint8_t m[8];
  if (!in.Read(0, m, 8)) return NotFound();
  return m[6] == 0 ? Rar4(in) : Rar5(in);
}

}  // namespace tarnwell::physical::carve
