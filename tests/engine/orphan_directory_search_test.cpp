// The search of a volume's free clusters for directory entries: what it
// takes, what it leaves to the listed folders and to live files, and how a
// read error costs only the cluster it hits.
#include "engine/orphan_directory_search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "disk/sector_source.h"
#include "tests/support/recording_window.h"

namespace tarnwell::engine {
namespace {

constexpr uint32_t kClusterSectors = 2;
constexpr uint32_t kClusters = 64;  // clusters 2 .. 65, cluster c at sector (c - 2) * 2

// Sectors in memory; reads that touch a failing sector fail whole, as a
// disk's do.
class FaultySource final : public disk::SectorSource {
 public:
  explicit FaultySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override {
    bytesRead = 0;
    ++reads;
    for (uint64_t s = lba; s < lba + count; ++s)
      if (failing.contains(s)) return false;
    if ((lba + count) * 512 > bytes_.size()) return false;
    std::memcpy(buffer, bytes_.data() + lba * 512, count * 512);
    bytesRead = count * 512;
    return true;
  }
  uint64_t SectorCount() const override { return bytes_.size() / 512; }
  std::set<uint64_t> failing;
  int reads = 0;

 private:
  std::vector<uint8_t> bytes_;
};

class SetAllocation final : public ClusterAllocation {
 public:
  bool IsAllocated(uint64_t c) override {
    ++asked;
    return used.contains(c);
  }
  std::set<uint64_t> used;
  uint64_t asked = 0;
};

// A cluster "holds entries" when its first byte is 'E'; the judge says so
// and marks a cluster that begins with 'S' as starting a folder, one whose
// last byte is 'Z' as ending one.
std::optional<OrphanClusterFacts> MarkJudge(std::span<const uint8_t> c) {
  if (c[0] != 'E' && c[0] != 'S') return std::nullopt;
  return OrphanClusterFacts{c[0] == 'S', c.back() == 'Z'};
}

struct Volume {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(size_t{kClusters} * kClusterSectors * 512);
  void Mark(uint32_t c, char first, char last = 0) {
    bytes[(c - 2) * kClusterSectors * 512] = static_cast<uint8_t>(first);
    if (last) bytes[(c - 1) * kClusterSectors * 512 - 1] = static_cast<uint8_t>(last);
  }
};

OrphanSearchArea Area() {
  return {2, kClusters + 1, kClusterSectors, [](uint32_t c) -> std::optional<uint64_t> {
            if (c < 2) return std::nullopt;
            return uint64_t{c - 2} * kClusterSectors;
          }};
}

// The search over the source, with MarkJudge.
std::vector<OrphanDirectoryCluster> Search(FaultySource& source, ClusterAllocation& allocation,
                                           const std::unordered_set<uint32_t>& owned = {},
                                           const OrphanSearchArea& area = Area(), bool stop = false) {
  testing::CountingPump pump;
  return FindOrphanDirectoryClusters(disk::VolumeReader(&source, 0), area, allocation, owned, MarkJudge,
                                     OrphanSearchControl{pump, stop, nullptr});
}

std::vector<uint32_t> Clusters(const std::vector<OrphanDirectoryCluster>& found) {
  std::vector<uint32_t> out;
  for (const auto& f : found) out.push_back(f.cluster);
  return out;
}

TEST(OrphanDirectorySearch, TakesFreeUnownedEntryClustersOnly) {
  Volume v;
  for (uint32_t c : {5u, 6u, 9u, 20u, 21u, 40u}) v.Mark(c, 'E');
  v.Mark(30, 'X');  // other data
  FaultySource source(v.bytes);
  SetAllocation allocation;
  allocation.used = {9};                           // a live file holds entry-like bytes
  const std::unordered_set<uint32_t> owned = {20};  // a listed folder read it
  const auto found = Search(source, allocation, owned);
  EXPECT_EQ(Clusters(found), (std::vector<uint32_t>{5, 6, 21, 40}));
  // Free clusters are read in long runs, not one by one.
  EXPECT_LT(source.reads, 10);
}

TEST(OrphanDirectorySearch, AnUnreadableClusterCostsOnlyItself) {
  Volume v;
  for (uint32_t c : {10u, 11u, 12u}) v.Mark(c, 'E');
  FaultySource source(v.bytes);
  source.failing = {(11 - 2) * kClusterSectors + 1};  // the second sector of cluster 11
  SetAllocation allocation;
  const auto found = Search(source, allocation);
  EXPECT_EQ(Clusters(found), (std::vector<uint32_t>{10, 12}));
}

// A boot sector may claim four billion clusters on an image of 64: only
// the clusters the source holds are looked at.
TEST(OrphanDirectorySearch, ClustersPastTheSourceAreNotLookedAt) {
  Volume v;
  v.Mark(60, 'E');
  FaultySource source(v.bytes);
  SetAllocation allocation;
  OrphanSearchArea area = Area();
  area.lastCluster = UINT32_MAX - 1;
  const auto found = Search(source, allocation, {}, area);
  EXPECT_EQ(Clusters(found), (std::vector<uint32_t>{60}));
  EXPECT_LE(allocation.asked, uint64_t{kClusters});
}

TEST(OrphanDirectorySearch, AStopEndsTheSearch) {
  Volume v;
  v.Mark(50, 'E');
  FaultySource source(v.bytes);
  SetAllocation allocation;
  EXPECT_TRUE(Search(source, allocation, {}, Area(), true).empty());
}

TEST(OrphanDirectorySearch, RunsBreakAtGapsFolderEndsAndFolderStarts) {
  const auto at = [](uint32_t c, bool starts = false, bool ends = false) {
    return OrphanDirectoryCluster{c, {starts, ends}};
  };
  const std::vector<OrphanDirectoryCluster> found = {at(4), at(5, false, true), at(6), at(7), at(9),
                                                     at(10, true), at(11)};
  const std::vector<OrphanClusterRun> runs = OrphanClusterRuns(found);
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[0].clusters, (std::vector<uint32_t>{4, 5}));
  EXPECT_EQ(runs[1].clusters, (std::vector<uint32_t>{6, 7}));
  EXPECT_EQ(runs[2].clusters, (std::vector<uint32_t>{9}));
  EXPECT_EQ(runs[3].clusters, (std::vector<uint32_t>{10, 11}));
  EXPECT_TRUE(runs[3].startsFolder);
  EXPECT_FALSE(runs[0].startsFolder);
}

}  // namespace
}  // namespace tarnwell::engine
