// RIFF (WebP, WAV, AVI): the size in the header, checked by walking the
// chunks it holds, which must fill it exactly. AVI files over 1 GB go on
// in further RIFF "AVIX" lists; RF64 WAV files keep their size in "ds64".
#include <cstring>

#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

bool ChunkId(const uint8_t* p) {
  for (int i = 0; i < 4; ++i)
    if (p[i] < 0x20 || p[i] > 0x7E) return false;
  return true;
}

// Walks the chunks in [from, end); false when one does not fit or is not
// named like one. Notes where a WAV file's sample data lies.
bool Chunks(CarveReader& in, uint64_t from, uint64_t end, uint64_t& dataStart, uint64_t& dataEnd) {
  uint64_t pos = from;
  for (int n = 0; pos + 8 <= end; ++n) {
    uint8_t h[8];
    if (n > (1 << 20) || !in.Read(pos, h, 8) || !ChunkId(h)) return false;
    uint64_t size = LoadLE32(h + 4);
    // RF64's data chunk gives 0xFFFFFFFF and the real size in ds64.
    if (size == 0xFFFFFFFFu) size = end - pos - 8;
    if (std::memcmp(h, "data", 4) == 0) {
      dataStart = pos + 8;
      dataEnd = pos + 8 + size;
    }
    pos += 8 + size + (size & 1);
  }
  // A last chunk of odd size may leave its pad byte out.
  return pos == end || pos == end + 1;
}

}  // namespace

WalkResult WalkRiff(CarveReader& in) {
  uint8_t h[36];
  if (!in.Read(0, h, 12)) return NotFound();
  const bool rf64 = std::memcmp(h, "RF64", 4) == 0;
  uint64_t total = uint64_t{LoadLE32(h + 4)} + 8;
  if (rf64) {
    if (!in.Read(12, h + 12, 24) || std::memcmp(h + 12, "ds64", 4) != 0) return NotFound();
    total = LoadLE64(h + 20) + 8;
  }
  const char* extension = std::memcmp(h + 8, "WEBP", 4) == 0 ? "webp" : std::memcmp(h + 8, "AVI ", 4) == 0 ? "avi" : "wav";
  if (total < 12) return NotFound();
  if (!in.Has(0, total)) return Damaged(in.Limit(), extension);
  uint64_t dataStart = 0, dataEnd = 0;
  if (!Chunks(in, 12, total, dataStart, dataEnd)) return NotFound();
  // Sample data carries no check of its own: another file's signature on
  // a block boundary inside it means it was overwritten there.
  if (dataEnd > dataStart && std::strcmp(extension, "wav") == 0) {
    const uint64_t foreign = in.FirstForeignStart(dataStart, dataEnd);
    if (foreign < dataEnd) return Damaged(foreign, extension);
  }
  uint64_t end = total;
  // OpenDML: the rest of a large AVI in "RIFF size AVIX" lists.
  while (std::strcmp(extension, "avi") == 0) {
    uint8_t next[12];
    if (!in.Read(end, next, 12) || std::memcmp(next, "RIFF", 4) != 0 || std::memcmp(next + 8, "AVIX", 4) != 0) break;
    const uint64_t size = uint64_t{LoadLE32(next + 4)} + 8;
    if (!in.Has(end, size)) return Damaged(end, extension);
    uint64_t s = 0, e = 0;
    if (!Chunks(in, end + 12, end + size, s, e)) return Damaged(end, extension);
    end += size;
  }
  return Complete(end, extension);
}

}  // namespace tarnwell::physical::carve
