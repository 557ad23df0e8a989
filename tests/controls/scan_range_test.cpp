#include "controls/scan_range.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwell::controls {
namespace {

TEST(ScanRangeScale, MegabytesRoundUpAndTicksNeverFallToZero) {
  struct Case {
    uint32_t total;
    int sizeMb, tick;
  } cases[] = {
      {2047, 1, 1},         {2048, 1, 1},       {2049, 2, 1},          {0, 0, 1},
      {80 * 2048, 80, 2},   {81920, 40, 1},     {4294967295u, 2097152, 52428},
  };
  for (const Case& c : cases) {
    ScanRangeScale scale = ScanRangeScaleFor(c.total);
    EXPECT_EQ(scale.sizeMb, c.sizeMb) << c.total;
    EXPECT_EQ(scale.tickFrequency, c.tick) << c.total;
  }
}

TEST(ScanRange, FieldsBecomeAnOrderedClippedSectorRange) {
  const uint32_t disk = 100 * 2048 + 100;  // a little over 100 MB
  struct Case {
    const char* start;
    const char* end;
    ScanRangeVerdict verdict;
    int64_t startSector, count;
  } cases[] = {
      {"10", "5", ScanRangeVerdict::kAccept, 10240, 10240},   // reversed ends are swapped
      {"5", "10", ScanRangeVerdict::kAccept, 10240, 10240},
      {"0", "0", ScanRangeVerdict::kEmpty, 0, 0},             // nothing to scan, no message
      {"", "  ", ScanRangeVerdict::kEmpty, 0, 0},             // blanks count as 0
      {"7", "7", ScanRangeVerdict::kEmpty, 14336, 0},
      {"90", "500", ScanRangeVerdict::kAccept, 184320, 100 * 2048 + 100 - 184320},  // clipped
      {"", "100", ScanRangeVerdict::kAccept, 0, 204800},
      {"100", "101", ScanRangeVerdict::kAccept, 204800, 100},  // only the last sectors
      {"101", "101", ScanRangeVerdict::kOutOfRange, 0, 0},      // both past the end
      {"200", "500", ScanRangeVerdict::kOutOfRange, 0, 0},
      {"1048575", "1", ScanRangeVerdict::kAccept, 2048, 100 * 2048 + 100 - 2048},
      {"1048576", "1", ScanRangeVerdict::kAccept, 2048, 100 * 2048 + 100 - 2048},  // sectors past 2^31 too
      {"99999999999999999999", "1", ScanRangeVerdict::kOutOfRange, 0, 0},
      {"1a", "1", ScanRangeVerdict::kOutOfRange, 0, 0},
  };
  for (const Case& c : cases) {
    ScanRangeResult r = EvaluateScanRange(c.start, c.end, disk);
    EXPECT_EQ(r.verdict, c.verdict) << c.start << ".." << c.end;
    if (c.verdict == ScanRangeVerdict::kAccept) {
      EXPECT_EQ(r.startSector, c.startSector) << c.start << ".." << c.end;
      EXPECT_EQ(r.sectorCount, c.count) << c.start << ".." << c.end;
    }
  }
}

TEST(ScanRange, AThreeTerabyteDiskIsOfferedAndScannedToItsEnd) {
  const uint64_t disk = 5860533168;  // 3 TB
  const ScanRangeScale scale = ScanRangeScaleFor(disk);
  EXPECT_EQ(scale.sizeMb, 2861589);
  const ScanRangeResult r = EvaluateScanRange("2097152", std::to_string(scale.sizeMb), disk);
  ASSERT_EQ(r.verdict, ScanRangeVerdict::kAccept);
  EXPECT_EQ(r.startSector, int64_t{1} << 32);  // the last terabyte, past 2 TiB
  EXPECT_EQ(r.sectorCount, static_cast<int64_t>(disk) - (int64_t{1} << 32));
  EXPECT_EQ(EvaluateScanRange("2861589", "2861590", disk).verdict, ScanRangeVerdict::kOutOfRange);
}

TEST(ScanRange, ADiskOf2047SectorsTakesItsOneMegabyte) {
  ScanRangeResult r = EvaluateScanRange("0", "1", 2047);
  EXPECT_EQ(r.verdict, ScanRangeVerdict::kAccept);
  EXPECT_EQ(r.startSector, 0);
  EXPECT_EQ(r.sectorCount, 2047);
  EXPECT_EQ(EvaluateScanRange("1", "1", 2047).verdict, ScanRangeVerdict::kOutOfRange);
}

}  // namespace
}  // namespace tarnwell::controls
