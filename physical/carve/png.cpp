// PNG: chunks from IHDR to IEND, every chunk's CRC checked.
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

bool SaneHeader(const uint8_t* h) {
  const uint32_t width = LoadBE32(h), height = LoadBE32(h + 4);
  const uint8_t depth = h[8], colour = h[9];
  const bool depthFits = (colour == 0 && (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)) ||
                         (colour == 3 && (depth == 1 || depth == 2 || depth == 4 || depth == 8)) ||
                         ((colour == 2 || colour == 4 || colour == 6) && (depth == 8 || depth == 16));
  return width > 0 && height > 0 && width < (1u << 31) && height < (1u << 31) && depthFits && h[10] == 0 &&
         h[11] == 0 && h[12] <= 1;
}

}  // namespace

WalkResult WalkPng(CarveReader& in) {
  uint64_t pos = 8;
  bool sawData = false;
  for (bool first = true;; first = false) {
    uint8_t head[8 + 13];
    if (!in.Read(pos, head, 8)) return first ? NotFound() : Damaged(pos);
    const uint32_t length = LoadBE32(head);
    const uint8_t* type = head + 4;
    const bool named = IsTagLetter(type[0]) && IsTagLetter(type[1]) && IsTagLetter(type[2]) && IsTagLetter(type[3]);
    if (length > 0x7FFFFFFFu || !named || !in.Has(pos, uint64_t{12} + length)) return first ? NotFound() : Damaged(pos);
    if (first) {
      if (length != 13 || !in.Read(pos + 8, head + 8, 13) || !SaneHeader(head + 8)) return NotFound();
    }
    const std::optional<uint32_t> crc = Crc32Of(in, pos + 4, uint64_t{4} + length);
    const std::optional<uint32_t> stored = Be32At(in, pos + 8 + length);
    if (!crc || !stored || *crc != *stored) return first ? NotFound() : Damaged(pos);
    if (type[0] == 'I' && type[1] == 'D' && type[2] == 'A' && type[3] == 'T') sawData = true;
    pos += uint64_t{12} + length;
    if (type[0] == 'I' && type[1] == 'E' && type[2] == 'N' && type[3] == 'D')
      return sawData ? Complete(pos) : Damaged(pos);
  }
}

}  // namespace tarnwell::physical::carve
