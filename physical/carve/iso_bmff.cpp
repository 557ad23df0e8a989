// ISO base media files (MP4, MOV, M4A, 3GP, HEIC, AVIF, CR3): top-level
// boxes from ftyp on, each size checked, until something that is no
// top-level box. The movie box is read and every chunk offset of its
// sample tables must point inside the file.
#include <algorithm>
#include <cstring>
#include <vector>

#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint64_t kLargestMovieBox = uint64_t{64} << 20;

bool Is(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

bool TopLevel(const uint8_t* t) {
  static const char* const kTypes[] = {"ftyp", "moov", "mdat", "free", "skip", "wide", "uuid", "meta", "pdin",
                                       "moof", "mfra", "styp", "sidx", "ssix", "prft", "emsg", "pnot", "PICT",
                                       "junk", "jp2h", "idat", "iinf", "iloc", "mvex", "udta", "abst", "afra"};
  for (const char* name : kTypes)
    if (Is(t, name)) return true;
  return false;
}

const char* ExtensionOfBrand(const uint8_t* b) {
  if (Is(b, "qt  ")) return "mov";
  if (Is(b, "M4A ") || Is(b, "M4B ") || Is(b, "M4P ")) return "m4a";
  if (Is(b, "M4V ") || Is(b, "M4VH") || Is(b, "M4VP")) return "m4v";
  if (std::memcmp(b, "3gp", 3) == 0 || std::memcmp(b, "3gs", 3) == 0 || std::memcmp(b, "3ge", 3) == 0) return "3gp";
  if (std::memcmp(b, "3g2", 3) == 0) return "3g2";
  if (Is(b, "heic") || Is(b, "heix") || Is(b, "heim") || Is(b, "heis") || Is(b, "hevc") || Is(b, "hevx") ||
      Is(b, "mif1") || Is(b, "msf1"))
    return "heic";
  if (Is(b, "avif") || Is(b, "avis")) return "avif";
  if (Is(b, "crx ")) return "cr3";
  return "mp4";
}

// The largest chunk offset in the sample tables (stco, co64) of a movie
// box held in memory; containers are entered, everything else skipped.
// False when a box inside does not fit its parent.
bool LargestChunkOffset(const uint8_t* p, size_t size, int depth, uint64_t& largest) {
  static const char* const kContainers[] = {"trak", "mdia", "minf", "stbl", "edts", "dinf"};
  size_t pos = 0;
  while (pos + 8 <= size) {
    uint64_t boxSize = LoadBE32(p + pos);
    size_t header = 8;
    if (boxSize == 1) {
      if (pos + 16 > size) return false;
      boxSize = LoadBE64(p + pos + 8);
      header = 16;
    } else if (boxSize == 0) {
      boxSize = size - pos;
    }
    if (boxSize < header || boxSize > size - pos) return false;
    const uint8_t* type = p + pos + 4;
    const uint8_t* body = p + pos + header;
    const size_t bodySize = static_cast<size_t>(boxSize) - header;
    bool container = false;
    for (const char* name : kContainers) container = container || Is(type, name);
    if (container && depth < 8) {
      if (!LargestChunkOffset(body, bodySize, depth + 1, largest)) return false;
    } else if ((Is(type, "stco") || Is(type, "co64")) && bodySize >= 8) {
      const bool wide = Is(type, "co64");
      const uint64_t count = LoadBE32(body + 4);
      if (count > (bodySize - 8) / (wide ? 8 : 4)) return false;
      for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* at = body + 8 + i * (wide ? 8 : 4);
        largest = std::max<uint64_t>(largest, wide ? LoadBE64(at) : LoadBE32(at));
      }
    }
    pos += static_cast<size_t>(boxSize);
  }
  return true;
}

}  // namespace

WalkResult WalkIsoBmff(CarveReader& in) {
  uint64_t pos = 0;
  const char* extension = "mp4";
  bool movie = false, meta = false, data = false;
  uint64_t largestChunk = 0;
  for (int boxes = 0;; ++boxes) {
    uint8_t h[16];
    if (boxes > (1 << 20) || !in.Read(pos, h, 8) || !TopLevel(h + 4)) break;
    uint64_t size = LoadBE32(h);
    uint64_t header = 8;
    if (size == 1) {
      if (!in.Read(pos + 8, h + 8, 8)) break;
      size = LoadBE64(h + 8);
      header = 16;
    }
    // Size 0 runs to the end of the file, which is what is not known here.
    if (size < header) break;
    if (boxes == 0) {
      if (!Is(h + 4, "ftyp") || !in.Read(pos + 8, h + 8, 4)) return NotFound();
      extension = ExtensionOfBrand(h + 8);
    }
    if (!in.Has(pos, size)) return boxes > 0 ? Damaged(pos, extension) : NotFound();
    if (Is(h + 4, "moov")) {
      movie = true;
      if (size <= kLargestMovieBox) {
        std::vector<uint8_t> box(static_cast<size_t>(size - header));
        if (!in.Read(pos + header, box.data(), box.size()) ||
            !LargestChunkOffset(box.data(), box.size(), 0, largestChunk))
          return Damaged(pos, extension);
      }
    }
    meta = meta || Is(h + 4, "meta");
    data = data || Is(h + 4, "mdat") || Is(h + 4, "moof");
    pos += size;
  }
  if (pos == 0) return NotFound();
  // A movie needs its media data, and every chunk it points at must lie
  // inside: a file cut short before its end fails here.
  if (movie && (!data || largestChunk >= pos)) return Damaged(pos, extension);
  if (!movie && !meta) return Damaged(pos, extension);
  return Complete(pos, extension);
}

}  // namespace tarnwell::physical::carve
