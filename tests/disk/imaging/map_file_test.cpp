#include "disk/imaging/map_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/disk/imaging/map_runs.h"
#include "tests/support/fixtures.h"

namespace tarnwell::disk::imaging {
namespace {

using testing::Runs;

// The example in the format's documentation: a floppy copied part-way.
constexpr const char* kFloppyMap =
    "# Mapfile. Created by GNU ddrescue version 1.27\n"
    "# Command line: ddrescue -d -c18 /dev/fd0 fdimage mapfile\n"
    "# Start time:   2015-07-21 09:37:44\n"
    "# Current time: 2015-07-21 09:38:19\n"
    "# Copying non-tried blocks... Pass 1 (forwards)\n"
    "# current_pos  current_status  current_pass\n"
    "0x00120000     ?               1\n"
    "#      pos        size  status\n"
    "0x00000000  0x00117000  +\n"
    "0x00117000  0x00000200  -\n"
    "0x00117200  0x00001000  /\n"
    "0x00118200  0x00007E00  *\n"
    "0x00120000  0x00048000  ?\n";

TEST(MapFile, ReadsTheDocumentedExample) {
  MapFileError error;
  const std::optional<MapFile> file = ParseMapFile(kFloppyMap, &error);
  ASSERT_TRUE(file) << static_cast<int>(error.fault) << " at line " << error.line;
  EXPECT_EQ(file->position.byte, 0x120000u);
  EXPECT_EQ(file->position.phase, Phase::kCopying);
  EXPECT_EQ(file->position.pass, 1);
  ASSERT_EQ(file->blocks.size(), 5u);
  EXPECT_EQ(file->blocks[3].pos, 0x118200u);
  EXPECT_EQ(file->blocks[3].size, 0x7E00u);
  EXPECT_EQ(file->blocks[3].status, BlockStatus::kNonTrimmed);
  EXPECT_EQ(file->EndByte(), 1474560u);
  const std::optional<RescueMap> map = SectorMapOf(*file, 2880, &error);
  ASSERT_TRUE(map);
  EXPECT_EQ(Runs(*map), "+2232 -1 /8 *63 ?576");
}

struct SyntaxCase {
  const char* what;
  const char* text;
  uint64_t position;
  char phase;
  int pass;
  uint64_t lastBlockSize;
};

TEST(MapFile, NumbersAndCommentsAsTheFormatWritesThem) {
  const SyntaxCase cases[] = {
      {"decimal, octal and hex", "1024 * 2\n0 0x400 +\n1024 02000 -\n", 1024, '*', 2, 1024},
      {"status line without a pass", "0 -\n0 512 +\n", 0, '-', 1, 512},
      {"comment after a blank", "0 + 1 # done\n0 512 + # all of it\n", 0, '+', 1, 512},
      {"blank lines, tabs and CR LF", "\r\n0\t?\t1\r\n\r\n0x0\t0x200\t?\r\n", 0, '?', 1, 512},
      {"upper-case hex", "0X10 / 3\n0 0XFF +\n", 16, '/', 3, 255},
      {"a block of size 0 describes nothing", "0 + 1\n0 512 +\n512 0 -\n", 0, '+', 1, 512},
      {"a first block that starts later", "0 ? 1\n4096 512 +\n", 0, '?', 1, 512},
      {"positions up to 2^63 - 1", "0 ? 1\n0 0x7FFFFFFFFFFFFFFF +\n", 0, '?', 1, 0x7FFFFFFFFFFFFFFFull},
  };
  for (const SyntaxCase& c : cases) {
    MapFileError error;
    const std::optional<MapFile> file = ParseMapFile(c.text, &error);
    ASSERT_TRUE(file) << c.what << ": fault " << static_cast<int>(error.fault) << " line " << error.line;
    EXPECT_EQ(file->position.byte, c.position) << c.what;
    EXPECT_EQ(static_cast<char>(file->position.phase), c.phase) << c.what;
    EXPECT_EQ(file->position.pass, c.pass) << c.what;
    ASSERT_FALSE(file->blocks.empty()) << c.what;
    EXPECT_EQ(file->blocks.back().size, c.lastBlockSize) << c.what;
  }
}

struct FaultCase {
  const char* what;
  const char* text;
  MapFileFault fault;
  size_t line;
};

TEST(MapFile, DamagedMapsSayWhatAndWhere) {
  const FaultCase cases[] = {
      {"empty", "", MapFileFault::kNoStatusLine, 0},
      {"comments only", "# nothing\n  # more\n", MapFileFault::kNoStatusLine, 0},
      {"status line of one word", "0\n", MapFileFault::kBadStatusLine, 1},
      {"unknown phase", "# c\n0 X 1\n", MapFileFault::kBadStatusLine, 2},
      {"pass 0", "0 ? 0\n", MapFileFault::kBadNumber, 1},
      {"pass in hex", "0 ? 0x1\n", MapFileFault::kBadNumber, 1},
      {"four words", "0 ? 1 1\n", MapFileFault::kBadStatusLine, 1},
      {"block of two words", "0 ? 1\n0 512\n", MapFileFault::kBadBlockLine, 2},
      {"status glued to a comment", "0 ? 1\n0 512 +#x\n", MapFileFault::kBadBlockLine, 2},
      {"unknown block status", "0 ? 1\n0 512 F\n", MapFileFault::kBadStatus, 2},
      {"negative size", "0 ? 1\n0 -512 +\n", MapFileFault::kBadNumber, 2},
      {"octal digit 8", "0 ? 1\n0 0778 +\n", MapFileFault::kBadNumber, 2},
      {"past 2^63 - 1", "0 ? 1\n0 0x8000000000000000 +\n", MapFileFault::kBadNumber, 2},
      {"beyond 64 bits", "0 ? 1\n0 99999999999999999999999 +\n", MapFileFault::kBadNumber, 2},
      {"reaching past 2^63 - 1", "0 ? 1\n0x7FFFFFFFFFFFFFFF 2 +\n", MapFileFault::kTooLarge, 2},
      {"gap", "0 ? 1\n0 512 +\n1024 512 -\n", MapFileFault::kNotContiguous, 3},
      {"overlap", "0 ? 1\n0 1024 +\n512 512 -\n", MapFileFault::kNotContiguous, 3},
  };
  for (const FaultCase& c : cases) {
    MapFileError error;
    EXPECT_FALSE(ParseMapFile(c.text, &error)) << c.what;
    EXPECT_EQ(error.fault, c.fault) << c.what;
    EXPECT_EQ(error.line, c.line) << c.what;
  }
}

// A sector a block boundary splits is as far along as its least advanced
// part, so it is read again rather than taken as copied; what the file
// leaves out is not tried.
TEST(MapFile, SectorsSplitByABlockCountWithTheirLeastAdvancedPart) {
  const char* text =
      "0 - 1\n"
      "0x100 0x300 +\n"   // sector 0 half undescribed, sector 1 whole
      "0x400 0x300 -\n"   // sector 2 whole bad, sector 3 split with...
      "0x700 0x100 +\n"   // ...finished: bad
      "0x800 0x500 /\n";  // sectors 4 and 5, half of 6; the rest is not described
  MapFileError error;
  const std::optional<MapFile> file = ParseMapFile(text, &error);
  ASSERT_TRUE(file);
  const std::optional<RescueMap> map = SectorMapOf(*file, 10, &error);
  ASSERT_TRUE(map);
  EXPECT_EQ(Runs(*map), "?1 +1 -2 /2 ?4");
}

TEST(MapFile, AMapLargerThanTheDiskIsRefused) {
  MapFileError error;
  const std::optional<MapFile> file = ParseMapFile("0 ? 1\n0 0x1400 +\n", &error);
  ASSERT_TRUE(file);
  EXPECT_TRUE(SectorMapOf(*file, 10, &error));
  EXPECT_FALSE(SectorMapOf(*file, 9, &error));
  EXPECT_EQ(error.fault, MapFileFault::kLargerThanDisk);
}

RescueMap EveryStatus() {
  RescueMap map(64);
  map.Set(0, 20, BlockStatus::kFinished);
  map.Set(20, 3, BlockStatus::kBadSector);
  map.Set(23, 5, BlockStatus::kNonScraped);
  map.Set(28, 10, BlockStatus::kNonTrimmed);
  map.Set(40, 24, BlockStatus::kFinished);
  return map;
}

TEST(MapFile, WhatIsWrittenReadsBackTheSame) {
  const RescueMap map = EveryStatus();
  const MapPosition position{28 * 512, Phase::kRetrying, 2};
  const std::string text = FormatMapFile(map, position, {"Tarnwell 1.0", "2024-05-01 10:00:00", "2024-05-01 10:05:00"});
  EXPECT_NE(text.find("# Retrying bad sectors... Pass 2 (backwards)\n"), std::string::npos) << text;
  MapFileError error;
  const std::optional<MapFile> file = ParseMapFile(text, &error);
  ASSERT_TRUE(file) << text;
  EXPECT_EQ(file->position.byte, position.byte);
  EXPECT_EQ(file->position.phase, position.phase);
  EXPECT_EQ(file->position.pass, position.pass);
  const std::optional<RescueMap> back = SectorMapOf(*file, 64, &error);
  ASSERT_TRUE(back);
  EXPECT_EQ(Runs(*back), Runs(map));
}

// The format's own tool reads what we write: the same sectors finished and
// bad, and the map passes its consistency check.
TEST(MapFile, TheFormatsOwnToolReadsOurMaps) {
  const RescueMap map = EveryStatus();
  const std::string path = testing::MakeTempFolder("mapfile") + "/disk.map";
  std::ofstream(path) << FormatMapFile(map, {0, Phase::kFinished, 1}, {"Tarnwell", "-", "-"});
  for (const char status : {'+', '-', '?'}) {
    std::string expected;
    for (uint64_t s = 0; s < map.Sectors(); ++s)
      if (static_cast<char>(map.StatusAt(s)) == status) expected += std::to_string(s) + "\n";
    EXPECT_EQ(testing::ShellOutput(std::string("ddrescuelog -b512 -l'") + status + "' " + path + " 2>&1"), expected) << status;
  }
}

}  // namespace
}  // namespace tarnwell::disk::imaging
