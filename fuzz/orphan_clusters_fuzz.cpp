// Fuzzes the search of free clusters for lost directory entries: the FAT
// and exFAT judges of one cluster, the joins of exFAT sets that a cluster
// boundary cut, and the search itself over an in-memory volume whose
// allocation map the input chooses. The first byte chooses the cluster
// size; the next 16 bytes are the map (one bit per cluster, repeating);
// the rest is the volume.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "disk/memory_sector_source.h"
#include "engine/exfat/exfat_cut_sets.h"
#include "engine/exfat/exfat_folder.h"
#include "engine/fat/orphan_cluster.h"
#include "engine/orphan_directory_search.h"

namespace {

using namespace tarnwell;

class BitAllocation final : public engine::ClusterAllocation {
 public:
  explicit BitAllocation(const uint8_t* bits) : bits_(bits) {}
  bool IsAllocated(uint64_t c) override { return (bits_[(c / 8) % 16] >> (c % 8)) & 1; }

 private:
  const uint8_t* bits_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kHeader = 17;
  if (size < kHeader + 32) return 0;
  const uint32_t clusterSectors = 1u << (data[0] % 4);
  const size_t clusterBytes = size_t{clusterSectors} * 512;
  std::vector<uint8_t> volume(data + kHeader, data + size);
  volume.resize((volume.size() + clusterBytes - 1) / clusterBytes * clusterBytes, 0);
  const uint32_t clusters = static_cast<uint32_t>(volume.size() / clusterBytes);

  // The judges on every cluster, and the cut-set joins between the clusters
  // as stretches of their own.
  std::vector<std::vector<uint8_t>> stretches;
  for (uint32_t k = 0; k < clusters; ++k) {
    const std::span<const uint8_t> bytes(volume.data() + k * clusterBytes, clusterBytes);
    (void)engine::JudgeFatDirectoryCluster(bytes);
    (void)engine::JudgeExfatDirectoryCluster(bytes);
    stretches.emplace_back(bytes.begin(), bytes.end());
  }
  const std::vector<std::vector<size_t>> chains = engine::ChainCutStretches(stretches);
  std::vector<bool> seen(stretches.size(), false);
  for (const auto& chain : chains)
    for (const size_t k : chain) {
      if (k >= seen.size() || seen[k]) __builtin_trap();  // every stretch exactly once
      seen[k] = true;
    }
  if (!std::all_of(seen.begin(), seen.end(), [](bool b) { return b; })) __builtin_trap();

  // The search over the volume, cluster 2 at its first sector.
  const uint64_t length = volume.size();
  auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(volume));
  disk::MemorySectorSource source(shared, 0, length);
  BitAllocation allocation(data + 1);
  const std::unordered_set<uint32_t> owned = {2 + data[0] % 8u};
  const engine::OrphanSearchArea area{2, clusters + 2, clusterSectors, [clusterSectors](uint32_t c) {
                                        return std::optional<uint64_t>(uint64_t{c - 2} * clusterSectors);
                                      }};
  engine::NullMessagePump pump;
  const bool stop = false;
  for (const engine::OrphanClusterJudge& judge :
       {engine::OrphanClusterJudge(engine::JudgeFatDirectoryCluster),
        engine::OrphanClusterJudge(engine::JudgeExfatDirectoryCluster)}) {
    const auto found = engine::FindOrphanDirectoryClusters(disk::VolumeReader(&source, 0), area, allocation, owned,
                                                           judge, engine::OrphanSearchControl{pump, stop, nullptr});
    uint32_t previous = 0;
    for (const auto& f : found) {
      if (f.cluster < 2 || f.cluster > clusters + 1 || f.cluster <= previous || owned.contains(f.cluster) ||
          allocation.IsAllocated(f.cluster))
        __builtin_trap();
      previous = f.cluster;
    }
    size_t inRuns = 0;
    for (const auto& run : engine::OrphanClusterRuns(found)) inRuns += run.clusters.size();
    if (inRuns != found.size()) __builtin_trap();
  }
  return 0;
}
