#include "disk/imaging/rescue_map.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/disk/imaging/map_runs.h"

namespace tarnwell::disk::imaging {
namespace {

using testing::Runs;

struct SetStep {
  uint64_t start, count;
  char status;
  const char* runs;  // after the step
};

TEST(RescueMap, RunsSplitAndMergeSoNeighboursNeverShareAStatus) {
  const SetStep steps[] = {
      {10, 5, '+', "?10 +5 ?85"},
      {15, 5, '+', "?10 +10 ?80"},        // joins the run before
      {12, 3, '-', "?10 +2 -3 +5 ?80"},   // splits a run in three
      {12, 3, '+', "?10 +10 ?80"},        // and heals it again
      {0, 10, '+', "+20 ?80"},            // joins the run after
      {90, 50, '*', "+20 ?70 *10"},       // the part past the end is ignored
      {100, 5, '+', "+20 ?70 *10"},       // wholly past the end
      {5, 0, '-', "+20 ?70 *10"},         // nothing
      {0, 100, '/', "/100"},
  };
  RescueMap map(100);
  for (const SetStep& step : steps) {
    map.Set(step.start, step.count, static_cast<BlockStatus>(step.status));
    EXPECT_EQ(Runs(map), step.runs) << "after " << step.start << "+" << step.count << step.status;
  }
  EXPECT_EQ(map.SectorsWith(BlockStatus::kNonScraped), 100u);
  EXPECT_EQ(map.SectorsWith(BlockStatus::kFinished), 0u);
  EXPECT_EQ(map.StatusAt(5000), BlockStatus::kNonTried);
}

TEST(RescueMap, FailedStatusesSideBySideAreOneBadArea) {
  RescueMap map(100);
  EXPECT_EQ(map.BadAreas(), 0u);
  map.Set(10, 5, BlockStatus::kNonTrimmed);
  map.Set(15, 1, BlockStatus::kBadSector);
  map.Set(16, 4, BlockStatus::kNonScraped);
  map.Set(50, 1, BlockStatus::kBadSector);
  map.Set(99, 1, BlockStatus::kBadSector);
  EXPECT_EQ(map.BadAreas(), 3u);
  // Untried sectors are not bad yet.
  map.Set(0, 100, BlockStatus::kNonTried);
  EXPECT_EQ(map.BadAreas(), 0u);
}

TEST(RescueMap, AnEmptyDiskHasNoRuns) {
  RescueMap map(0);
  map.Set(0, 10, BlockStatus::kFinished);
  EXPECT_TRUE(map.Blocks().empty());
  EXPECT_FALSE(map.NextRun(0, BlockStatus::kNonTried));
  EXPECT_FALSE(map.PreviousRun(10, BlockStatus::kNonTried));
}

}  // namespace
}  // namespace tarnwell::disk::imaging
