// The structure walkers on the sample files of every family, whole, cut
// short and damaged, and on crafted bytes where a size or offset lies.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "physical/carve/checksums.h"
#include "physical/carve/exif_date.h"
#include "physical/carve/mpeg_audio.h"
#include "physical/carve/signature_table.h"
#include "physical/carve/text_run.h"
#include "physical/carve/walkers.h"
#include "tests/physical/carve/carve_samples.h"

namespace tarnwell::physical::carve {
namespace {

using testing::CarveSample;
using testing::RandomBytes;

// The kind a sample must be found as: its own extension, but for the two
// whose names end otherwise.
std::string ExpectedExtension(const std::string& name) {
  if (name == "logs.tar.gz") return "gz";
  if (name == "server.log") return "txt";
  return name.substr(name.rfind('.') + 1);
}

Family FamilyOf(const CarveSample& s) {
  Family family = Family::kText;
  bool whole = false;
  EXPECT_TRUE(FamilyOfName(ExpectedExtension(s.name), family, whole)) << s.name;
  return family;
}

WalkResult Walk(Family family, const std::vector<uint8_t>& bytes) {
  SpanReader in(bytes);
  return InfoOf(family).walk(in);
}

std::vector<CarveSample> WholeSamples() {
  std::vector<CarveSample> whole;
  for (CarveSample& s : testing::CarveSamples())
    if (s.state == "whole") whole.push_back(std::move(s));
  return whole;
}

TEST(CarveWalkersTest, EverySampleIsRecognisedAndWalkedToItsExactEndWhateverFollows) {
  const std::vector<CarveSample> samples = WholeSamples();
  ASSERT_GE(samples.size(), 50u);
  for (const CarveSample& s : samples) {
    const Family family = FamilyOf(s);
    if (family != Family::kText) {
      const uint64_t matched = MatchSignatures(s.bytes.data(), s.bytes.size());
      bool ours = false;
      for (unsigned i = 0; i < SignatureCount(); ++i) ours |= (matched >> i & 1) && SignatureFamily(i) == family;
      EXPECT_TRUE(ours) << s.name << " is not recognised by its first bytes";
    }
    // Random bytes after the end (a used disk), then zeros (a fresh one).
    for (const std::vector<uint8_t>& tail : {RandomBytes(4096), std::vector<uint8_t>(4096, 0)}) {
      std::vector<uint8_t> bytes = s.bytes;
      // Text ends at a byte no text holds: a random one may happen to be
      // printable, so text is followed by a NUL first.
      if (family == Family::kText) bytes.push_back(0);
      bytes.insert(bytes.end(), tail.begin(), tail.end());
      const WalkResult r = Walk(family, bytes);
      EXPECT_EQ(r.verdict, Verdict::kComplete) << s.name;
      EXPECT_EQ(r.length, s.size) << s.name;
      EXPECT_EQ(std::string(r.extension ? r.extension : InfoOf(family).extension), ExpectedExtension(s.name))
          << s.name;
    }
  }
}

TEST(CarveWalkersTest, AFileCutShortIsNeverCompleteAndNothingPastTheCutIsClaimed) {
  for (const CarveSample& s : WholeSamples()) {
    const Family family = FamilyOf(s);
    // A shorter run of text, of transport packets or of bare MP3 frames is
    // as valid as the whole; there is no end to miss.
    if (family == Family::kText || ExpectedExtension(s.name) == "ts" || s.name == "bare.mp3") continue;
    const size_t cut = s.bytes.size() * 3 / 5;
    const std::vector<uint8_t> bytes(s.bytes.begin(), s.bytes.begin() + static_cast<long>(cut));
    const WalkResult r = Walk(family, bytes);
    EXPECT_NE(r.verdict, Verdict::kComplete) << s.name;
    EXPECT_LE(r.length, cut) << s.name;
  }
}

TEST(CarveWalkersTest, AChangedByteIsFoundWhereTheFormatCarriesAChecksum) {
  // PNG chunks, deflated ZIP entries, gzip members, Ogg pages and FLAC
  // frames carry CRCs; a byte changed in the middle breaks the file there.
  for (const char* name : {"plasma.png", "letter.docx", "budget.xlsx", "archive.zip", "logs.tar.gz", "talk.ogg",
                           "tone.flac", "book.epub"}) {
    const CarveSample& s = testing::CarveSampleNamed(name);
    std::vector<uint8_t> bytes = s.bytes;
    const size_t middle = bytes.size() / 2;
    bytes[middle] ^= 0x5A;
    const WalkResult r = Walk(FamilyOf(s), bytes);
    EXPECT_NE(r.verdict, Verdict::kComplete) << name;
    EXPECT_LE(r.length, middle + 1) << name;
  }
}

TEST(CarveWalkersTest, AnotherFilesSignatureOnABlockBoundaryEndsDataWithoutStructure) {
  // A picture's entropy-coded data, a bitmap's pixels and a sound's
  // samples carry no check: where another file begins on a block boundary
  // inside them, they were overwritten there.
  const std::vector<uint8_t>& png = testing::CarveSampleNamed("gradient.png").bytes;
  for (const char* name : {"plain.jpg", "pixels.bmp", "voice.wav", "song.mp3", "photo.ppm"}) {
    const CarveSample& s = testing::CarveSampleNamed(name);
    std::vector<uint8_t> bytes = s.bytes;
    const size_t boundary = bytes.size() / 2 / 512 * 512;
    std::memcpy(bytes.data() + boundary, png.data(), std::min<size_t>(png.size(), bytes.size() - boundary));
    const WalkResult r = Walk(FamilyOf(s), bytes);
    EXPECT_EQ(r.verdict, Verdict::kDamaged) << name;
    EXPECT_LE(r.length, boundary) << name;
    EXPECT_GT(r.length, boundary / 2) << name;
  }
}

TEST(CarveWalkersTest, ThumbnailsInsideEXIFDoNotEndThePicture) {
  const CarveSample& s = testing::CarveSampleNamed("canon.jpg");
  // The EXIF segment holds a whole JPEG of its own before the picture's
  // first scan.
  const uint8_t thumbnail[] = {0xFF, 0xD8, 0xFF};
  const auto inner = std::search(s.bytes.begin() + 2, s.bytes.end(), thumbnail, thumbnail + 3);
  ASSERT_NE(inner, s.bytes.end());
  ASSERT_LT(inner - s.bytes.begin(), 4096);
  const WalkResult r = Walk(Family::kJpeg, s.bytes);
  EXPECT_EQ(r.verdict, Verdict::kComplete);
  EXPECT_EQ(r.length, s.size);
}

struct TextCase {
  const char* name;
  std::vector<uint8_t> bytes;
  Verdict verdict;
  uint64_t length;
  const char* extension;
};

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
std::vector<uint8_t> Then(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The test every block goes through, sixteen bytes at a time: one byte
// that no text holds, at any of the first 32 places, rules the block out;
// past them, or in a block too short for a file, it decides nothing.
TEST(CarveWalkersTest, TextCannotBeginAtAnyByteNoTextHolds) {
  const auto killing = [](unsigned b) {
    return (b < 0x20 && b != '\t' && b != '\n' && b != '\f' && b != '\r') || b == 0x7F || b == 0xFF;
  };
  for (unsigned b = 0; b < 256; ++b) {
    for (size_t at : {size_t{0}, size_t{7}, size_t{15}, size_t{16}, size_t{31}}) {
      std::vector<uint8_t> block(512, 'a');
      block[at] = static_cast<uint8_t>(b);
      EXPECT_EQ(CannotBeginText(block.data(), block.size()), killing(b)) << "byte " << b << " at " << at;
    }
    std::vector<uint8_t> block(512, 'a');
    block[32] = static_cast<uint8_t>(b);
    EXPECT_FALSE(CannotBeginText(block.data(), block.size())) << "byte " << b << " at 32";
    const std::vector<uint8_t> shortBlock(20, static_cast<uint8_t>(b));
    EXPECT_EQ(CannotBeginText(shortBlock.data(), shortBlock.size()), killing(b)) << "short, byte " << b;
  }
}

// The wide loops that pass over text 64 bytes at a time: both stop at the
// block that holds the first byte outside 0x20-0x7E, wherever it lies in
// its block, and never read past n. The AVX2 loop is run only where the
// processor has it.
TEST(CarveWalkersTest, PrintableBlocksStopAtTheBlockOfTheFirstOtherByte) {
  std::vector<bool> loops{false};
  if (text_detail::ProcessorHasAvx2()) loops.push_back(true);
  for (const bool avx2 : loops) {
    for (unsigned b : {0u, 0x09u, 0x0Au, 0x1Fu, 0x20u, 0x7Eu, 0x7Fu, 0x80u, 0xC3u, 0xFFu}) {
      const bool printable = b >= 0x20 && b <= 0x7E;
      for (size_t at : {size_t{0}, size_t{1}, size_t{31}, size_t{32}, size_t{63}, size_t{64}, size_t{200}, size_t{447}}) {
        std::vector<uint8_t> bytes(448, 'x');
        bytes[at] = static_cast<uint8_t>(b);
        const size_t expected = printable ? 448 : at / 64 * 64;
        EXPECT_EQ(text_detail::PrintableBlocks(bytes.data(), bytes.size(), avx2), expected)
            << "avx2 " << avx2 << ", byte " << b << " at " << at;
      }
    }
    // A length that is not a whole number of blocks: the tail is left to
    // the caller, even when the bytes past n would pass.
    const std::vector<uint8_t> text(200, 'x');
    EXPECT_EQ(text_detail::PrintableBlocks(text.data(), 127, avx2), 64u) << "avx2 " << avx2;
    EXPECT_EQ(text_detail::PrintableBlocks(text.data(), 63, avx2), 0u) << "avx2 " << avx2;
  }
}

TEST(CarveWalkersTest, TextRunsEndWhereNoEncodingAcceptsTheBytes) {
  const std::string line = "date,station,value\n2024-03-01,north,12\n2024-03-02,south,7\n2024-03-03,east,1\n";
  const std::string gb = "\xca\xfd\xbe\xdd\xbb\xd6\xb8\xb4\xb1\xa8\xb8\xe6\xa3\xba\xb4\xe6\xb4\xa2\xbf\xa8\xd2\xd1\xd6\xd8"
                         "\xd0\xc2\xb8\xf1\xca\xbd\xbb\xaf\xa1\xa3\n";  // GB18030 Chinese
  const std::vector<uint8_t> zeros(600, 0);
  const TextCase cases[] = {
      {"csv then NUL", Then(Bytes(line), zeros), Verdict::kComplete, line.size(), "csv"},
      {"GB18030", Then(Bytes(gb + gb), zeros), Verdict::kComplete, 2 * gb.size(), "txt"},
      {"UTF-8", Then(Bytes("Gr\xc3\xbc\xc3\x9f" "e aus Z\xc3\xbcrich, caf\xc3\xa9 et cr\xc3\xa8me.\n"), zeros),
       Verdict::kComplete, 38, "txt"},
      {"a byte neither encoding begins with ends it",
       Then(Bytes("#!/bin/sh\necho the beginning of a script\n\x80 and more"), zeros), Verdict::kComplete, 41, "sh"},
      {"31 bytes are too few", Then(Bytes("0123456789012345678901234567890"), zeros), Verdict::kNotFound, 0, nullptr},
      {"short and followed by junk", Then(Bytes("\xb0\xa1\xb0\xa1 q\xe9\x84 mixed 1 2 3 4 5 6 7 8 9 10 11 12"), RandomBytes(600)),
       Verdict::kNotFound, 0, nullptr},
      {"random bytes", RandomBytes(4096), Verdict::kNotFound, 0, nullptr},
  };
  for (const TextCase& c : cases) {
    SpanReader in(c.bytes);
    const WalkResult r = WalkText(in);
    EXPECT_EQ(r.verdict, c.verdict) << c.name;
    if (c.verdict != Verdict::kComplete) continue;
    EXPECT_EQ(r.length, c.length) << c.name;
    EXPECT_STREQ(r.extension, c.extension) << c.name;
  }
}

TEST(CarveWalkersTest, HostileSizesAndOffsetsStopTheWalkInsideTheBytes) {
  // An IFD that points at itself, a ZIP entry longer than anything, an
  // OLE2 header with a million FAT sectors, a SQLite page count past the
  // end: each walk ends within its bytes, none claims what is not there.
  std::vector<uint8_t> tiff = {'I', 'I', '*', 0, 8, 0, 0, 0, 1, 0, 0x00, 0x01, 3, 0, 1, 0, 0, 0, 16, 0, 0, 0,
                               8, 0, 0, 0};
  std::vector<uint8_t> zip = testing::CarveSampleNamed("archive.zip").bytes;
  zip[18] = zip[19] = zip[20] = zip[21] = 0xFF;  // compressed size of the first entry
  std::vector<uint8_t> ole = testing::CarveSampleNamed("report.doc").bytes;
  ole[0x2C] = 0x00, ole[0x2D] = 0x00, ole[0x2E] = 0x10, ole[0x2F] = 0x00;
  std::vector<uint8_t> sqlite = testing::CarveSampleNamed("shop.sqlite").bytes;
  sqlite[28] = 0x7F;
  struct Case {
    const char* name;
    Family family;
    std::vector<uint8_t> bytes;
    Verdict verdict;
  } const cases[] = {
      {"TIFF loop", Family::kTiff, Then(tiff, RandomBytes(64)), Verdict::kComplete},
      {"ZIP size", Family::kZip, zip, Verdict::kNotFound},
      {"OLE2 FAT count", Family::kOle2, ole, Verdict::kNotFound},
      {"SQLite page count", Family::kSqlite, sqlite, Verdict::kDamaged},
  };
  for (const Case& c : cases) {
    const WalkResult r = Walk(c.family, c.bytes);
    EXPECT_EQ(r.verdict, c.verdict) << c.name;
    EXPECT_LE(r.length, c.bytes.size()) << c.name;
  }
}

TEST(CarveWalkersTest, PictureTimeComesFromTheOriginalDateAndItsZone) {
  // The samples' EXIF data says 2023:07:14 09:30:12 at +02:00.
  const CarveSample& s = testing::CarveSampleNamed("canon.jpg");
  SpanReader in(s.bytes);
  const std::optional<timespec> taken = ExifDate(in);
  ASSERT_TRUE(taken);
  std::tm utc{};
  const time_t seconds = taken->tv_sec;
  gmtime_r(&seconds, &utc);
  EXPECT_EQ(utc.tm_year + 1900, 2023);
  EXPECT_EQ(utc.tm_mon + 1, 7);
  EXPECT_EQ(utc.tm_mday, 14);
  EXPECT_EQ(utc.tm_hour, 7);
  EXPECT_EQ(utc.tm_min, 30);
  SpanReader plain(testing::CarveSampleNamed("plain.jpg").bytes);
  EXPECT_FALSE(ExifDate(plain));
}

TEST(CarveWalkersTest, ChecksumsGiveTheirCheckValues) {
  const uint8_t nine[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc32(0, nine, 9), 0xCBF43926u);
  EXPECT_EQ(OggCrc(0, nine, 9), 0x89A1897Fu);
  EXPECT_EQ(FlacCrc8(0, nine, 9), 0xF4);
  EXPECT_EQ(FlacCrc16(0, nine, 9), 0xFEE8);
}

TEST(CarveWalkersTest, MpegAudioFrameLengthsFollowVersionLayerRateAndPadding) {
  struct Case {
    uint8_t header[4];
    uint32_t bytes;
    uint8_t layer;
  } const cases[] = {
      {{0xFF, 0xFB, 0x90, 0x64}, 417, 3},   // MPEG-1 layer III 128 kbit/s 44.1 kHz
      {{0xFF, 0xFB, 0x92, 0x64}, 418, 3},   // the same, padded
      {{0xFF, 0xF3, 0x90, 0x64}, 261, 3},   // MPEG-2 layer III 80 kbit/s 22.05 kHz: half the samples (72 x)
      {{0xFF, 0xFD, 0xC8, 0x04}, 1152, 2},  // MPEG-1 layer II 256 kbit/s 32 kHz: 144 x 256000 / 32000
      {{0xFF, 0xFF, 0xE4, 0x00}, 448, 1},   // MPEG-1 layer I 448 kbit/s 48 kHz: (12 x 448000 / 48000) x 4
  };
  for (const Case& c : cases) {
    MpegAudioFrame f;
    ASSERT_TRUE(ParseMpegAudioHeader(c.header, f));
    EXPECT_EQ(f.bytes, c.bytes);
    EXPECT_EQ(f.layer, c.layer);
  }
  const uint8_t freeRate[4] = {0xFF, 0xFB, 0x00, 0x64}, reservedRate[4] = {0xFF, 0xFB, 0x9C, 0x64};
  MpegAudioFrame f;
  EXPECT_FALSE(ParseMpegAudioHeader(freeRate, f));
  EXPECT_FALSE(ParseMpegAudioHeader(reservedRate, f));
}

}  // namespace
}  // namespace tarnwell::physical::carve
