#include "physical/raw/folder_clusters.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_set>
#include <vector>

#include "disk/sector_source.h"
#include "engine/fat/orphan_cluster.h"
#include "physical/physical_drive.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/raw_scan.h"

namespace tarnwell::physical::raw {
namespace {

// A folder holds at most 65,536 entries of 32 bytes: its chain is no
// longer than the clusters they fill.
constexpr uint64_t kMostFolderBytes = uint64_t{65536} * 32;

struct OrphanCluster {
  uint32_t cluster = 0;
  uint64_t sector = 0;
  bool endsFolder = false;
};

class FolderClusterWork {
 public:
  FolderClusterWork(TPhysicalDrive& drive, disk::SectorSource& source)
      : drive_(drive), entry_(*drive.CurrentPartition), source_(source),
        clusterSectors_(entry_.FatClusterSectors), buffer_(size_t{clusterSectors_} * 512) {}

  bool Usable() const {
    return entry_.FatDataStart != kDataStartUnknown && clusterSectors_ > 0 && clusterSectors_ <= 128;
  }

  void FollowChains(const FatTableLocation& where, std::span<const FolderRead> folders, FolderExtension& done) {
    const FatGeometry& g = where.geometry;
    if (g.clusterSectors != clusterSectors_ || g.dataStart != entry_.FatDataStart) return;
    RawFatTable fat(source_, where);
    if (!fat.LooksFormatted()) return;
    const size_t limit = static_cast<size_t>(std::max<uint64_t>(1, kMostFolderBytes / (uint64_t{clusterSectors_} * 512)));
    std::vector<std::pair<const FolderRead*, FolderChain>> chained;
    for (const FolderRead& folder : folders) {
      if (Stopped()) return;
      // The root of FAT32 starts at the cluster its boot sector names; the
      // root read at cluster 2 is followed only when that is the one.
      const uint32_t first = folder.isRoot ? (where.rootCluster ? where.rootCluster : 0) : folder.cluster;
      if (first != folder.cluster || ClusterSector(entry_, first) != folder.sector) continue;
      FolderChain chain = FollowFolderChain(fat, first, limit);
      if (chain.chained) chained.emplace_back(&folder, std::move(chain));
    }
    // The chain names exactly the folder's clusters: what the first read
    // took from the clusters after the first one is read again from the
    // right ones.
    std::unordered_set<uint64_t> reread;
    for (const auto& [folder, chain] : chained) reread.insert(folder->sector);
    std::erase_if(entry_.FatEntries, [&](const auto& e) { return reread.contains(e->DirSector); });
    for (const auto& [folder, chain] : chained) {
      FolderClusterParser parser(folder->sector, folder->cluster);
      Own(folder->cluster);
      for (const uint32_t c : chain.clusters) {
        Own(c);
        chainOwned_.insert(c);
      }
      if (!ParseCluster(parser, folder->cluster, !folder->isRoot)) continue;
      for (const uint32_t c : chain.clusters) {
        ++done.chainClusters;
        if (!ParseCluster(parser, c, false)) break;
      }
      chainedSectors_.insert(folder->sector);
      ++done.chainedFolders;
    }
  }

  // The clusters the folders not chained took in their first read.
  void OwnFirstReads(std::span<const FolderRead> folders) {
    for (const FolderRead& folder : folders) {
      if (chainedSectors_.contains(folder.sector)) continue;
      const std::optional<uint32_t> first = ClusterAt(folder.sector);
      if (!first) continue;
      const uint64_t extent = std::max<uint64_t>(1, folder.parse.end == engine::SpanEnd::kBytesDone
                                                        ? folder.bytesRead : folder.parse.bytesUsed);
      const uint64_t clusters = (extent + ClusterBytes() - 1) / ClusterBytes();
      for (uint64_t k = 0; k < clusters && uint64_t{*first} + k <= UINT32_MAX; ++k)
        Own(static_cast<uint32_t>(*first + k));
    }
  }

  // The landmark pass's entry sectors that begin a cluster no folder owns
  // and whose whole cluster holds directory entries.
  void FindOrphans() {
    for (const uint64_t sector : entry_.EntrySectors) {
      if (orphans_.size() >= kMaxOrphanClusters || Stopped()) break;
      const std::optional<uint32_t> c = ClusterAt(sector);
      if (!c || owned_.contains(*c)) continue;
      if (!ReadCluster(*c)) continue;
      const engine::OrphanClusterVerdict verdict = engine::JudgeOrphanCluster(buffer_);
      if (verdict.directory) orphans_.emplace(*c, OrphanCluster{*c, sector, verdict.endsFolder});
    }
  }

  // A folder whose first read ran to its end without an end marker (the
  // read's limit, which may fall inside a cluster) goes on in the clusters
  // next to it while they hold directory entries and nothing else claims
  // them: it is read again cluster by cluster from its first one.
  void ReadOnAdjacent(std::span<const FolderRead> folders, FolderExtension& done) {
    const uint64_t limit = std::max<uint64_t>(1, kMostFolderBytes / ClusterBytes());
    for (const FolderRead& folder : folders) {
      if (Stopped()) return;
      if (folder.isRoot || chainedSectors_.contains(folder.sector) || folder.parse.end != engine::SpanEnd::kBytesDone)
        continue;
      const std::optional<uint32_t> first = ClusterAt(folder.sector);
      if (!first || !ReadCluster(*first)) continue;
      std::erase_if(entry_.FatEntries, [&](const auto& e) { return e->DirSector == folder.sector; });
      FolderClusterParser parser(folder.sector, folder.cluster);
      bool open = ParseRead(parser, true);
      // The whole clusters of the first read passed its rules already;
      // those after it must hold directory entries only.
      const uint64_t readWhole = folder.bytesRead / ClusterBytes();
      for (uint64_t k = 1; open && k < limit && uint64_t{*first} + k <= UINT32_MAX; ++k) {
        const uint32_t c = static_cast<uint32_t>(*first + k);
        if (chainOwned_.contains(c) || !ReadCluster(c)) break;
        bool ends = false;
        if (k >= readWhole) {
          const engine::OrphanClusterVerdict verdict = engine::JudgeOrphanCluster(buffer_);
          if (!verdict.directory) break;
          ends = verdict.endsFolder;
          orphans_.erase(c);
          owned_.insert(c);
          ++done.adjacentClusters;
        }
        open = ParseRead(parser, false) && !ends;
      }
    }
  }

  // The orphans left, as runs of neighbouring clusters (a long name may
  // cross from one into the next), under the lost-entries key.
  void ListLost(FolderExtension& done) {
    const size_t before = entry_.FatEntries.size();
    std::optional<FolderClusterParser> parser;
    uint32_t previous = 0;
    bool previousEnded = true;
    for (const auto& [c, orphan] : orphans_) {
      if (Stopped()) break;
      if (!parser || previousEnded || c != previous + 1) parser.emplace(kLostEntriesSector, c);
      ++done.lostClusters;
      (void)ParseCluster(*parser, c, false);
      previous = c;
      previousEnded = orphan.endsFolder;
    }
    done.lostEntries = entry_.FatEntries.size() - before;
    if (done.lostEntries > 0) entry_.DirSectors.push_back(kLostEntriesSector);
  }

 private:
  uint64_t ClusterBytes() const { return uint64_t{clusterSectors_} * 512; }

  // The pump lets the stop command through between clusters (it returns
  // at once when called again within a few milliseconds).
  bool Stopped() {
    drive_.Window().pump.Pump();
    return drive_.StopRequested;
  }

  // The cluster that begins at this sector, if one does and it lies in
  // the range.
  std::optional<uint32_t> ClusterAt(uint64_t sector) const {
    if (sector < entry_.FatDataStart || sector >= entry_.AbsoluteEnd()) return std::nullopt;
    const uint64_t offset = sector - entry_.FatDataStart;
    if (offset % clusterSectors_ != 0 || offset / clusterSectors_ > UINT32_MAX - 2) return std::nullopt;
    return static_cast<uint32_t>(offset / clusterSectors_ + 2);
  }

  void Own(uint32_t c) { owned_.insert(c); }

  bool ReadCluster(uint32_t c) {
    const std::optional<uint64_t> at = ClusterSector(entry_, c);
    if (!at || *at < entry_.AbsoluteStart() || *at >= entry_.AbsoluteEnd() ||
        entry_.AbsoluteEnd() - *at < clusterSectors_)
      return false;
    uint32_t bytesRead = 0;
    return source_.Read(*at, clusterSectors_, buffer_.data(), bytesRead) && bytesRead >= buffer_.size();
  }

  // False when the cluster could not be read or the folder ended in it.
  bool ParseCluster(FolderClusterParser& parser, uint32_t c, bool skipDots) {
    return ReadCluster(c) && ParseRead(parser, skipDots);
  }
  // Parses the cluster last read; false when the folder ended in it.
  bool ParseRead(FolderClusterParser& parser, bool skipDots) {
    if (entry_.FatEntries.size() >= kMaxFoundItems) return false;
    const DirectoryParse parse = parser.Add(buffer_, skipDots, entry_.FatEntries);
    if (entry_.FatEntries.size() > kMaxFoundItems) entry_.FatEntries.resize(kMaxFoundItems);
    return parse.end == engine::SpanEnd::kBytesDone;
  }

  TPhysicalDrive& drive_;
  TPartiEntry& entry_;
  disk::SectorSource& source_;
  uint32_t clusterSectors_;
  std::vector<uint8_t> buffer_;
  std::unordered_set<uint32_t> owned_;
  std::unordered_set<uint32_t> chainOwned_;  // named by a folder's FAT chain
  std::unordered_set<uint64_t> chainedSectors_;
  std::map<uint32_t, OrphanCluster> orphans_;
};

}  // namespace

FolderExtension ExtendFoundFolders(TPhysicalDrive& drive, disk::SectorSource& source,
                                   const std::optional<FatTableLocation>& table, std::span<const FolderRead> folders) {
  FolderExtension done;
  if (!drive.CurrentPartition) return done;
  FolderClusterWork work(drive, source);
  if (!work.Usable()) return done;
  if (table) work.FollowChains(*table, folders, done);
  work.OwnFirstReads(folders);
  work.FindOrphans();
  work.ReadOnAdjacent(folders, done);
  work.ListLost(done);
  return done;
}

}  // namespace tarnwell::physical::raw
