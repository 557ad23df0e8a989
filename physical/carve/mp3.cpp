// MP3 (and MP2): an optional ID3v2 tag, then MPEG audio frames of one
// stream back to back, each where the one before says, then the optional
// ID3v1 and APE tags. The frame count of a Xing, Info or VBRI header, when
// there is one, says how long the stream must be.
#include <cstring>

#include "physical/carve/mpeg_audio.h"
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

// Without a tag, a stream must show this many frames in a row before it
// counts: two in a row happen by chance in other data.
constexpr int kFramesWithoutTag = 8;

uint32_t SyncSafe(const uint8_t* p) {
  return (uint32_t{p[0]} << 21) | (uint32_t{p[1]} << 14) | (uint32_t{p[2]} << 7) | p[3];
}

// The byte count a VBR header in the first frame gives for the whole
// stream, 0 when it has none.
uint64_t VbrStreamBytes(CarveReader& in, uint64_t frame, const MpegAudioFrame& f) {
  uint8_t b[64];
  if (!in.Read(frame, b, sizeof b)) return 0;
  const bool mono = f.channelMode == 3;
  const size_t xing = 4 + (f.version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17));
  if (xing + 16 <= sizeof b && (std::memcmp(b + xing, "Xing", 4) == 0 || std::memcmp(b + xing, "Info", 4) == 0)) {
    const uint32_t flags = LoadBE32(b + xing + 4);
    if (!(flags & 2)) return 0;
    return LoadBE32(b + xing + 8 + ((flags & 1) ? 4 : 0));
  }
  if (std::memcmp(b + 36, "VBRI", 4) == 0) return LoadBE32(b + 36 + 10);
  return 0;
}

}  // namespace

WalkResult WalkMp3(CarveReader& in) {
  uint64_t pos = 0;
  uint8_t h[10];
  if (!in.Read(0, h, 4)) return NotFound();
  const bool tagged = std::memcmp(h, "ID3", 3) == 0;
  if (tagged) {
    if (!in.Read(0, h, 10)) return NotFound();
    pos = 10 + uint64_t{SyncSafe(h + 6)} + ((h[5] & 0x10) ? 10 : 0);
    // Some writers pad between the tag and the first frame.
    for (int pad = 0; pad < 4096; ++pad) {
      uint8_t b = 0;
      if (!in.Read(pos, &b, 1)) return NotFound();
      if (b != 0) break;
      ++pos;
    }
  }
  const uint64_t first = pos;
  MpegAudioFrame stream;
  int frames = 0;
  const uint64_t block = in.BlockBytes();
  for (;;) {
    uint8_t header[4];
    MpegAudioFrame f;
    if (!in.Read(pos, header, 4) || !ParseMpegAudioHeader(header, f)) break;
    if (frames > 0 && !SameStream(stream, f)) break;
    if (!in.Has(pos, f.bytes)) break;
    // A frame that crosses a block boundary where another file begins is
    // not this stream's.
    const uint64_t boundary = (pos + block) / block * block;
    if (boundary < pos + f.bytes && in.ForeignStartAt(boundary)) break;
    if (frames == 0) stream = f;
    ++frames;
    pos += f.bytes;
  }
  if (frames == 0 || (!tagged && frames < kFramesWithoutTag)) return NotFound();
  const char* extension = stream.layer == 3 ? "mp3" : "mp2";
  // Writers differ on whether that count includes the tags: a stream is
  // short only when the count passes even the whole file so far.
  const uint64_t expected = VbrStreamBytes(in, first, stream);
  if (expected > pos) return Damaged(pos, extension);
  // Tags after the frames: APEv2 (footer "APETAGEX", size without the
  // header) and ID3v1 ("TAG", 128 bytes), in either order.
  for (int tags = 0; tags < 2; ++tags) {
    uint8_t t[32];
    if (in.Read(pos, t, 3) && std::memcmp(t, "TAG", 3) == 0 && in.Has(pos, 128)) {
      pos += 128;
    } else if (in.Read(pos, t, 32) && std::memcmp(t, "APETAGEX", 8) == 0) {
      const uint64_t size = LoadLE32(t + 12);
      const bool header = LoadLE32(t + 20) & 0x80000000u;  // a header comes first; the size counts the footer
      if (!header || !in.Has(pos, 32 + size)) break;
      pos += 32 + size;
    }
  }
  return Complete(pos, extension);
}

}  // namespace tarnwell::physical::carve
