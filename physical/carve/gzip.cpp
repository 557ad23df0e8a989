// gzip: each member's header, its deflate stream inflated to the end, and
// its trailer (CRC-32 and length of what it inflated to) checked; members
// that follow one another belong to one file.
#include "physical/carve/inflate_check.h"
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

// The offset after a zero-terminated field at pos, 0 when none ends
// within 64 KiB.
uint64_t AfterZero(CarveReader& in, uint64_t pos) {
  for (uint64_t i = 0; i < 65536; ++i) {
    uint8_t b;
    if (!in.Read(pos + i, &b, 1)) return 0;
    if (b == 0) return pos + i + 1;
  }
  return 0;
}

// One member at pos; its end, or 0 when it does not hold. Then `broke` is
// what validated: up to where the compressed data stopped making sense, or
// only the header when the data inflated but its CRC or length is wrong
// (the change lies somewhere in it).
uint64_t Member(CarveReader& in, uint64_t pos, uint64_t& broke) {
  broke = 0;
  uint8_t h[10];
  if (!in.Read(pos, h, 10) || h[0] != 0x1F || h[1] != 0x8B || h[2] != 8 || (h[3] & 0xE0)) return 0;
  uint64_t at = pos + 10;
  if (h[3] & 4) {  // FEXTRA
    const std::optional<uint16_t> length = Le16At(in, at);
    if (!length) return 0;
    at += 2 + *length;
  }
  if ((h[3] & 8) && !(at = AfterZero(in, at))) return 0;   // FNAME
  if ((h[3] & 16) && !(at = AfterZero(in, at))) return 0;  // FCOMMENT
  if (h[3] & 2) at += 2;                                   // FHCRC
  const InflateOutcome out = InflateAt(in, at, in.Limit() - std::min(in.Limit(), at), DeflateWrapping::kRaw,
                                       in.Limit() * 1032);
  broke = out.ended ? at : out.consumed >= 64 ? at + out.consumed : 0;
  uint8_t t[8];
  if (!out.ended || !in.Read(at + out.consumed, t, 8)) return 0;
  if (LoadLE32(t) != out.crc || LoadLE32(t + 4) != (out.produced & 0xFFFFFFFFu)) return 0;
  return at + out.consumed + 8;
}

}  // namespace

WalkResult WalkGzip(CarveReader& in) {
  uint64_t broke = 0;
  uint64_t end = Member(in, 0, broke);
  // A header followed by no deflate data at all was met by chance.
  if (end == 0) return broke ? Damaged(broke) : NotFound();
  for (uint64_t next; (next = Member(in, end, broke)) != 0;) end = next;
  // A further member that began but broke off: the file was cut there.
  return broke ? Damaged(std::max(end, broke)) : Complete(end);
}

}  // namespace tarnwell::physical::carve
