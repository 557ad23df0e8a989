// Ogg (Vorbis, Opus, Theora, FLAC in Ogg): pages back to back, each with
// its CRC, until every logical stream begun (BOS) has ended (EOS) and no
// further page follows.
#include <array>
#include <cstring>

#include "physical/carve/checksums.h"
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr size_t kMaxStreams = 64;

const char* ExtensionOfFirstPacket(const uint8_t* p, size_t n) {
  if (n >= 8 && std::memcmp(p, "OpusHead", 8) == 0) return "opus";
  if (n >= 7 && std::memcmp(p, "\x80theora", 7) == 0) return "ogv";
  if (n >= 5 && std::memcmp(p, "\x7F" "FLAC", 5) == 0) return "oga";
  return "ogg";
}

}  // namespace

WalkResult WalkOgg(CarveReader& in) {
  uint64_t pos = 0;
  std::array<uint32_t, kMaxStreams> serials{};
  std::array<bool, kMaxStreams> ended{};
  size_t streams = 0, open = 0;
  const char* extension = "ogg";
  for (int pages = 0;; ++pages) {
    uint8_t header[27 + 255];
    if (!in.Read(pos, header, 27) || std::memcmp(header, "OggS", 4) != 0 || header[4] != 0) break;
    const uint8_t segments = header[26];
    if (!in.Read(pos + 27, header + 27, segments)) break;
    uint64_t body = 0;
    for (uint8_t i = 0; i < segments; ++i) body += header[27 + i];
    const uint64_t size = 27u + segments + body;
    if (!in.Has(pos, size)) break;
    const uint32_t stored = LoadLE32(header + 22);
    std::memset(header + 22, 0, 4);
    uint32_t crc = OggCrc(0, header, 27u + segments);
    const std::optional<uint32_t> whole = [&]() -> std::optional<uint32_t> {
      uint32_t c = crc;
      if (!ForEachPiece(in, pos + 27 + segments, body, [&c](std::span<const uint8_t> p) {
            c = OggCrc(c, p.data(), p.size());
            return true;
          }))
        return std::nullopt;
      return c;
    }();
    if (!whole || *whole != stored) break;
    const uint8_t flags = header[5];
    const uint32_t serial = LoadLE32(header + 14);
    size_t s = 0;
    while (s < streams && serials[s] != serial) ++s;
    if (s == streams) {
      // A stream must begin with its BOS page.
      if (!(flags & 0x02) || streams == kMaxStreams) break;
      serials[streams++] = serial;
      ++open;
      if (pages == 0) {
        uint8_t packet[8] = {};
        const size_t n = static_cast<size_t>(std::min<uint64_t>(body, sizeof packet));
        if (in.Read(pos + 27 + segments, packet, n)) extension = ExtensionOfFirstPacket(packet, n);
      }
    } else if ((flags & 0x02) || ended[s]) {
      break;
    }
    if ((flags & 0x04) && !ended[s]) {
      ended[s] = true;
      --open;
    }
    pos += size;
  }
  if (pos == 0) return NotFound();
  return open == 0 ? Complete(pos, extension) : Damaged(pos, extension);
}

}  // namespace tarnwell::physical::carve
