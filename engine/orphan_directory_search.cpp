#include "engine/orphan_directory_search.h"

#include <algorithm>

namespace tarnwell::engine {
namespace {

// Free clusters are read this many bytes at a time (at least a cluster):
// a buffer that stays in the processor cache copies from the page cache
// about three times as fast as one of 1 MiB.
constexpr uint64_t kOrphanReadBytes = uint64_t{128} << 10;

class OrphanSearch {
 public:
  OrphanSearch(disk::VolumeReader volume, const OrphanSearchArea& area, const OrphanClusterJudge& judge)
      : volume_(volume), area_(area), judge_(judge),
        clusterBytes_(uint64_t{area.sectorsPerCluster} * 512),
        most_(static_cast<size_t>(std::min<uint64_t>(kMaxOrphanDirectoryClusters,
                                                     std::max<uint64_t>(1, kMaxOrphanDirectoryBytes / clusterBytes_)))) {
    const uint64_t perRead = std::max<uint64_t>(1, kOrphanReadBytes / clusterBytes_);
    batchClusters_ = static_cast<uint32_t>(std::min<uint64_t>(perRead, UINT32_MAX / area.sectorsPerCluster));
    buffer_.resize(static_cast<size_t>(batchClusters_ * clusterBytes_));
  }

  // Reads the run of count clusters from first and judges each of them.
  void Judge(uint32_t first, uint32_t count, std::vector<OrphanDirectoryCluster>& found) {
    const std::optional<uint64_t> sector = area_.clusterSector(first);
    if (!sector) return;
    if (volume_.Read(*sector, count * area_.sectorsPerCluster, buffer_.data())) {
      for (uint32_t k = 0; k < count; ++k) Take(first + k, k, found);
      return;
    }
    for (uint32_t k = 0; k < count; ++k) {
      const std::optional<uint64_t> one = area_.clusterSector(first + k);
      if (one && volume_.Read(*one, area_.sectorsPerCluster, buffer_.data() + k * clusterBytes_))
        Take(first + k, k, found);
    }
  }

  uint32_t BatchClusters() const { return batchClusters_; }
  size_t Most() const { return most_; }
  bool Holds(uint32_t c) const {
    const std::optional<uint64_t> sector = area_.clusterSector(c);
    return sector && volume_.Holds(*sector, area_.sectorsPerCluster);
  }

 private:
  void Take(uint32_t cluster, uint32_t k, std::vector<OrphanDirectoryCluster>& found) {
    if (found.size() >= most_) return;
    const std::span<const uint8_t> bytes(buffer_.data() + k * clusterBytes_, static_cast<size_t>(clusterBytes_));
    // Most free clusters were never written or held file data: an unused
    // first entry turns them away before the judge reads them.
    if (bytes[0] == 0) return;
    if (const std::optional<OrphanClusterFacts> facts = judge_(bytes)) found.push_back({cluster, *facts});
  }

  disk::VolumeReader volume_;
  const OrphanSearchArea& area_;
  const OrphanClusterJudge& judge_;
  uint64_t clusterBytes_;
  size_t most_;
  uint32_t batchClusters_ = 1;
  std::vector<uint8_t> buffer_;
};

}  // namespace

std::vector<OrphanDirectoryCluster> FindOrphanDirectoryClusters(disk::VolumeReader volume,
                                                                const OrphanSearchArea& area,
                                                                ClusterAllocation& allocation,
                                                                const std::unordered_set<uint32_t>& owned,
                                                                const OrphanClusterJudge& judge,
                                                                const OrphanSearchControl& control) {
  std::vector<OrphanDirectoryCluster> found;
  if (area.sectorsPerCluster == 0 || area.lastCluster < area.firstCluster || !area.clusterSector) return found;
  OrphanSearch search(volume, area, judge);
  // Only the clusters the volume's source holds: a boot sector may claim
  // far more than the image or device has, and every cluster past its end
  // would still cost a look. Clusters lie in order, so the last one held
  // is found by halving.
  if (!search.Holds(area.firstCluster)) return found;
  uint32_t last = area.firstCluster;
  for (uint32_t low = area.firstCluster, high = area.lastCluster; low <= high;) {
    const uint32_t mid = low + (high - low) / 2;
    if (search.Holds(mid)) {
      last = mid;
      if (mid == UINT32_MAX) break;
      low = mid + 1;
    } else {
      high = mid - 1;
    }
  }
  const uint64_t span = uint64_t{last} - area.firstCluster + 1;
  int shown = -1;
  if (control.progress) control.progress->SetVisible(true);
  // Free, and read as no listed folder's; every cluster up to last lies in
  // the source.
  const auto candidate = [&](uint64_t k) {
    return !allocation.IsAllocated(k) && !owned.contains(static_cast<uint32_t>(k));
  };
  uint64_t c = area.firstCluster;
  while (c <= last && found.size() < search.Most()) {
    control.pump.Pump();
    if (control.stop) break;
    if (control.progress) {
      const int percent = static_cast<int>((c - area.firstCluster) * 100 / span);
      if (percent != shown) control.progress->SetPosition(shown = percent);
    }
    // The next run of free clusters no folder owns, up to one read.
    if (!candidate(c)) {
      ++c;
      continue;
    }
    uint32_t count = 1;
    while (count < search.BatchClusters() && c + count <= last && candidate(c + count)) ++count;
    search.Judge(static_cast<uint32_t>(c), count, found);
    c += count;
  }
  if (control.progress) control.progress->SetVisible(false);
  return found;
}

std::vector<OrphanClusterRun> OrphanClusterRuns(std::span<const OrphanDirectoryCluster> found) {
  std::vector<OrphanClusterRun> runs;
  bool previousEnded = true;
  uint32_t previous = 0;
  for (const OrphanDirectoryCluster& c : found) {
    if (runs.empty() || previousEnded || c.facts.startsFolder || c.cluster != previous + 1)
      runs.push_back({{}, c.facts.startsFolder});
    runs.back().clusters.push_back(c.cluster);
    previous = c.cluster;
    previousEnded = c.facts.endsFolder;
  }
  return runs;
}

}  // namespace tarnwell::engine
