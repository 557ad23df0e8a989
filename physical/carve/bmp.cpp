// BMP: the size the header gives, checked against the one its width,
// height and depth imply.
#include <algorithm>

#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {

WalkResult WalkBmp(CarveReader& in) {
  uint8_t h[54] = {};
  if (!in.Read(0, h, 30)) return NotFound();
  const uint32_t declared = LoadLE32(h + 2);
  const uint32_t dataOffset = LoadLE32(h + 10);
  const uint32_t header = LoadLE32(h + 14);
  uint64_t width = 0, height = 0;
  uint32_t bits = 0, compression = 0;
  if (header == 12) {
    width = LoadLE16(h + 18);
    height = LoadLE16(h + 20);
    bits = LoadLE16(h + 24);
  } else {
    if (!in.Read(0, h, 54)) return NotFound();
    // Negative heights mean rows stored top down.
    const int64_t w = static_cast<int32_t>(LoadLE32(h + 18)), hh = static_cast<int32_t>(LoadLE32(h + 22));
    width = static_cast<uint64_t>(w < 0 ? -w : w);
    height = static_cast<uint64_t>(hh < 0 ? -hh : hh);
    bits = LoadLE16(h + 28);
    compression = LoadLE32(h + 30);
  }
  if (width == 0 || height == 0 || bits == 0 || dataOffset < 14 + header) return NotFound();
  // Rows are padded to four bytes. Compressed pictures (RLE, JPEG, PNG
  // inside) are as long as the header says.
  const uint64_t raster = ((width * bits + 31) / 32) * 4 * height;
  const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
  uint64_t size = declared;
  if (uncompressed) {
    const uint64_t implied = uint64_t{dataOffset} + raster;
    // Writers leave the size out or pad the file by a few bytes.
    if (declared < implied || declared > implied + 4096) size = implied;
  } else if (declared <= dataOffset) {
    return NotFound();
  }
  if (!in.Has(0, size)) return Damaged(std::min<uint64_t>(in.Limit(), dataOffset));
  // Raw pixels carry no check of their own: another file's signature on a
  // block boundary inside them means they were overwritten there.
  const uint64_t foreign = in.FirstForeignStart(dataOffset, size);
  return foreign < size ? Damaged(foreign) : Complete(size);
}

}  // namespace tarnwell::physical::carve
