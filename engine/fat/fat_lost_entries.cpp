// The FAT entries that only free clusters still hold: a deleted folder's
// later clusters, which lie past its files' data, and the first clusters
// of folders whose own entry is gone. They are listed under one node.
#include <vector>

#include "engine/fat/fat_layout.h"
#include "engine/fat/orphan_cluster.h"
#include "engine/lost_entries_node.h"
#include "engine/orphan_directory_search.h"
#include "engine/undelete.h"

namespace tarnwell::engine {
namespace {

std::vector<FatFolderRead> LostRunReads(const FatLayout& layout, const std::vector<uint32_t>& run) {
  std::vector<FatFolderRead> reads;
  for (const uint32_t c : run) {
    const std::optional<uint64_t> lba = layout.ClusterSector(c);
    if (lba) reads.push_back({*lba, layout.SectorsPerCluster(), c, reads.empty()});
  }
  return reads;
}

}  // namespace

void TUndelete::ListLostFatEntries(StatusPanel& status, ProgressBar& progress) {
  if (StopRequested || !CurrentDrive || !SearchFreeClusters) return;
  ClusterAllocation* allocation = Allocation();
  if (!allocation) return;
  TLogiDrive& drive = *CurrentDrive;
  const FatLayout layout(drive);
  status.SetText(" " + LostEntriesName());
  const OrphanSearchArea area{2, layout.MaxCluster(), layout.SectorsPerCluster(),
                              [&layout](uint32_t c) { return layout.ClusterSector(c); }};
  const std::vector<OrphanDirectoryCluster> found =
      FindOrphanDirectoryClusters(drive.Reader(), area, *allocation, fatFolderClusters_, JudgeFatDirectoryCluster,
                                  OrphanSearchControl{pump_, StopRequested, &progress});
  if (found.empty() || StopRequested) return;

  // Stretches that begin no folder go first, all of them claimed before
  // any is read, so that a folder listed from them cannot take one as its
  // own later cluster and list its entries twice. The first clusters of
  // folders whose entry is gone come after: a folder listed on the way
  // has read its own already.
  const std::vector<OrphanClusterRun> runs = OrphanClusterRuns(found);
  for (const OrphanClusterRun& run : runs)
    if (!run.startsFolder) fatFolderClusters_.insert(run.clusters.begin(), run.clusters.end());
  const size_t nodeIndex = drive.FatEntries.size();
  drive.FatEntries.push_back(MakeLostEntriesNode(drive));
  TMidEntry* node = drive.FatEntries.back().get();
  const uint32_t key = LostEntriesKey(drive.FsKind);
  const std::string what = "the lost entries";
  for (const bool folders : {false, true}) {
    std::vector<FatFolderRead> reads;
    for (const OrphanClusterRun& run : runs) {
      if (run.startsFolder != folders) continue;
      if (folders && fatFolderClusters_.contains(run.clusters.front())) continue;
      if (folders) fatFolderClusters_.insert(run.clusters.begin(), run.clusters.end());
      const std::vector<FatFolderRead> more = LostRunReads(layout, run.clusters);
      reads.insert(reads.end(), more.begin(), more.end());
    }
    if (!reads.empty()) (void)ReadFatFolder(node, key, reads, false, what, status, true);
  }
  // Clusters that looked like entries but held none worth listing leave
  // no empty node behind.
  if (drive.FatEntries.size() == nodeIndex + 1) drive.FatEntries.pop_back();
}

}  // namespace tarnwell::engine
