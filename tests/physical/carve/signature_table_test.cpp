// The one lookup every block goes through: which signatures a block's
// first bytes match, which of them are strong enough to end other data,
// and the names --types takes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "physical/carve/signature_table.h"
#include "tests/physical/carve/carve_samples.h"
#include "tests/support/image_builder.h"

namespace tarnwell::physical::carve {
namespace {

std::vector<Family> Matched(const std::vector<uint8_t>& block) {
  std::vector<Family> families;
  const uint64_t mask = MatchSignatures(block.data(), block.size());
  for (unsigned i = 0; i < SignatureCount(); ++i)
    if (mask >> i & 1) families.push_back(SignatureFamily(i));
  return families;
}

std::vector<uint8_t> Block(const std::string& hex) {
  std::vector<uint8_t> b = testing::Hex(hex);
  b.resize(512, 0);
  return b;
}

TEST(SignatureTableTest, HeaderTestsTellFilesFromTheirMagicMetByChance) {
  struct Case {
    const char* what;
    std::string hex;
    std::vector<Family> families;
  } const cases[] = {
      {"zeros", "", {}},
      {"JPEG with an APP1 segment", "FF D8 FF E1 00 10", {Family::kJpeg}},
      {"FF D8 FF then no segment", "FF D8 FF 00 00 10", {}},
      {"PNG without IHDR first", "89 50 4E 47 0D 0A 1A 0A 00 00 00 0D 49 44 41 54", {}},
      {"PNG", "89 50 4E 47 0D 0A 1A 0A 00 00 00 0D 49 48 44 52", {Family::kPng}},
      {"BM with a reserved field set", "42 4D 00 10 00 00 01 00 00 00 36 00 00 00 28 00 00 00", {}},
      {"ZIP entry without a name", "50 4B 03 04 14 00 00 00 08 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
       {}},
      {"ISO BMFF ftyp", "00 00 00 18 66 74 79 70 69 73 6F 6D", {Family::kIsoBmff}},
      {"ftyp with a box too large for one", "00 10 00 18 66 74 79 70 69 73 6F 6D", {}},
      {"MPEG-2 pack", "00 00 01 BA 44 00 04 00 04 01 01 89 C3 F8", {Family::kMpeg}},
      {"pack start code with no marker bits", "00 00 01 BA 00 00 00 00 00 00 00 00 00 00", {}},
      {"gzip with reserved flags", "1F 8B 08 E0 00 00 00 00 00 03", {}},
      {"PDF", "25 50 44 46 2D 31 2E 37", {Family::kPdf}},
      {"PNM, then a number", "50 36 0A 33 32", {Family::kPnm}},
      {"P6 then a letter", "50 36 0A 41 41", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Matched(Block(c.hex)), c.families) << c.what;
  // An MP3 frame header alone is one byte in 4,000 of random data: the
  // next frame must follow where it says.
  std::vector<uint8_t> frames = Block("FF FB 90 64");
  EXPECT_TRUE(Matched(frames).empty());
  frames[417] = 0xFF, frames[418] = 0xFB, frames[419] = 0x90, frames[420] = 0x64;
  EXPECT_EQ(Matched(frames), std::vector<Family>{Family::kMp3});
}

TEST(SignatureTableTest, OnlyStrongSignaturesEndOtherFilesData) {
  EXPECT_TRUE(StrongSignatureAt(testing::CarveSampleNamed("gradient.png").bytes.data(), 128));
  EXPECT_TRUE(StrongSignatureAt(testing::CarveSampleNamed("letter.docx").bytes.data(), 128));
  // Two-byte and one-byte magics (BMP, MP3 frames, PNM, transport
  // streams) turn up inside data too often to end it.
  EXPECT_FALSE(StrongSignatureAt(testing::CarveSampleNamed("pixels.bmp").bytes.data(), 128));
  EXPECT_FALSE(StrongSignatureAt(testing::CarveSampleNamed("bare.mp3").bytes.data(), 128));
  EXPECT_FALSE(StrongSignatureAt(testing::CarveSampleNamed("photo.ppm").bytes.data(), 128));
  // Not enough bytes for the header test: no match.
  EXPECT_FALSE(StrongSignatureAt(testing::CarveSampleNamed("gradient.png").bytes.data(), 12));
}

// The scan's matcher keeps only the families asked for; what it keeps
// matches exactly as the whole table does.
TEST(SignatureTableTest, AMatcherOfSomeFamiliesMatchesThoseAsTheWholeTableDoes) {
  const SignatureMatcher photos(Bit(Family::kJpeg) | Bit(Family::kMpeg));
  const SignatureMatcher none(0);
  for (const char* name : {"gradient.png", "letter.docx", "bare.mp3", "photo.ppm"}) {
    const std::vector<uint8_t>& bytes = testing::CarveSampleNamed(name).bytes;
    EXPECT_NE(MatchSignatures(bytes.data(), bytes.size()), 0u) << name;
    EXPECT_EQ(photos.Match(bytes.data(), bytes.size()), 0u) << name;
  }
  const std::vector<uint8_t> jpeg = Block("FF D8 FF E1 00 10");
  EXPECT_EQ(photos.Match(jpeg.data(), jpeg.size()), MatchSignatures(jpeg.data(), jpeg.size()));
  EXPECT_EQ(none.Match(jpeg.data(), jpeg.size()), 0u);
  // The signature tested on every block (a Blu-ray stream's sync byte at
  // its fifth byte) is kept or left out with its family.
  std::vector<uint8_t> m2ts(512, 0);
  for (size_t at = 4; at + 1 < m2ts.size(); at += 192) m2ts[at] = 0x47;
  m2ts[0] = 0x3A;
  EXPECT_EQ(photos.Match(m2ts.data(), m2ts.size()), MatchSignatures(m2ts.data(), m2ts.size()));
  EXPECT_NE(photos.Match(m2ts.data(), m2ts.size()), 0u);
  EXPECT_EQ(SignatureMatcher(Bit(Family::kJpeg)).Match(m2ts.data(), m2ts.size()), 0u);
}

TEST(SignatureTableTest, TypesAreNamedByFamilyOrByExtension) {
  struct Case {
    const char* name;
    Family family;
    bool whole;
  } const cases[] = {{"jpg", Family::kJpeg, true},   {"jpeg", Family::kJpeg, true}, {"docx", Family::kZip, false},
                     {"zip", Family::kZip, true},    {"tiff", Family::kTiff, true}, {"cr2", Family::kTiff, false},
                     {"mkv", Family::kEbml, true},   {"webm", Family::kEbml, false}, {"txt", Family::kText, true},
                     {"sqlite", Family::kSqlite, true}};
  for (const Case& c : cases) {
    Family family = Family::kText;
    bool whole = !c.whole;
    ASSERT_TRUE(FamilyOfName(c.name, family, whole)) << c.name;
    EXPECT_EQ(family, c.family) << c.name;
    EXPECT_EQ(whole, c.whole) << c.name;
  }
  Family family;
  bool whole;
  EXPECT_FALSE(FamilyOfName("exe", family, whole));
  EXPECT_FALSE(FamilyOfName("", family, whole));
}

}  // namespace
}  // namespace tarnwell::physical::carve
