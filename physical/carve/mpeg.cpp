// MPEG streams. Program streams (MPEG-1 and 2, .mpg): packs and the
// packets in them, each skipped by its length, to the program end code.
// Transport streams (.ts, and .m2ts with a time stamp before each packet):
// 188-byte packets, each beginning with the sync byte, as far as they go.
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

// A transport stream shorter than this many packets is a chance match.
constexpr uint64_t kFewestPackets = 16;

// Data without a check of its own ends where another file begins on a
// block boundary between from and to.
bool ForeignBetween(CarveReader& in, uint64_t from, uint64_t to) {
  const uint64_t block = in.BlockBytes();
  for (uint64_t b = (from / block + 1) * block; b < to; b += block)
    if (in.ForeignStartAt(b)) return true;
  return false;
}

WalkResult ProgramStream(CarveReader& in) {
  uint64_t pos = 0;
  int packs = 0;
  for (uint64_t n = 0; n < (uint64_t{1} << 32); ++n) {
    uint8_t h[14];
    if (!in.Read(pos, h, 4) || h[0] != 0 || h[1] != 0 || h[2] != 1 || h[3] < 0xB9) break;
    uint64_t length = 0;
    if (h[3] == 0xB9) return packs ? Complete(pos + 4, "mpg") : NotFound();  // program end code
    if (h[3] == 0xBA) {
      if (!in.Read(pos, h, 14)) break;
      if ((h[4] & 0xC0) == 0x40) {
        length = 14 + (h[13] & 7);  // MPEG-2 pack header and its stuffing
      } else if ((h[4] & 0xF0) == 0x20) {
        length = 12;                // MPEG-1
      } else {
        break;
      }
      ++packs;
    } else {
      if (!in.Read(pos, h, 6)) break;
      length = 6 + uint64_t{LoadBE16(h + 4)};
    }
    if (packs == 0 || !in.Has(pos, length) || ForeignBetween(in, pos, pos + length)) break;
    pos += length;
  }
  return packs > 1 ? Damaged(pos, "mpg") : NotFound();
}

WalkResult TransportStream(CarveReader& in, uint64_t prefix) {
  const uint64_t packet = 188 + prefix;
  uint64_t count = 0, pos = 0;
  for (;; ++count, pos += packet) {
    uint8_t h[2];
    if (!in.Has(pos, packet) || !in.Read(pos + prefix, h, 2) || h[0] != 0x47 || (h[1] & 0x80)) break;
    if (ForeignBetween(in, pos, pos + packet)) break;
  }
  if (count < kFewestPackets) return NotFound();
  return Complete(pos, prefix ? "m2ts" : "ts");
}

}  // namespace

WalkResult WalkMpeg(CarveReader& in) {
  uint8_t h[8];
  if (!in.Read(0, h, 5)) return NotFound();
  if (h[0] == 0 && h[1] == 0 && h[2] == 1 && h[3] == 0xBA) return ProgramStream(in);
  if (h[0] == 0x47) return TransportStream(in, 0);
  if (h[4] == 0x47) return TransportStream(in, 4);
  return NotFound();
}

}  // namespace tarnwell::physical::carve
