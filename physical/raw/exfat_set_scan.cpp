#include "physical/raw/exfat_set_scan.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "disk/device_reader.h"
#include "disk/salvaging_read.h"
#include "disk/sector_source.h"
#include "disk/read_buffer.h"
#include "physical/raw/raw_scan.h"
#include "platform/text_codec.h"

namespace tarnwell::physical::raw {
namespace {

constexpr uint32_t kSectorBytes = 512;
constexpr uint32_t kChunkSectors = 1000;
// The largest set is 19 entries: two sectors of overlap between chunks
// let a set that starts at the end of one chunk be read whole.
constexpr uint32_t kOverlapSectors = 2;
// The vote looks at this many folder sets and set starts; the rescoring
// at this many candidates (chance makes many pairs reach two votes), each
// against at most this many sets.
constexpr size_t kMaxVotingFolders = 256;
constexpr size_t kMaxVotingStarts = 4096;
constexpr size_t kCandidates = 1024;
constexpr size_t kMaxScoredSets = 20000;
// Cluster sizes tried: 512 bytes to 128 KiB.
constexpr uint32_t kClusterSizes[] = {1, 2, 4, 8, 16, 32, 64, 128, 256};
// Folder chains are followed at most this deep; folders of at most this
// many clusters are mapped cluster by cluster.
constexpr int kMaxDepth = 64;
constexpr uint64_t kMaxFolderClusters = 64;

struct Candidate {
  uint32_t clusterSectors;
  uint64_t heapStart;
  bool operator==(const Candidate& o) const {
    return clusterSectors == o.clusterSectors && heapStart == o.heapStart;
  }
};
struct CandidateHash {
  size_t operator()(const Candidate& c) const { return std::hash<uint64_t>()(c.heapStart * 977 + c.clusterSectors); }
};

std::string FolderName(const engine::ExfatEntrySet& set) {
  return platform::SystemToUtf8(engine::ExfatSetToEntry(set).LongName);
}

}  // namespace

std::optional<uint64_t> ExfatRawGeometry::ClusterSector(uint32_t cluster) const {
  if (!Known() || cluster < 2) return std::nullopt;
  return heapStart + uint64_t{cluster - 2} * clusterSectors;
}

std::optional<uint32_t> ExfatRawGeometry::ClusterOf(uint64_t sector) const {
  if (!Known() || sector < heapStart) return std::nullopt;
  const uint64_t c = (sector - heapStart) / clusterSectors + 2;
  if (c > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<uint32_t>(c);
}

void CollectExfatSets(const uint8_t* bytes, size_t size, size_t usable, uint64_t firstSector,
                      std::vector<ExfatFoundSet>& out, size_t limit) {
  usable = std::min(usable, size);
  for (size_t at = 0; at + engine::kExfatEntryBytes <= usable && out.size() < limit;
       at += engine::kExfatEntryBytes) {
    if ((bytes[at] | engine::kExfatInUse) != engine::kExfatFileEntry) continue;
    const std::optional<engine::ExfatEntrySet> set = engine::DecodeExfatEntrySet(bytes + at, size - at);
    if (!set || !set->checksumMatches) continue;
    out.push_back({firstSector + at / kSectorBytes, static_cast<uint32_t>(at % kSectorBytes), *set});
    at += (set->entryCount - 1) * engine::kExfatEntryBytes;
  }
}

std::vector<ExfatFoundSet> FindExfatSets(int16_t driveCode, uint64_t start, uint64_t count,
                                         engine::MessagePump& pump, const bool& stop) {
  std::vector<ExfatFoundSet> sets;
  disk::DiskDevice device(driveCode);
  if (!device.IsOpen()) return sets;
  disk::ReadBuffer buffer(size_t{kChunkSectors} * kSectorBytes);
  const uint64_t end = start + count;
  for (uint64_t address = start; address < end && !stop; address += kChunkSectors - kOverlapSectors) {
    pump.Pump();
    uint32_t bytesRead = 0;
    // A bad sector costs that sector (zeros), not the chunk around it.
    std::vector<disk::SectorRun> bad;
    disk::SectorSource* source = device.Source();
    if (!source || !disk::ReadSalvaging(*source, address, kChunkSectors, buffer.data(), bytesRead, bad)) continue;
    const uint64_t inRange = std::min<uint64_t>(bytesRead / kSectorBytes, end - address);
    // Sets beginning in the overlap are taken by the next chunk.
    const uint64_t own = address + kChunkSectors >= end ? inRange
                                                        : std::min<uint64_t>(inRange, kChunkSectors - kOverlapSectors);
    CollectExfatSets(buffer.data(), static_cast<size_t>(inRange) * kSectorBytes,
                     static_cast<size_t>(own) * kSectorBytes, address, sets, kMaxFoundItems);
  }
  return sets;
}

ExfatRawGeometry CalibrateExfat(const std::vector<ExfatFoundSet>& sets) {
  std::unordered_set<uint64_t> starts;
  std::vector<uint64_t> voters;  // set starts, sorted, for the vote
  for (const ExfatFoundSet& s : sets)
    if (s.offset == 0 && starts.insert(s.sector).second && voters.size() < kMaxVotingStarts)
      voters.push_back(s.sector);
  std::sort(voters.begin(), voters.end());

  std::unordered_map<Candidate, int, CandidateHash> votes;
  size_t folders = 0;
  for (const ExfatFoundSet& s : sets) {
    if (!s.set.IsFolder() || s.set.firstCluster < 2) continue;
    if (++folders > kMaxVotingFolders) break;
    const uint64_t before = uint64_t{s.set.firstCluster - 2};
    for (uint32_t size : kClusterSizes)
      for (uint64_t d : voters)
        if (d >= before * size) ++votes[{size, d - before * size}];
  }
  std::vector<std::pair<Candidate, int>> ranked(votes.begin(), votes.end());
  std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
    if (a.second != b.second) return a.second > b.second;
    if (a.first.clusterSectors != b.first.clusterSectors) return a.first.clusterSectors > b.first.clusterSectors;
    return a.first.heapStart < b.first.heapStart;
  });
  if (ranked.size() > kCandidates) ranked.resize(kCandidates);

  std::vector<uint64_t> sortedStarts(starts.begin(), starts.end());
  std::sort(sortedStarts.begin(), sortedStarts.end());
  ExfatRawGeometry best;
  int bestScore = 0;
  for (const auto& [c, voteCount] : ranked) {
    const ExfatRawGeometry g{c.clusterSectors, c.heapStart};
    int score = 0;
    for (size_t i = 0; i < sets.size() && i < kMaxScoredSets; ++i) {
      const ExfatFoundSet& s = sets[i];
      const std::optional<uint64_t> at = g.ClusterSector(s.set.firstCluster);
      if (!at) continue;
      if (s.set.IsFolder()) {
        // A folder's length is always whole clusters: one that is not
        // rules the cluster size out.
        const uint64_t clusterBytes = uint64_t{c.clusterSectors} * kSectorBytes;
        if (s.set.dataLength == 0 || s.set.dataLength % clusterBytes != 0)
          score -= 2;
        else
          score += starts.count(*at) ? 1 : 0;
        continue;
      }
      // A file whose data would cover a place where entry sets begin
      // speaks against the geometry.
      const uint64_t sectors = (std::min<uint64_t>(s.set.dataLength, uint64_t{1} << 40) + kSectorBytes - 1) /
                               kSectorBytes;
      const auto first = std::lower_bound(sortedStarts.begin(), sortedStarts.end(), *at);
      if (sectors > 0 && first != sortedStarts.end() && *first < *at + sectors) --score;
    }
    if (score > bestScore) {
      bestScore = score;
      best = g;
    }
  }
  return best;
}

std::vector<std::vector<std::string>> ExfatSetFolders(const std::vector<ExfatFoundSet>& sets,
                                                      const ExfatRawGeometry& geometry) {
  // Which folder set owns each cluster: an existing folder's over a
  // deleted one's, the first found otherwise.
  std::unordered_map<uint32_t, size_t> owner;
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < sets.size(); ++i) {
      const engine::ExfatEntrySet& set = sets[i].set;
      if (!set.IsFolder() || set.inUse != (pass == 0)) continue;
      const uint64_t clusterBytes = uint64_t{geometry.clusterSectors} * kSectorBytes;
      const uint64_t clusters = std::clamp<uint64_t>(
          clusterBytes ? (set.dataLength + clusterBytes - 1) / clusterBytes : 1, 1, kMaxFolderClusters);
      for (uint64_t k = 0; k < clusters && set.firstCluster + k <= 0xFFFFFFFFu; ++k)
        owner.emplace(static_cast<uint32_t>(set.firstCluster + k), i);
    }
  std::vector<std::vector<std::string>> paths(sets.size());
  for (size_t i = 0; i < sets.size(); ++i) {
    std::vector<std::string> path;
    std::unordered_set<size_t> seen{i};
    uint64_t sector = sets[i].sector;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
      const std::optional<uint32_t> cluster = geometry.ClusterOf(sector);
      const auto it = cluster ? owner.find(*cluster) : owner.end();
      if (it == owner.end() || !seen.insert(it->second).second) {
        path.push_back(cluster ? "[Folder]" + std::to_string(*cluster) : "[Folder]");
        break;
      }
      path.push_back(FolderName(sets[it->second].set));
      sector = sets[it->second].sector;
    }
    std::reverse(path.begin(), path.end());
    paths[i] = std::move(path);
  }
  return paths;
}

}  // namespace tarnwell::physical::raw
