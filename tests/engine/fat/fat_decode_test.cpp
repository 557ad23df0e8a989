// Byte-level rules of FAT entries: long-name pieces, the case byte, the
// values that end a chain, the file-header table.
#include <gtest/gtest.h>

#include "engine/fat/fat_layout.h"
#include "engine/fat/file_header_table.h"
#include "engine/fat/long_name.h"
#include "engine/entry_helpers.h"
#include "platform/text_codec.h"
#include "tests/support/image_builder.h"

namespace tarnwell::engine {
namespace {



// A long-name piece holding up to 13 UTF-16 characters (0 ends, then 0xFFFF
// fill, as the format stores it) with the given checksum.
RawDirEntry Piece(uint8_t sequence, const std::u16string& chars, uint8_t checksum) {
  RawDirEntry e;
  e.bytes.fill(0);
  e.bytes[0] = sequence;
  e.bytes[11] = 0x0F;
  e.bytes[13] = checksum;
  const size_t offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  for (size_t i = 0; i < 13; ++i) {
    char16_t c = i < chars.size() ? chars[i] : (i == chars.size() ? u'\0' : u'\xFFFF');
    e.bytes[offsets[i]] = static_cast<uint8_t>(c & 0xFF);
    e.bytes[offsets[i] + 1] = static_cast<uint8_t>(c >> 8);
  }
  return e;
}

RawDirEntry ShortEntry(const std::string& name83, uint8_t caseByte) {
  RawDirEntry e;
  std::string n = name83;
  n.resize(11, ' ');
  std::copy(n.begin(), n.end(), e.bytes.begin());
  e.bytes[11] = 0x20;
  e.bytes[12] = caseByte;
  return e;
}

TEST(LongNameTest, PiecesStoredLastFirstAssembleInOrder) {
  LongNameState state;
  // "A long file name.txt" is 20 characters: piece 2 holds 14-20.
  EXPECT_EQ(ReadLfnEntry(Piece(0x42, u"name.txt", 0x5A), state), kNewLongName);
  EXPECT_EQ(ReadLfnEntry(Piece(0x01, u"A long file ", 0x5A), state), kLongNameContinued);
  EXPECT_EQ(LongNameText(state), "A long file name.txt");
  EXPECT_EQ(ReadLfnEntry(ShortEntry("ALONGF~1TXT", 0), state), kNotLongName);
  EXPECT_EQ(state.lastChecksum, -1);
}

TEST(LongNameTest, NewChecksumStartsANewNameAndChecksumIsNotVerified) {
  LongNameState state;
  ReadLfnEntry(Piece(0x41, u"orphan", 0x11), state);
  // A piece of another name (different checksum) drops the orphan text.
  EXPECT_EQ(ReadLfnEntry(Piece(0x41, u"second", 0x22), state), kNewLongName);
  EXPECT_EQ(LongNameText(state), "second");
  // The same checksum again continues, even from a piece that claims to
  // start a name.
  EXPECT_EQ(ReadLfnEntry(Piece(0x41, u"first ", 0x22), state), kLongNameContinued);
  EXPECT_EQ(LongNameText(state), "first second");
}

TEST(LongNameTest, ChineseAndPartsStartingWithLowByteFF) {
  LongNameState state;
  // U+4EFF stored as "FF 4E" starts characters 6-11: only the 0xFFFF filler
  // leaves a part out, so the character survives.
  ReadLfnEntry(Piece(0x41, u"中文名字1\u4EFF.txt", 0x33), state);
  EXPECT_EQ(platform::SystemToUtf8(LongNameText(state)), "中文名字1仿.txt");
}

TEST(LongNameTest, ExactlyThirteenCharactersHaveNoTerminator) {
  LongNameState state;
  ReadLfnEntry(Piece(0x41, u"abcdefghijklm", 0x01), state);
  EXPECT_EQ(LongNameText(state), "abcdefghijklm");
}

TEST(ShortNameCaseTest, EachFlagLowersItsOwnPartOnEveryWidth) {
  struct Case {
    uint8_t caseByte;
    const char* stored;
    const char* shown;
  };
  const Case cases[] = {
      {0x00, "README  TXT", "README.TXT"},  // no flag: as stored, never capitalised
      {0x08, "README  TXT", "readme.TXT"},
      {0x10, "README  TXT", "README.txt"},
      {0x18, "TODO    TXT", "todo.txt"},
      {0x18, "A1B     C  ", "a1b.c"},
      {0x18, "MAKEFILE   ", "makefile"},             // no extension to lower
      {0x18, "\xE5" "EADME  TXT", "?eadme.txt"},      // a deleted entry keeps its mark
      {0xE7, "README  TXT", "README.TXT"},            // other bits say nothing about case
  };
  for (const Case& c : cases) {
    TMidEntry e;
    e.DirEntry = ShortEntry(c.stored, c.caseByte);
    ApplyShortNameCase(e.DirEntry);
    EXPECT_EQ(FatEntryName(e, false), c.shown) << "case " << int(c.caseByte) << " " << c.stored;
  }
}

TEST(FatLayoutTest, OnlyTheListedValuesEndAChain) {
  struct Case {
    uint8_t kind;
    uint32_t value;
    bool ends;
  };
  const Case cases[] = {
      {kFat12, 0x000, true},       {kFat12, 0xFFF, true},       {kFat12, 0xFF8, false},
      {kFat12, 0xFF7, false},      {kFat16, 0x0000, true},      {kFat16, 0xFFFF, true},
      {kFat16, 0xFFF8, false},     {kFat16, 0x0FFF, false},     {kFat32, 0, true},
      {kFat32, 0x0FFFFFF8, true},  {kFat32, 0x0FFFFFFF, true},  {kFat32, 0x0FFFFFF9, false},
      {kFat32, 0xFFFFFFFF, false},  // upper four bits are not masked
      {kFat32, 0x1FFFFFFF, false}, {kFat32, 0xFFFF, false},
  };
  for (const Case& c : cases) {
    TLogiDrive drive;
    drive.FsKind = c.kind;
    EXPECT_EQ(FatLayout(drive).IsEndOfChain(c.value), c.ends)
        << "kind " << int(c.kind) << " value " << std::hex << c.value;
  }
}

TEST(FatLayoutTest, ClusterSectorRejectsClustersBeforeTheDataArea) {
  TLogiDrive drive;
  drive.FsKind = kFat16;
  testing::ImageBuilder boot(512);
  boot.Put16(11, 512).Put8(13, 4).Put16(14, 1).Put8(16, 2).Put16(17, 512).Put16(19, 20000).Put16(22, 20);
  std::copy(boot.Bytes().begin(), boot.Bytes().end(), drive.BootSector.begin());
  const FatLayout layout(drive);
  EXPECT_FALSE(layout.ClusterSector(0));
  EXPECT_FALSE(layout.ClusterSector(1));
  EXPECT_EQ(*layout.ClusterSector(2), 1u + 40 + 32);
  EXPECT_EQ(*layout.ClusterSector(3), 1u + 40 + 32 + 4);
  EXPECT_EQ(layout.MaxCluster(), (20000u - 73) / 4 + 1);
}

TEST(FileHeaderTableTest, LooksUpExactExtensions) {
  EXPECT_EQ(FileHeaderTable.size(), 34u);
  EXPECT_EQ(FindFileHeader("#$%")->header, (std::array<uint8_t, 2>{0x2E, 0x20}));
  EXPECT_EQ(FindFileHeader("jpg")->header, (std::array<uint8_t, 2>{0xFF, 0xD8}));
  EXPECT_EQ(FindFileHeader("mdb")->header, (std::array<uint8_t, 2>{0x00, 0x01}));
  EXPECT_EQ(FindFileHeader("ppt")->header, (std::array<uint8_t, 2>{0xD0, 0xCF}));
  EXPECT_FALSE(FindFileHeader("JPG"));
  EXPECT_FALSE(FindFileHeader("txt"));
  EXPECT_FALSE(FindFileHeader(""));
}

}  // namespace
}  // namespace tarnwell::engine
