// ZIP and what is built on it (DOCX, XLSX, PPTX, ODF, EPUB, JAR, APK):
// local entries one after another, each entry's data checked against its
// CRC (inflated where deflated, which is also how the end of an entry
// written with a data descriptor is found), then the central directory,
// whose every entry must name a local entry found, and the end records
// whose counts and offsets must agree with what was walked.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "physical/carve/inflate_check.h"
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr size_t kMaxEntries = size_t{1} << 20;
constexpr uint16_t kStored = 0, kDeflated = 8;
constexpr uint64_t kLongestStoredSearch = uint64_t{256} << 20;

bool Signature(const uint8_t* p, uint8_t a, uint8_t b) { return p[0] == 'P' && p[1] == 'K' && p[2] == a && p[3] == b; }

// What the names inside show the archive to be.
struct Kind {
  bool contentTypes = false, word = false, excel = false, powerpoint = false;
  bool manifest = false, android = false;
  const char* openDocument = nullptr;

  void Name(std::string_view name) {
    contentTypes = contentTypes || name == "[Content_Types].xml";
    word = word || name.starts_with("word/");
    excel = excel || name.starts_with("xl/");
    powerpoint = powerpoint || name.starts_with("ppt/");
    manifest = manifest || name == "META-INF/MANIFEST.MF";
    android = android || name == "AndroidManifest.xml";
  }
  void MimeType(std::string_view type) {
    if (type == "application/vnd.oasis.opendocument.text") openDocument = "odt";
    if (type == "application/vnd.oasis.opendocument.spreadsheet") openDocument = "ods";
    if (type == "application/vnd.oasis.opendocument.presentation") openDocument = "odp";
    if (type == "application/vnd.oasis.opendocument.graphics") openDocument = "odg";
    if (type == "application/epub+zip") openDocument = "epub";
  }
  const char* Extension() const {
    if (openDocument) return openDocument;
    if (contentTypes && word) return "docx";
    if (contentTypes && excel) return "xlsx";
    if (contentTypes && powerpoint) return "pptx";
    if (android) return "apk";
    if (manifest) return "jar";
    return "zip";
  }
};

class ZipWalk {
 public:
  explicit ZipWalk(CarveReader& in) : in_(in) {}
  WalkResult Run();

 private:
  // One local entry at pos; its end in `next`. False when it does not hold.
  bool Entry(uint64_t pos, uint64_t& next);
  bool Descriptor(uint64_t at, bool zip64Sizes, uint32_t crc, uint64_t compressed, uint64_t size, uint64_t& next);
  bool StoredWithDescriptor(uint64_t data, uint32_t& crc, uint64_t& compressed);
  uint64_t CentralDirectory(uint64_t pos, size_t& count);

  CarveReader& in_;
  std::vector<uint64_t> locals_;
  Kind kind_;
};

bool ZipWalk::Descriptor(uint64_t at, bool zip64Sizes, uint32_t crc, uint64_t compressed, uint64_t size,
                         uint64_t& next) {
  uint8_t d[24];
  const size_t got = in_.Peek(at, d, sizeof d);
  size_t k = 0;
  if (got >= 4 && Signature(d, 7, 8)) k = 4;  // the descriptor's own signature is optional
  if (got < k + 12 || LoadLE32(d + k) != crc) return false;
  if (!zip64Sizes && LoadLE32(d + k + 4) == compressed && LoadLE32(d + k + 8) == (size & 0xFFFFFFFFu)) {
    next = at + k + 12;
    return true;
  }
  if (got >= k + 20 && LoadLE64(d + k + 4) == compressed && LoadLE64(d + k + 12) == size) {
    next = at + k + 20;
    return true;
  }
  return false;
}

bool ZipWalk::StoredWithDescriptor(uint64_t data, uint32_t& crc, uint64_t& compressed) {
  // A stored entry of unknown size ends at a descriptor whose size is the
  // distance to it and whose CRC is that of the bytes before it.
  uint64_t pos = data;
  uint32_t running = 0;
  // Streaming writers store only small or already compressed files this
  // way; a search without end on hostile bytes stops here.
  const uint64_t stop = data + kLongestStoredSearch;
  for (;;) {
    if (pos >= stop) return false;
    const std::span<const uint8_t> piece = in_.View(pos, 1 << 20, 1 << 16);
    if (piece.size() < 4) return false;
    const std::string_view text(reinterpret_cast<const char*>(piece.data()), piece.size());
    size_t from = 0;
    for (size_t s = text.find("PK\x07\x08", 0, 4); s != std::string_view::npos; s = text.find("PK\x07\x08", s + 1, 4)) {
      uint8_t d[16];
      const uint64_t at = pos + s;
      if (in_.Peek(at, d, sizeof d) < 16 || LoadLE32(d + 8) != at - data) continue;
      running = Crc32(running, piece.data() + from, s - from);
      from = s;
      if (running == LoadLE32(d + 4)) {
        crc = running;
        compressed = at - data;
        return true;
      }
    }
    running = Crc32(running, piece.data() + from, piece.size() - from);
    pos += piece.size();
  }
}

bool ZipWalk::Entry(uint64_t pos, uint64_t& next) {
  uint8_t h[30];
  if (!in_.Read(pos, h, 30) || !Signature(h, 3, 4)) return false;
  const uint16_t flags = LoadLE16(h + 6), method = LoadLE16(h + 8);
  uint32_t crc = LoadLE32(h + 14);
  uint64_t compressed = LoadLE32(h + 18), size = LoadLE32(h + 22);
  const uint16_t nameLength = LoadLE16(h + 26), extraLength = LoadLE16(h + 28);
  std::vector<uint8_t> tail(size_t{nameLength} + extraLength);
  if (nameLength == 0 || !in_.Read(pos + 30, tail.data(), tail.size())) return false;
  const std::string_view name(reinterpret_cast<const char*>(tail.data()), nameLength);
  kind_.Name(name);
  // ZIP64: the sizes that do not fit 32 bits are in extra field 0x0001.
  bool zip64 = false;
  for (size_t e = nameLength; e + 4 <= tail.size();) {
    const uint16_t id = LoadLE16(tail.data() + e), length = LoadLE16(tail.data() + e + 2);
    if (e + 4 + length > tail.size()) break;
    if (id == 1) {
      zip64 = true;
      size_t k = e + 4;
      if (size == 0xFFFFFFFFu && k + 8 <= e + 4 + length) size = LoadLE64(tail.data() + k), k += 8;
      if (compressed == 0xFFFFFFFFu && k + 8 <= e + 4 + length) compressed = LoadLE64(tail.data() + k);
    }
    e += 4 + length;
  }
  const uint64_t data = pos + 30 + tail.size();
  const bool descriptor = flags & 8;
  const bool encrypted = flags & 1;
  if (descriptor && compressed == 0 && !encrypted) {
    if (method == kDeflated) {
      const InflateOutcome out = InflateAt(in_, data, in_.Limit() - std::min(in_.Limit(), data), DeflateWrapping::kRaw,
                                           in_.Limit() * 64);
      if (!out.ended) return false;
      return Descriptor(data + out.consumed, zip64, out.crc, out.consumed, out.produced, next);
    }
    if (method == kStored && StoredWithDescriptor(data, crc, compressed))
      return Descriptor(data + compressed, zip64, crc, compressed, compressed, next);
    return false;
  }
  if (!in_.Has(data, compressed)) return false;
  next = data + compressed;
  if (descriptor) {
    // The sizes were known after all; the CRC is in the descriptor.
    uint8_t d[8];
    if (in_.Peek(next, d, 8) < 8) return false;
    crc = LoadLE32(d + (Signature(d, 7, 8) ? 4 : 0));
    if (!Descriptor(next, zip64, crc, compressed, size, next)) return false;
  }
  if (encrypted) return true;
  if (method == kStored) {
    if (compressed != size) return false;
    const std::optional<uint32_t> sum = Crc32Of(in_, data, compressed);
    if (!sum || *sum != crc) return false;
    if (locals_.empty() && name == "mimetype" && size < 128) {
      char type[128];
      if (in_.Read(data, type, static_cast<size_t>(size))) kind_.MimeType({type, static_cast<size_t>(size)});
    }
    return true;
  }
  if (method == kDeflated) {
    const InflateOutcome out = InflateAt(in_, data, compressed, DeflateWrapping::kRaw, size);
    return out.ended && out.consumed == compressed && out.produced == size && out.crc == crc;
  }
  return true;  // other methods: their bytes are taken as the sizes say
}

uint64_t ZipWalk::CentralDirectory(uint64_t pos, size_t& count) {
  count = 0;
  for (;;) {
    uint8_t h[46];
    if (!in_.Read(pos, h, 4) || !Signature(h, 1, 2)) return pos;
    if (!in_.Read(pos, h, 46)) return 0;
    const uint64_t length = 46u + LoadLE16(h + 28) + LoadLE16(h + 30) + LoadLE16(h + 32);
    if (!in_.Has(pos, length)) return 0;
    const uint32_t local = LoadLE32(h + 42);
    if (local != 0xFFFFFFFFu && !std::binary_search(locals_.begin(), locals_.end(), local)) return 0;
    if (++count > kMaxEntries) return 0;
    pos += length;
  }
}

WalkResult ZipWalk::Run() {
  uint64_t pos = 0;
  for (;;) {
    uint8_t sig[4];
    if (!in_.Read(pos, sig, 4) || !Signature(sig, 3, 4)) break;
    uint64_t next = 0;
    if (locals_.size() >= kMaxEntries || !Entry(pos, next)) return locals_.empty() ? NotFound() : Damaged(pos, kind_.Extension());
    locals_.push_back(pos);
    pos = next;
  }
  if (locals_.empty()) return NotFound();
  // An APK signing block may stand between the entries and the directory.
  uint8_t block[24];
  if (in_.Peek(pos, block, 8) == 8) {
    const uint64_t size = LoadLE64(block);
    if (size >= 24 && in_.Has(pos, 8 + size) && in_.Peek(pos + 8 + size - 16, block + 8, 16) == 16 &&
        std::memcmp(block + 8, "APK Sig Block 42", 16) == 0)
      pos += 8 + size;
  }
  const uint64_t directory = pos;
  size_t count = 0;
  pos = CentralDirectory(pos, count);
  if (pos == 0 || count == 0) return Damaged(directory, kind_.Extension());
  uint8_t e[22];
  // ZIP64 end record and locator, then the end record.
  if (in_.Read(pos, e, 12) && Signature(e, 6, 6)) {
    const uint64_t size = LoadLE64(e + 4);
    if (!in_.Has(pos, 12 + size)) return Damaged(directory, kind_.Extension());
    pos += 12 + size;
    if (in_.Read(pos, e, 4) && Signature(e, 6, 7)) pos += 20;
  }
  if (!in_.Read(pos, e, 22) || !Signature(e, 5, 6)) return Damaged(directory, kind_.Extension());
  const uint16_t entries = LoadLE16(e + 10);
  const uint32_t offset = LoadLE32(e + 16);
  if ((entries != 0xFFFF && entries != (count & 0xFFFF)) || (offset != 0xFFFFFFFFu && offset != directory))
    return Damaged(directory, kind_.Extension());
  const uint64_t end = pos + 22 + LoadLE16(e + 20);
  if (!in_.Has(0, end)) return Damaged(pos, kind_.Extension());
  return Complete(end, kind_.Extension());
}

}  // namespace

WalkResult WalkZip(CarveReader& in) {
  ZipWalk walk(in);
  return walk.Run();
}

}  // namespace tarnwell::physical::carve
