// 7z: the signature header's own CRC, then the next header at the offset
// it gives, whose CRC must hold too; the file ends after that header.
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {

WalkResult WalkSevenZip(CarveReader& in) {
  uint8_t h[32];
  if (!in.Read(0, h, 32) || Crc32(0, h + 12, 20) != LoadLE32(h + 8)) return NotFound();
  const uint64_t offset = LoadLE64(h + 12), size = LoadLE64(h + 20);
  if (size == 0 || offset > in.Limit() || size > in.Limit()) return NotFound();
  if (!in.Has(32 + offset, size)) return Damaged(32);
  const std::optional<uint32_t> crc = Crc32Of(in, 32 + offset, size);
  if (!crc || *crc != LoadLE32(h + 28)) return Damaged(32);
  return Complete(32 + offset + size);
}

}  // namespace tarnwell::physical::carve
