// The rule that says how much of a deleted file's data is its own, over
// allocation maps given as sets of clusters in use, and the NTFS $Bitmap
// reader over bytes served from memory.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "engine/ntfs/ntfs_allocation.h"
#include "engine/recoverability.h"

namespace tarnwell::engine {
namespace {

// Clusters in use, and how many were asked about.
class SetAllocation final : public ClusterAllocation {
 public:
  explicit SetAllocation(std::set<uint64_t> used) : used_(std::move(used)) {}
  bool IsAllocated(uint64_t cluster) override {
    ++asked;
    return used_.count(cluster) != 0;
  }
  int asked = 0;

 private:
  std::set<uint64_t> used_;
};

struct RunCase {
  const char* name;
  std::set<uint64_t> used;
  uint64_t first, count;
  Recoverability expected;
};

TEST(RunRecoverabilityTest, TheFirstClusterDecidesOverwrittenAnyOtherPartly) {
  const RunCase cases[] = {
      {"all free", {5, 30}, 10, 8, Recoverability::kIntact},
      {"nothing to read", {10}, 10, 0, Recoverability::kIntact},
      {"first in use", {10}, 10, 8, Recoverability::kOverwritten},
      {"first and others in use", {10, 11, 12}, 10, 8, Recoverability::kOverwritten},
      {"the middle in use", {14}, 10, 8, Recoverability::kPartlyOverwritten},
      {"the last in use", {17}, 10, 8, Recoverability::kPartlyOverwritten},
      {"just past the end in use", {18}, 10, 8, Recoverability::kIntact},
  };
  for (const RunCase& c : cases) {
    SetAllocation allocation(c.used);
    EXPECT_EQ(RunRecoverability(allocation, c.first, c.count), c.expected) << c.name;
  }
}

TEST(RunRecoverabilityTest, AHugeClaimStopsAtTheFirstConflict) {
  SetAllocation allocation({12});
  EXPECT_EQ(RunRecoverability(allocation, 10, UINT64_MAX / 2), Recoverability::kPartlyOverwritten);
  EXPECT_EQ(allocation.asked, 3);
}

TEST(RunRecoverabilityTest, KeysAreTheWordsOfTheListing) {
  EXPECT_EQ(RecoverabilityKey(Recoverability::kIntact), "intact");
  EXPECT_EQ(RecoverabilityKey(Recoverability::kPartlyOverwritten), "partly-overwritten");
  EXPECT_EQ(RecoverabilityKey(Recoverability::kOverwritten), "overwritten");
  EXPECT_TRUE(RecoverabilityKey(Recoverability::kNone).empty());
  EXPECT_FALSE(IsOverwritten(Recoverability::kIntact));
  EXPECT_TRUE(IsOverwritten(Recoverability::kPartlyOverwritten));
}

struct RunListCase {
  const char* name;
  trunlist runs;
  uint64_t clustersRead;
  std::set<uint64_t> used;
  Recoverability expected;
};

TEST(RunListRecoverabilityTest, OnlyTheClustersTheCopyReadsCount) {
  const RunListCase cases[] = {
      {"free runs", {{100, 4}, {200, 4}}, 8, {99, 104, 199}, Recoverability::kIntact},
      {"first cluster in use", {{100, 4}, {200, 4}}, 8, {100}, Recoverability::kOverwritten},
      {"second run in use", {{100, 4}, {200, 4}}, 8, {203}, Recoverability::kPartlyOverwritten},
      {"in use past the size", {{100, 4}, {200, 4}}, 5, {201}, Recoverability::kIntact},
      // A sparse start reads nothing: the first cluster read is the first
      // allocated one.
      {"sparse, then in use", {{0, 16}, {300, 2}}, 18, {300}, Recoverability::kOverwritten},
      {"sparse beyond the size", {{100, 2}, {0, 1000000}}, 1000002, {}, Recoverability::kIntact},
      {"negative start", {{100, 2}, {-5, 2}}, 4, {}, Recoverability::kPartlyOverwritten},
      {"no runs", {}, 10, {}, Recoverability::kIntact},
  };
  for (const RunListCase& c : cases) {
    SetAllocation allocation(c.used);
    EXPECT_EQ(ntfs::RunListRecoverability(allocation, c.runs, c.clustersRead), c.expected) << c.name;
  }
}

// A $Bitmap held in memory: cluster lcn of the volume holds bytes
// [lcn x 512, (lcn + 1) x 512) of image.
struct BitmapVolume {
  std::vector<uint8_t> image = std::vector<uint8_t>(64 * 512, 0);
  int reads = 0;
  ntfs::NtfsBitmapAllocation::ClusterReader Reader() {
    return [this](int64_t lcn, int64_t count, uint8_t* buffer) {
      ++reads;
      if (lcn < 0 || static_cast<uint64_t>(lcn + count) * 512 > image.size()) return false;
      std::memcpy(buffer, image.data() + lcn * 512, static_cast<size_t>(count) * 512);
      return true;
    };
  }
};

TEST(NtfsBitmapAllocationTest, ReadsBitsThroughTheRunsOfTheMap) {
  BitmapVolume v;
  // The map's two clusters lie at 40 and 20: bits 0..4095 and 4096..8191.
  v.image[40 * 512 + 0] = 0x05;       // clusters 0 and 2
  v.image[20 * 512 + 1] = 0x80;       // cluster 4096 + 15
  ntfs::NtfsBitmapAllocation map({}, {{40, 1}, {20, 1}}, 512, 6000, v.Reader());
  EXPECT_TRUE(map.IsAllocated(0));
  EXPECT_FALSE(map.IsAllocated(1));
  EXPECT_TRUE(map.IsAllocated(2));
  EXPECT_TRUE(map.IsAllocated(4096 + 15));
  EXPECT_FALSE(map.IsAllocated(4096 + 14));
  EXPECT_TRUE(map.IsAllocated(6000)) << "past the volume's clusters";
  const int reads = v.reads;
  for (uint64_t c = 0; c < 5000; ++c) (void)map.IsAllocated(c);
  EXPECT_EQ(v.reads, reads) << "a piece of the map is read once";
}

TEST(NtfsBitmapAllocationTest, WhatCannotBeReadCountsAsInUse) {
  BitmapVolume v;
  // The second cluster of the map lies outside the volume; the third is
  // sparse.
  ntfs::NtfsBitmapAllocation map({}, {{40, 1}, {1000, 1}, {0, 1}}, 512, 20000, v.Reader());
  EXPECT_FALSE(map.IsAllocated(5));
  EXPECT_TRUE(map.IsAllocated(4096 + 5));
  EXPECT_TRUE(map.IsAllocated(8192 + 5));
  EXPECT_TRUE(map.IsAllocated(12288 + 5)) << "beyond the runs";
  ntfs::NtfsBitmapAllocation resident({0x01}, {}, 512, 16, v.Reader());
  EXPECT_TRUE(resident.IsAllocated(0));
  EXPECT_FALSE(resident.IsAllocated(1));
  EXPECT_TRUE(resident.IsAllocated(9)) << "past the resident bytes";
}

}  // namespace
}  // namespace tarnwell::engine
