#pragma once
// The free clusters of a FAT or exFAT volume that still hold directory
// entries no listed folder owns. A folder grows after its files are
// written, so its later clusters lie past their data; once the folder is
// deleted, nothing leads to them but their bytes. The search reads the
// free clusters in long runs, at the read rate, and asks a judge of the
// file system's entries about each cluster.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <unordered_set>
#include <vector>

#include "disk/volume_reader.h"
#include "engine/recoverability.h"
#include "engine/window_interfaces.h"

namespace tarnwell::engine {

// At most this many clusters, and clusters of this many bytes in all, are
// kept: a volume of nothing but entry-like clusters must not grow the list,
// or the entries listed from it, without end. 64 MiB hold two million
// entries, many times what any card's lost folders do.
inline constexpr size_t kMaxOrphanDirectoryClusters = size_t{1} << 18;
inline constexpr uint64_t kMaxOrphanDirectoryBytes = uint64_t{64} << 20;

// The clusters a search covers and where they lie.
struct OrphanSearchArea {
  uint32_t firstCluster = 2;
  uint32_t lastCluster = 0;  // inclusive
  uint32_t sectorsPerCluster = 0;
  // First volume sector of a cluster; nullopt when it has none.
  std::function<std::optional<uint64_t>(uint32_t)> clusterSector;
};

// What a judge says of a cluster that holds directory entries.
struct OrphanClusterFacts {
  bool startsFolder = false;  // it begins a folder ("." and ".." on FAT)
  bool endsFolder = false;    // an end marker follows its entries
};
using OrphanClusterJudge = std::function<std::optional<OrphanClusterFacts>(std::span<const uint8_t>)>;

struct OrphanDirectoryCluster {
  uint32_t cluster = 0;
  OrphanClusterFacts facts;
};

struct OrphanSearchControl {
  MessagePump& pump;
  const bool& stop;
  ProgressBar* progress = nullptr;  // moved 0-100 over the area when given
};

// The clusters of the area that are free in the allocation map, not in
// owned, and that the judge takes for directory entries, in cluster order.
// A run that cannot be read is tried cluster by cluster; an unreadable
// cluster is passed over (the reader reports it).
std::vector<OrphanDirectoryCluster> FindOrphanDirectoryClusters(disk::VolumeReader volume,
                                                                const OrphanSearchArea& area,
                                                                ClusterAllocation& allocation,
                                                                const std::unordered_set<uint32_t>& owned,
                                                                const OrphanClusterJudge& judge,
                                                                const OrphanSearchControl& control);

// Found clusters as runs of neighbours, each to be read as one stretch of a
// folder: a run breaks at a gap, after a cluster that ends a folder and
// before one that starts one.
struct OrphanClusterRun {
  std::vector<uint32_t> clusters;
  bool startsFolder = false;  // its first cluster begins a folder
};
std::vector<OrphanClusterRun> OrphanClusterRuns(std::span<const OrphanDirectoryCluster> found);

}  // namespace tarnwell::engine
