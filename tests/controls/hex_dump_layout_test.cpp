#include "controls/hex_dump_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwell::controls {
namespace {

TEST(HexLayout, BytesPerLineFollowTheWidthAndAreClamped) {
  struct Case {
    int width;
    bool address, characters;
    int bytesPerLine;
  } cases[] = {
      {200, true, true, 3},      // (25 - 10) / 4
      {200, false, true, 6},     // 25 / 4
      {200, true, false, 5},     // (25 - 10) / 3
      {80, true, true, 1},       // quotient 0 still shows one byte
      {8, true, true, 1},        // negative quotient too
      {10000, true, true, 16},   // very wide: at most 16
      {(10 + 64) * 8, true, true, 16},
      {(10 + 64) * 8 - 1, true, true, 15},
  };
  for (const Case& c : cases) {
    HexLayout layout = CalcHexLayout(c.width, 200, 16, 8, c.address, c.characters, 100);
    EXPECT_EQ(layout.bytesPerLine, c.bytesPerLine) << c.width << " " << c.address << c.characters;
  }
}

TEST(HexLayout, LineCountAndVisibleLines) {
  EXPECT_EQ(CalcHexLayout(10000, 200, 16, 8, true, true, 2048).lineCount, 128);
  EXPECT_EQ(CalcHexLayout(10000, 200, 16, 8, true, true, 20).lineCount, 2);
  EXPECT_EQ(CalcHexLayout(10000, 200, 16, 8, true, true, 16).lineCount, 1);
  EXPECT_EQ(CalcHexLayout(10000, 200, 16, 8, true, true, 0).lineCount, 0);
  EXPECT_EQ(CalcHexLayout(200, 200, 16, 8, true, true, 2048).lineCount, 683);  // 3 per line
  // (height - 16) / lineHeight + 1: the last, partial row counts.
  EXPECT_EQ(CalcHexLayout(500, 16 + 9 * 15, 15, 8, true, true, 0).visibleLines, 10);
  EXPECT_EQ(CalcHexLayout(500, 16 + 9 * 15 + 14, 15, 8, true, true, 0).visibleLines, 10);
  EXPECT_EQ(CalcHexLayout(500, 16 + 10 * 15, 15, 8, true, true, 0).visibleLines, 11);
}

TEST(HexLayout, TheLastLineHoldsTheRemainder) {
  EXPECT_EQ(BytesOnLine(0, 2, 16, 20), 16);
  EXPECT_EQ(BytesOnLine(1, 2, 16, 20), 4);
  EXPECT_EQ(BytesOnLine(127, 128, 16, 2048), 16);
  EXPECT_EQ(BytesOnLine(2, 2, 16, 20), 0);
  EXPECT_EQ(BytesOnLine(-1, 2, 16, 20), 0);
}

TEST(HexText, BytesAreUpperCasePairsSeparatedByTabs) {
  char buffer[kHexLineCapacity];
  ResetHexLineBuffer(buffer);
  const uint8_t full[16] = {0x00, 0x01, 0x0A, 0xFF, 0x7E, 0xAB, 0xCD, 0xEF,
                            0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
  int n = FormatHexLine(full, 16, buffer);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)),
            "00\t01\t0A\tFF\t7E\tAB\tCD\tEF\t10\t20\t30\t40\t50\t60\t70\t80");
  // A shorter line after a full one: only its own digits are read.
  const uint8_t tail[4] = {0xDE, 0xAD, 0xBE, 0xEF};
  n = FormatHexLine(tail, 4, buffer);
  EXPECT_EQ(n, 11);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), "DE\tAD\tBE\tEF");
}

TEST(HexText, OffsetsHaveAtLeastFourUpperCaseDigits) {
  char buffer[16];
  struct Case {
    uint32_t offset;
    const char* text;
  } cases[] = {{0, "0000:"}, {0x7F0, "07F0:"}, {0xABCD, "ABCD:"}, {0x10000, "10000:"}};
  for (const Case& c : cases) {
    int n = FormatHexOffset(c.offset, buffer);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), c.text);
  }
}

}  // namespace
}  // namespace tarnwell::controls
