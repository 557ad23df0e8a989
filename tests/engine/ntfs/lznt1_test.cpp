#include <gtest/gtest.h>

#include <string>

#include "engine/ntfs/lznt1.h"
#include "tests/support/image_builder.h"

namespace tarnwell::engine::ntfs {
namespace {

using testing::Hex;

std::string Chunk(const std::string& hex, uint16_t header = 0x8000) {
  uint8_t out[4096];
  const auto bytes = Hex(hex);
  const int n = DecompressChunk(header, bytes, out);
  if (n < 0) return "<corrupt>";
  return std::string(reinterpret_cast<const char*>(out), static_cast<size_t>(n));
}

// Appends a token: distance and length for b bytes already produced.
void PutToken(std::vector<uint8_t>& v, size_t b, size_t distance, size_t length) {
  unsigned bits = 12;
  for (size_t x = b - 1; x > 15; x >>= 1) --bits;
  const uint16_t token = static_cast<uint16_t>(((distance - 1) << bits) | (length - 3));
  v.push_back(static_cast<uint8_t>(token));
  v.push_back(static_cast<uint8_t>(token >> 8));
}

TEST(DecompressChunk, DecodesLiteralsAndBackReferences) {
  struct Case {
    const char* name;
    const char* hex;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"literals only", "00 61 62 63 64 65 66 67 68 00 69", "abcdefghi"},
      // "AB" then distance 2, length 4: an overlapping copy repeats "AB".
      {"overlapping copy", "04 41 42 01 10", "ABABAB"},
      // Distance 1 repeats the last byte.
      {"run of one byte", "02 5A 07 00", std::string(11, 'Z')},
      // "abcd" then a token of distance 4, length 3 (no overlap).
      {"plain copy", "10 61 62 63 64 00 30", "abcdabc"},
      {"reference before the output", "01 00 10", "<corrupt>"},
      {"distance beyond output", "02 41 00 10", "<corrupt>"},
      {"token cut short", "02 41 00", "<corrupt>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Chunk(c.hex), c.expected) << c.name;
}

TEST(DecompressChunk, StoredChunkIsCopied) {
  EXPECT_EQ(Chunk("41 42 43", 0x3002), "ABC");
}

TEST(DecompressChunk, SplitMovesAsTheOutputGrows) {
  // For each output length b where the displacement/length split changes
  // (and on either side of it), build b literals and then a token that
  // reaches back to the very first byte: decoding it right needs the split
  // for exactly b bytes.
  for (size_t b : {1u, 15u, 16u, 17u, 32u, 33u, 64u, 65u, 128u, 129u, 300u, 1024u, 2048u, 2049u,
                   4000u}) {
    // Items in groups of eight behind their flag byte: b literals, then
    // the token.
    std::vector<uint8_t> stored;
    std::string expected;
    size_t flagAt = 0;
    for (size_t item = 0; item <= b; ++item) {
      if (item % 8 == 0) {
        flagAt = stored.size();
        stored.push_back(0);
      }
      if (item < b) {
        const char c = static_cast<char>('a' + (item * 7 + item / 26) % 26);
        stored.push_back(static_cast<uint8_t>(c));
        expected.push_back(c);
      } else {
        stored[flagAt] |= static_cast<uint8_t>(1u << (item % 8));
        PutToken(stored, b, b, 3);
      }
    }
    for (int i = 0; i < 3; ++i) expected.push_back(expected[expected.size() - b]);
    uint8_t out[4096];
    const int n = DecompressChunk(0x8000, stored, out);
    ASSERT_EQ(n, static_cast<int>(expected.size())) << "b=" << b;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), n), expected) << "b=" << b;
  }
}

TEST(DecompressChunk, NeverWritesPastFourKilobytes) {
  // One literal, then tokens of maximal length: output stops at 4096.
  std::vector<uint8_t> stored{0xFE, 'x'};
  for (int i = 0; i < 7; ++i) {
    stored.push_back(0xFF);
    stored.push_back(0x0F);
  }
  for (int g = 0; g < 4; ++g) {
    stored.push_back(0xFF);
    for (int i = 0; i < 8; ++i) {
      stored.push_back(0x00);
      stored.push_back(0x00);
    }
  }
  uint8_t out[4096 + 16];
  std::fill(std::begin(out), std::end(out), 0xEE);
  EXPECT_EQ(DecompressChunk(0x8000, stored, out), 4096);
  EXPECT_EQ(out[4095], 'x');
  EXPECT_EQ(out[4096], 0xEE);
}

TEST(DecompressUnit, PadsShortChunksAndStopsAtRoom) {
  // Two chunks of 3 bytes each ("abc", "def"), then the end of the unit.
  const auto unit = Hex("03 B0 00 61 62 63  03 B0 00 64 65 66  00 00");
  std::vector<uint8_t> out;
  ASSERT_TRUE(DecompressUnit(unit, 65536, 65536, out));
  ASSERT_EQ(out.size(), 65536u);
  EXPECT_EQ(std::string(out.begin(), out.begin() + 3), "abc");
  EXPECT_EQ(out[3], 0);  // the first chunk stands for 4096 bytes
  EXPECT_EQ(std::string(out.begin() + 4096, out.begin() + 4099), "def");
  EXPECT_EQ(out[65535], 0);

  out.clear();
  ASSERT_TRUE(DecompressUnit(unit, 65536, 4098, out));
  ASSERT_EQ(out.size(), 4098u);
  EXPECT_EQ(out[4096], 'd');
  EXPECT_EQ(out[4097], 'e');
}

TEST(DecompressUnit, RejectsChunksThatLeaveTheUnit) {
  std::vector<uint8_t> out;
  EXPECT_FALSE(DecompressUnit(Hex("05 B0 00 61 62"), 65536, 65536, out));
  out.clear();
  EXPECT_FALSE(DecompressUnit(Hex("03 B0 01 00 10 00"), 65536, 65536, out));
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
