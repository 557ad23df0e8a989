#include "engine/fat/fat_cluster_plan.h"

#include "engine/fat/fat_chain.h"

namespace tarnwell::engine {
namespace {

FatClusterPlan PlanAroundAllocated(FatTableReader& fat, const FatLayout& layout, uint32_t first,
                                   uint64_t needed) {
  FatClusterPlan plan;
  plan.first = first;
  if (needed < 2 || fat.EntryOf(first).value_or(1) != 0) return plan;
  std::vector<uint32_t> clusters;
  clusters.reserve(static_cast<size_t>(needed));
  clusters.push_back(first);
  uint32_t skipped = 0;
  // The loop is bounded by the volume's last cluster.
  for (uint64_t c = uint64_t{first} + 1; clusters.size() < needed; ++c) {
    if (c > layout.MaxCluster()) return plan;
    const std::optional<uint32_t> value = fat.EntryOf(static_cast<uint32_t>(c));
    if (!value) return plan;
    if (*value != 0) {
      ++skipped;
      continue;
    }
    clusters.push_back(static_cast<uint32_t>(c));
  }
  // Nothing passed over: the contiguous read is the same and needs no list.
  if (skipped == 0) return plan;
  plan.chain = std::move(clusters);
  plan.skipped = skipped;
  return plan;
}

}  // namespace

std::optional<uint64_t> FatClusterPlan::SectorOf(const FatLayout& layout, uint64_t i) const {
  if (FollowsChain()) {
    if (i >= chain.size()) return std::nullopt;
    return layout.ClusterSector(chain[i]);
  }
  const std::optional<uint64_t> start = layout.ClusterSector(first);
  // i counts clusters of one file: at most 2^32, so no overflow.
  if (!start) return std::nullopt;
  return *start + i * layout.SectorsPerCluster();
}

FatClusterPlan PlanFatClusters(const TLogiDrive& drive, const FatLayout& layout, uint32_t first,
                               uint32_t size, bool followChain) {
  FatClusterPlan plan;
  plan.first = first;
  const uint32_t clusterBytes = layout.ClusterBytes();
  if (clusterBytes == 0 || size == 0 || !layout.IsDataCluster(first)) return plan;
  const uint64_t needed = (static_cast<uint64_t>(size) + clusterBytes - 1) / clusterBytes;
  // A chain cannot name more clusters than the volume has.
  if (needed > layout.MaxCluster()) return plan;

  FatTableReader fat(drive.Reader(), layout);
  if (!followChain) return PlanAroundAllocated(fat, layout, first, needed);
  std::vector<uint32_t> chain;
  chain.reserve(static_cast<size_t>(needed));
  chain.push_back(first);
  while (chain.size() < needed) {
    const std::optional<uint32_t> next = fat.EntryOf(chain.back());
    if (!next || !layout.IsDataCluster(*next)) return plan;
    chain.push_back(*next);
  }
  // Exactly as long as the size says: the next entry must end the chain.
  // (A loop never reaches an end, so it falls back too.)
  const std::optional<uint32_t> after = fat.EntryOf(chain.back());
  if (!after || !layout.IsEndOfChain(*after) || *after == 0) return plan;
  plan.chain = std::move(chain);
  return plan;
}

}  // namespace tarnwell::engine
