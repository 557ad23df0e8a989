// The exFAT sets that only free clusters still hold: a deleted folder's
// later clusters, which lie past its files' data, and what a quick format
// left of the old folders.
#include <algorithm>

#include "engine/exfat/exfat_cut_sets.h"
#include "engine/exfat/exfat_folder.h"
#include "engine/exfat/exfat_walker.h"
#include "engine/lost_entries_node.h"

namespace tarnwell::engine {

void ExfatWalker::WalkLost(ClusterAllocation& allocation, ProgressBar& progress) {
  if (stop_) return;
  status_.SetText(" " + LostEntriesName());
  const OrphanSearchArea area{2, static_cast<uint32_t>(layout_.ClusterCount() + 1), layout_.SectorsPerCluster(),
                              [this](uint32_t c) { return layout_.ClusterSector(c); }};
  const std::vector<OrphanDirectoryCluster> found = FindOrphanDirectoryClusters(
      drive_.Reader(), area, allocation, owned_, JudgeExfatDirectoryCluster,
      OrphanSearchControl{pump_, stop_, &progress});
  if (found.empty() || stop_) return;
  std::vector<Stretch> chains = ChainStretches(found);
  for (const Stretch& chain : chains) owned_.insert(chain.clusters.begin(), chain.clusters.end());
  const std::unordered_set<uint32_t> theirs = FolderClustersIn(chains);

  // Pieces a cluster boundary cut off a deleted folder's last set.
  std::vector<bool> attached(chains.size(), false);
  size_t tries = 0;
  for (const CutTail& tail : cutTails_) {
    for (size_t k = 0; k < chains.size() && !stop_; ++k) {
      if (attached[k]) continue;
      if (++tries > kMostJoinTries) break;
      if (theirs.contains(chains[k].clusters.front())) continue;
      const std::optional<ExfatEntrySet> set = JoinCutSet(tail.piece, chains[k].bytes);
      if (!set) continue;
      attached[k] = true;
      const JoinedSet joined{*set, tail.offset};
      ListSets(tail.folder, tail.key, chains[k].bytes, chains[k].clusters, tail.depth, &joined);
      break;
    }
  }

  const size_t nodeIndex = drive_.FatEntries.size();
  drive_.FatEntries.push_back(MakeLostEntriesNode(drive_));
  TMidEntry* node = drive_.FatEntries.back().get();
  const uint32_t key = LostEntriesKey(kExfat);
  for (size_t k = 0; k < chains.size() && !stop_; ++k) {
    if (attached[k]) continue;
    // The chain split where a found folder's own clusters lie: that
    // folder lists them when it is walked.
    Stretch part;
    const auto list = [&] {
      if (!part.clusters.empty()) ListSets(node, key, part.bytes, part.clusters, 0);
      part = Stretch{};
    };
    const Stretch& chain = chains[k];
    for (size_t i = 0; i < chain.clusters.size(); ++i) {
      if (theirs.contains(chain.clusters[i])) {
        list();
        continue;
      }
      part.clusters.push_back(chain.clusters[i]);
      const auto from = chain.bytes.begin() + static_cast<ptrdiff_t>(i * layout_.ClusterBytes());
      part.bytes.insert(part.bytes.end(), from, from + static_cast<ptrdiff_t>(layout_.ClusterBytes()));
    }
    list();
  }
  if (drive_.FatEntries.size() == nodeIndex + 1) drive_.FatEntries.pop_back();
}

std::vector<ExfatWalker::Stretch> ExfatWalker::ChainStretches(const std::vector<OrphanDirectoryCluster>& found) {
  std::vector<Stretch> runs;
  std::vector<std::vector<uint8_t>> ends;  // what the joins look at: each run's first and last entries
  for (const OrphanClusterRun& run : OrphanClusterRuns(found)) {
    Stretch stretch;
    stretch.bytes = ReadExfatClusters(drive_, layout_, run.clusters, &stretch.clusters);
    if (stretch.clusters.empty()) continue;
    ends.push_back(CutSetEnds(stretch.bytes));
    runs.push_back(std::move(stretch));
  }
  std::vector<Stretch> chains;
  for (const std::vector<size_t>& order : ChainCutStretches(ends)) {
    Stretch chain;
    for (const size_t k : order) {
      chain.clusters.insert(chain.clusters.end(), runs[k].clusters.begin(), runs[k].clusters.end());
      chain.bytes.insert(chain.bytes.end(), runs[k].bytes.begin(), runs[k].bytes.end());
      runs[k].bytes = {};
    }
    chains.push_back(std::move(chain));
  }
  return chains;
}

std::unordered_set<uint32_t> ExfatWalker::FolderClustersIn(const std::vector<Stretch>& chains) const {
  std::unordered_set<uint32_t> theirs;
  const uint64_t most = kExfatMaxFolderBytes / layout_.ClusterBytes() + 1;
  for (const Stretch& chain : chains) {
    ForEachExfatEntrySet(chain.bytes.data(), chain.bytes.size(), false, [&](const ExfatEntrySet& set, size_t) {
      if (!set.IsFolder() || !layout_.IsDataCluster(set.firstCluster)) return;
      const uint64_t count = std::min<uint64_t>(std::max<uint64_t>(layout_.ClustersFor(set.dataLength), 1), most);
      for (uint64_t k = 0; k < count && layout_.IsDataCluster(static_cast<uint32_t>(set.firstCluster + k)); ++k)
        theirs.insert(static_cast<uint32_t>(set.firstCluster + k));
    });
  }
  return theirs;
}

}  // namespace tarnwell::engine
