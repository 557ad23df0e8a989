// Matroska and WebM: the EBML header, then the segment; its top-level
// elements are walked to the segment's end (or, for a segment of unknown
// size as live recorders write, as far as elements of a segment go on).
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint32_t kSegment = 0x18538067, kCluster = 0x1F43B675;

// The elements a segment holds at its top level.
bool SegmentChild(uint32_t id) {
  switch (id) {
    case 0x114D9B74:  // SeekHead
    case 0x1549A966:  // Info
    case 0x1654AE6B:  // Tracks
    case kCluster:
    case 0x1C53BB6B:  // Cues
    case 0x1941A469:  // Attachments
    case 0x1043A770:  // Chapters
    case 0x1254C367:  // Tags
    case 0xEC:        // Void
    case 0xBF:        // CRC-32
      return true;
    default:
      return false;
  }
}

struct Element {
  uint32_t id = 0;
  uint64_t size = 0;
  bool unknownSize = false;
  uint64_t header = 0;
};

// An element header in got bytes at b: the ID keeps its length marker (1-4
// bytes), the size drops it (1-8 bytes, all value bits set meaning unknown).
bool ParseElement(const uint8_t* b, size_t got, Element& e) {
  if (got < 2 || b[0] == 0) return false;
  const int idLength = __builtin_clz(uint32_t{b[0]}) - 23;
  if (idLength > 4 || size_t(idLength) >= got) return false;
  e.id = 0;
  for (int i = 0; i < idLength; ++i) e.id = (e.id << 8) | b[i];
  const uint8_t first = b[idLength];
  if (first == 0) return false;
  const int sizeLength = __builtin_clz(uint32_t{first}) - 23;
  if (size_t(idLength + sizeLength) > got) return false;
  uint64_t size = first & (0xFF >> sizeLength);
  bool allOnes = size == (0xFFu >> sizeLength);
  for (int i = 1; i < sizeLength; ++i) {
    size = (size << 8) | b[idLength + i];
    allOnes = allOnes && b[idLength + i] == 0xFF;
  }
  e.size = size;
  e.unknownSize = allOnes;
  e.header = static_cast<uint64_t>(idLength + sizeLength);
  return true;
}

bool ReadElement(CarveReader& in, uint64_t pos, Element& e) {
  uint8_t b[12];
  return ParseElement(b, in.Peek(pos, b, sizeof b), e);
}

// The elements of a cluster, for clusters of unknown size, each as it
// must look: one-byte IDs turn up in any data, so their sizes and first
// bytes are held to what a writer puts there.
bool ClusterChild(CarveReader& in, uint64_t pos, const Element& e) {
  uint8_t first = 0;
  const bool body = e.size > 0 && in.Peek(pos + e.header, &first, 1) == 1;
  switch (e.id) {
    case 0xE7:  // Timecode
    case 0xA7:  // Position
    case 0xAB:  // PrevSize
      return e.size >= 1 && e.size <= 8;
    case 0xA3:  // SimpleBlock: a track number (one-byte form, tracks 1-16), time, flags
      return e.size >= 4 && body && first >= 0x81 && first <= 0x90;
    case 0xA0:  // BlockGroup, which begins with its Block
      return e.size >= 6 && body && first == 0xA1;
    case 0xBF:  // CRC-32
      return e.size == 4;
    case 0xEC:  // Void
    case 0x5854:  // SilentTracks
      return true;
    default:
      return false;
  }
}

bool TopLevelChild(CarveReader&, uint64_t, const Element& e) {
  return SegmentChild(e.id) && (e.id != 0xBF || e.size == 4);
}

// Walks elements from pos while `accept` takes their IDs, up to end when
// known. `reached` is where the walk stopped; false when an element runs
// past what can be read, or a known end is not met exactly.
struct Reached {
  uint64_t pos = 0;
  bool ok = false;
};
template <typename Accept>
Reached Walk(CarveReader& in, uint64_t pos, uint64_t end, bool endKnown, Accept&& accept) {
  for (int n = 0; !endKnown || pos < end; ++n) {
    Element e;
    if (n > (1 << 22) || !ReadElement(in, pos, e) || !accept(in, pos, e)) return {pos, !endKnown};
    if (e.unknownSize) {
      // Only a cluster may leave its size open; its blocks tell its end.
      if (e.id != kCluster) return {pos, false};
      const Reached inner = Walk(in, pos + e.header, 0, false, ClusterChild);
      if (!inner.ok) return {pos, false};
      pos = inner.pos;
      continue;
    }
    if (!in.Has(pos, e.header + e.size)) return {pos, false};
    pos += e.header + e.size;
  }
  return {pos, pos == end};
}

}  // namespace

WalkResult WalkEbml(CarveReader& in) {
  Element header;
  if (!ReadElement(in, 0, header) || header.id != 0x1A45DFA3 || header.unknownSize || header.size > 4096)
    return NotFound();
  std::vector<uint8_t> body(static_cast<size_t>(header.size));
  if (!in.Read(header.header, body.data(), body.size())) return NotFound();
  // DocType (42 82) names the flavour.
  const char* extension = nullptr;
  for (size_t i = 0; i < body.size();) {
    Element child;
    if (!ParseElement(body.data() + i, std::min<size_t>(12, body.size() - i), child) ||
        child.header + child.size > body.size() - i)
      break;
    if (child.id == 0x4282) {
      const std::string_view type(reinterpret_cast<const char*>(body.data() + i + child.header),
                                  static_cast<size_t>(child.size));
      if (type.starts_with("webm")) extension = "webm";
      if (type.starts_with("matroska")) extension = "mkv";
    }
    i += static_cast<size_t>(child.header + child.size);
  }
  if (!extension) return NotFound();
  const uint64_t segmentAt = header.header + header.size;
  Element segment;
  if (!ReadElement(in, segmentAt, segment) || segment.id != kSegment) return Damaged(segmentAt, extension);
  const uint64_t start = segmentAt + segment.header;
  const Reached end = segment.unknownSize ? Walk(in, start, 0, false, TopLevelChild)
                                         : Walk(in, start, start + segment.size, true, TopLevelChild);
  return end.ok && end.pos > start ? Complete(end.pos, extension) : Damaged(end.pos, extension);
}

}  // namespace tarnwell::physical::carve
