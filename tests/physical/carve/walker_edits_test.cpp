// Each walker against the one fault its format's structure shows: an edit
// at a known place in a sample and what the walk must make of it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/little_endian.h"
#include "physical/carve/big_endian.h"
#include "physical/carve/signature_table.h"
#include "tests/physical/carve/carve_samples.h"

namespace tarnwell::physical::carve {
namespace {

using Bytes = std::vector<uint8_t>;

// Where bytes spelled as text first (last) stand; the test fails when
// they do not, rather than editing some other place.
size_t Find(const Bytes& b, const std::string& text, size_t from = 0) {
  const Bytes t(text.begin(), text.end());
  const auto it = std::search(b.begin() + static_cast<long>(from), b.end(), t.begin(), t.end());
  EXPECT_NE(it, b.end()) << text;
  return it == b.end() ? 0 : static_cast<size_t>(it - b.begin());
}
size_t FindLast(const Bytes& b, const std::string& text) {
  const Bytes t(text.begin(), text.end());
  const auto it = std::find_end(b.begin(), b.end(), t.begin(), t.end());
  EXPECT_NE(it, b.end()) << text;
  return it == b.end() ? 0 : static_cast<size_t>(it - b.begin());
}

struct Edit {
  const char* what;
  const char* sample;
  Family family;
  std::function<void(Bytes&)> change;
  Verdict verdict;
  // Bounds of the length found, computed on the changed bytes.
  std::function<uint64_t(const Bytes&)> least, most;
};

uint64_t Zero(const Bytes&) { return 0; }
uint64_t All(const Bytes& b) { return b.size(); }

TEST(CarveWalkerEditsTest, EachFormatsStructureCatchesItsFault) {
  const Edit edits[] = {
      {"ZIP: the directory names an entry that is not there", "archive.zip", Family::kZip,
       [](Bytes& b) { StoreLE32(&b[Find(b, "PK\x01\x02") + 42], 77); }, Verdict::kDamaged,
       [](const Bytes& b) { return uint64_t{Find(b, "PK\x01\x02")}; }, [](const Bytes& b) { return uint64_t{Find(b, "PK\x01\x02")}; }},
      {"ZIP: the end record counts another number of entries", "archive.zip", Family::kZip,
       [](Bytes& b) { ++b[FindLast(b, "PK\x05\x06") + 10]; }, Verdict::kDamaged, Zero, All},
      {"ZIP: random bytes after the end record are not the file's", "archive.zip", Family::kZip,
       [](Bytes& b) { const Bytes r = testing::RandomBytes(300); b.insert(b.end(), r.begin(), r.end()); },
       Verdict::kComplete, [](const Bytes& b) { return uint64_t{b.size() - 300}; },
       [](const Bytes& b) { return uint64_t{b.size() - 300}; }},
      {"PDF: the cross-reference table points at no object", "minutes.pdf", Family::kPdf,
       [](Bytes& b) { b[FindLast(b, " 00000 n") - 1] ^= 0x01; }, Verdict::kDamaged, Zero, All},
      {"PDF: cut inside its appended update", "minutes.pdf", Family::kPdf,
       [](Bytes& b) { b.resize(FindLast(b, "%%EOF") - 20); }, Verdict::kDamaged,
       [](const Bytes& b) { return uint64_t{Find(b, "%%EOF") + 6}; }, All},
      {"PDF: garbage after the last end is left out", "scan.pdf", Family::kPdf,
       [](Bytes& b) { b.push_back('\x01'); b.push_back('Z'); }, Verdict::kComplete,
       [](const Bytes& b) { return uint64_t{b.size() - 2}; }, [](const Bytes& b) { return uint64_t{b.size() - 2}; }},
      {"OLE2: a FAT sector not marked as one", "report.doc", Family::kOle2,
       [](Bytes& b) { StoreLE32(&b[512 + LoadLE32(&b[0x4C]) * 512 + 4 * LoadLE32(&b[0x4C])], 0xFFFFFFFE); },
       Verdict::kDamaged, Zero, All},
      {"OLE2: the directory does not begin with the root", "sheet.xls", Family::kOle2,
       [](Bytes& b) { b[512 + LoadLE32(&b[0x30]) * 512 + 66] = 1; }, Verdict::kNotFound, Zero, Zero},
      {"RIFF: chunks that do not fill the declared size", "voice.wav", Family::kRiff,
       [](Bytes& b) { StoreLE32(&b[4], LoadLE32(&b[4]) + 64); b.resize(b.size() + 64, 0); }, Verdict::kNotFound, Zero,
       Zero},
      {"MP4: a chunk offset past the file's end", "clip.mp4", Family::kIsoBmff,
       [](Bytes& b) { StoreLE32(&b[FindLast(b, "stco") + 12], 0xFFFFFF00u); }, Verdict::kDamaged, Zero, All},
      {"MP4: the movie box missing", "clip.mp4", Family::kIsoBmff,
       [](Bytes& b) { b.resize(Find(b, "moov") - 4); }, Verdict::kDamaged, Zero, All},
      {"Ogg: a page whose CRC fails ends the stream before it", "talk.ogg", Family::kOgg,
       [](Bytes& b) { b[Find(b, "OggS", 100) + 40] ^= 0xFF; }, Verdict::kDamaged,
       [](const Bytes& b) { return uint64_t{Find(b, "OggS", 100)}; }, [](const Bytes& b) { return uint64_t{Find(b, "OggS", 100)}; }},
      {"Ogg: no last page", "talk.ogg", Family::kOgg, [](Bytes& b) { b.resize(FindLast(b, "OggS")); },
       Verdict::kDamaged, All, All},
      {"7z: the next header's CRC fails", "bundle.7z", Family::kSevenZip, [](Bytes& b) { b.back() ^= 0x40; },
       Verdict::kDamaged, Zero, [](const Bytes&) { return uint64_t{32}; }},
      {"RAR 5: a header's CRC fails", "kept.rar", Family::kRar, [](Bytes& b) { b[b.size() - 3] ^= 0x01; },
       Verdict::kDamaged, Zero, All},
      {"RAR 4: a header's CRC fails", "old.rar", Family::kRar, [](Bytes& b) { b[b.size() - 3] ^= 0x01; },
       Verdict::kDamaged, Zero, All},
      {"MPEG: no program end code", "record.mpg", Family::kMpeg, [](Bytes& b) { b.resize(b.size() - 4); },
       Verdict::kDamaged, Zero, All},
      {"SQLite: an interior page's child is no b-tree page", "shop.sqlite", Family::kSqlite,
       [](Bytes& b) {
         const uint32_t page = LoadBE16(&b[16]);
         for (size_t p = page; p < b.size(); p += page)
           if (b[p] == 0x0D) b[p] = 0x07;  // every leaf table page after the first
       },
       Verdict::kDamaged, Zero, All},
      {"BMP: a size field left at zero is taken from the picture", "pixels.bmp", Family::kBmp,
       [](Bytes& b) { StoreLE32(&b[2], 0); }, Verdict::kComplete, All, All},
      {"JPEG: restart markers out of turn", "restart.jpg", Family::kJpeg,
       [](Bytes& b) { b[Find(b, "\xff\xd1") + 1] = 0xD3; }, Verdict::kDamaged, Zero,
       [](const Bytes& b) { return uint64_t{Find(b, "\xff\xd3")}; }},
      {"JPEG: more data after the last MCU than a marker", "plain.jpg", Family::kJpeg,
       [](Bytes& b) {
         // The picture claims twice its rows: the data ends too soon.
         const size_t sof = Find(b, "\xff\xc0");
         StoreLE16(&b[sof + 5], 0);
         b[sof + 5] = static_cast<uint8_t>(b[sof + 5] + 1);
       },
       Verdict::kDamaged, Zero, All},
      {"FLAC: the last frame's CRC fails", "tone.flac", Family::kFlac, [](Bytes& b) { b[b.size() - 40] ^= 0x10; },
       Verdict::kDamaged, Zero, All},
      {"XCF: a tile pointer past the end", "layers.xcf", Family::kXcf,
       [](Bytes& b) { b.resize(b.size() - 100); }, Verdict::kDamaged, Zero, All},
  };
  for (const Edit& e : edits) {
    Bytes bytes = testing::CarveSampleNamed(e.sample).bytes;
    e.change(bytes);
    SpanReader in(bytes);
    const WalkResult r = InfoOf(e.family).walk(in);
    EXPECT_EQ(r.verdict, e.verdict) << e.what;
    EXPECT_GE(r.length, e.least(bytes)) << e.what;
    EXPECT_LE(r.length, e.most(bytes)) << e.what;
  }
}

}  // namespace
}  // namespace tarnwell::physical::carve
