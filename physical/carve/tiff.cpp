// TIFF and the camera raw formats built on it (CR2, NEF, ARW, DNG, ORF,
// RW2): every IFD reached from the first one (the chain, SubIFDs, the EXIF
// and GPS IFDs) is walked, and the file ends where the last thing any of
// them points at ends: a strip, a tile, an embedded preview, a value.
#include <algorithm>
#include <array>
#include <cstring>

#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr size_t kMaxIfds = 256;
constexpr uint16_t kMaxEntries = 4096;
constexpr uint32_t kMaxArray = 1u << 20;  // strips or tiles of one IFD

constexpr uint16_t kStripOffsets = 0x111, kStripCounts = 0x117, kTileOffsets = 0x144, kTileCounts = 0x145;
constexpr uint16_t kSubIfds = 0x14A, kExifIfd = 0x8769, kGpsIfd = 0x8825, kInteropIfd = 0xA005;
constexpr uint16_t kJpegOffset = 0x201, kJpegLength = 0x202, kMake = 0x10F, kDngVersion = 0xC612;

uint32_t TypeBytes(uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;   // byte, ASCII, sbyte, undefined
    case 3: case 8: return 2;                   // short, sshort
    case 4: case 9: case 11: case 13: return 4; // long, slong, float, IFD
    case 5: case 10: case 12: return 8;         // rational, srational, double
    default: return 0;
  }
}

class TiffWalk {
 public:
  TiffWalk(CarveReader& in, bool little) : in_(in), little_(little) {}

  WalkResult Run(uint32_t first) {
    Queue(first);
    for (size_t i = 0; i < pending_.size(); ++i) {
      if (!Ifd(pending_[i])) return i == 0 ? NotFound() : Damaged(std::max<uint64_t>(end_, 8));
    }
    if (!in_.Has(0, end_)) return Damaged(in_.Limit());
    return Complete(end_, Extension());
  }

 private:
  uint16_t U16(const uint8_t* p) const { return little_ ? LoadLE16(p) : LoadBE16(p); }
  uint32_t U32(const uint8_t* p) const { return little_ ? LoadLE32(p) : LoadBE32(p); }
  void Grow(uint64_t end) { end_ = std::max(end_, end); }
  void Queue(uint64_t offset) {
    if (offset < 8 || pending_.size() >= kMaxIfds) return;
    if (std::find(pending_.begin(), pending_.end(), offset) == pending_.end()) pending_.push_back(offset);
  }

  // The count values of an entry as 32-bit numbers (shorts widened).
  bool Values(const uint8_t* entry, std::vector<uint32_t>& out) {
    const uint16_t type = U16(entry + 2);
    const uint32_t count = U32(entry + 4);
    const uint32_t size = TypeBytes(type);
    if ((size != 2 && size != 4) || count > kMaxArray) return false;
    out.resize(count);
    const uint64_t bytes = uint64_t{count} * size;
    std::vector<uint8_t> raw(static_cast<size_t>(bytes));
    if (bytes == 0) return true;
    if (bytes <= 4) {
      std::memcpy(raw.data(), entry + 8, static_cast<size_t>(bytes));
    } else if (!in_.Read(U32(entry + 8), raw.data(), raw.size())) {
      return false;
    }
    for (uint32_t i = 0; i < count; ++i) out[i] = size == 2 ? U16(raw.data() + 2 * i) : U32(raw.data() + 4 * i);
    return true;
  }

  bool Ifd(uint64_t offset) {
    uint8_t countBytes[2];
    if (!in_.Read(offset, countBytes, 2)) return false;
    const uint16_t count = U16(countBytes);
    if (count == 0 || count > kMaxEntries) return false;
    std::vector<uint8_t> entries(size_t{count} * 12 + 4);
    if (!in_.Read(offset + 2, entries.data(), entries.size())) return false;
    Grow(offset + 2 + entries.size());
    std::vector<uint32_t> offsets, counts;
    const uint8_t* stripEntry = nullptr;
    const uint8_t* countEntry = nullptr;
    uint32_t jpegOffset = 0, jpegLength = 0;
    uint16_t previous = 0;
    for (uint16_t i = 0; i < count; ++i) {
      const uint8_t* e = entries.data() + size_t{i} * 12;
      const uint16_t tag = U16(e), type = U16(e + 2);
      const uint32_t n = U32(e + 4);
      // Tags come in ascending order in every writer's files; a jumble
      // is not an IFD.
      if (i > 0 && tag < previous) return false;
      previous = tag;
      const uint32_t size = TypeBytes(type);
      if (size == 0) continue;  // a type this walk does not know: its value is left alone
      const uint64_t bytes = uint64_t{n} * size;
      if (bytes > 4) {
        const uint32_t at = U32(e + 8);
        if (!in_.Has(at, bytes)) return false;
        Grow(at + bytes);
      }
      if (tag == kStripOffsets || tag == kTileOffsets) stripEntry = e;
      if (tag == kStripCounts || tag == kTileCounts) countEntry = e;
      if (tag == kJpegOffset) jpegOffset = U32(e + 8);
      if (tag == kJpegLength) jpegLength = U32(e + 8);
      if (tag == kExifIfd || tag == kGpsIfd || tag == kInteropIfd) Queue(U32(e + 8));
      if (tag == kSubIfds) {
        std::vector<uint32_t> subs;
        if (Values(e, subs))
          for (uint32_t s : subs) Queue(s);
      }
      if (tag == kDngVersion) dng_ = true;
      if (tag == kMake && bytes > 4 && bytes < 64) {
        std::array<char, 64> make{};
        if (in_.Read(U32(e + 8), make.data(), static_cast<size_t>(bytes))) Maker(make.data());
      } else if (tag == kMake && bytes <= 4) {
        char make[5] = {};
        std::memcpy(make, e + 8, static_cast<size_t>(bytes));
        Maker(make);
      }
    }
    if (stripEntry && countEntry) {
      if (!Values(stripEntry, offsets) || !Values(countEntry, counts) || offsets.size() != counts.size()) return false;
      for (size_t k = 0; k < offsets.size(); ++k) {
        if (!in_.Has(offsets[k], counts[k])) return false;
        Grow(uint64_t{offsets[k]} + counts[k]);
      }
    }
    if (jpegOffset && jpegLength) {
      if (!in_.Has(jpegOffset, jpegLength)) return false;
      Grow(uint64_t{jpegOffset} + jpegLength);
    }
    Queue(U32(entries.data() + size_t{count} * 12));
    return true;
  }

  void Maker(const char* make) {
    if (std::strncmp(make, "NIKON", 5) == 0) maker_ = "nef";
    if (std::strncmp(make, "SONY", 4) == 0) maker_ = "arw";
  }
  const char* Extension() const {
    if (dng_) return "dng";
    uint8_t head[12];
    if (in_.Read(0, head, 12)) {
      if (head[0] == 'I' && head[2] == '*' && head[8] == 'C' && head[9] == 'R') return "cr2";
      if (head[2] == 'R') return "orf";
      if (head[2] == 'U') return "rw2";
    }
    return maker_ ? maker_ : "tif";
  }

  CarveReader& in_;
  bool little_;
  std::vector<uint64_t> pending_;
  uint64_t end_ = 8;
  bool dng_ = false;
  const char* maker_ = nullptr;
};

}  // namespace

WalkResult WalkTiff(CarveReader& in) {
  uint8_t head[8];
  if (!in.Read(0, head, 8)) return NotFound();
  const bool little = head[0] == 'I';
  TiffWalk walk(in, little);
  return walk.Run(little ? LoadLE32(head + 4) : LoadBE32(head + 4));
}

}  // namespace tarnwell::physical::carve
