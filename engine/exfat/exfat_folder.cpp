#include "engine/exfat/exfat_folder.h"

#include <algorithm>

#include "engine/exfat/exfat_cut_sets.h"

#include "common/little_endian.h"

namespace tarnwell::engine {

std::vector<uint8_t> ReadExfatFolder(const TLogiDrive& drive, const ExfatLayout& layout,
                                     uint32_t first, bool contiguous, uint64_t length,
                                     std::vector<uint32_t>* read) {
  if (!layout.IsDataCluster(first)) return {};
  const uint64_t limit = std::max<uint64_t>(1, kExfatMaxFolderBytes / layout.ClusterBytes());
  std::vector<uint32_t> clusters;
  if (contiguous) {
    const uint64_t count = std::min(std::max<uint64_t>(layout.ClustersFor(length), 1), limit);
    for (uint64_t i = 0; i < count && layout.IsDataCluster(static_cast<uint32_t>(first + i)); ++i)
      clusters.push_back(static_cast<uint32_t>(first + i));
  } else {
    clusters = ReadExfatChain(drive, layout, first, limit).clusters;
  }
  return ReadExfatClusters(drive, layout, clusters, read);
}

std::vector<uint8_t> ReadExfatClusters(const TLogiDrive& drive, const ExfatLayout& layout,
                                       const std::vector<uint32_t>& clusters, std::vector<uint32_t>* read) {
  const uint64_t clusterBytes = layout.ClusterBytes();
  std::vector<uint8_t> bytes(clusters.size() * clusterBytes);
  size_t done = 0;
  for (const uint32_t c : clusters) {
    if (!ReadExfatCluster(drive.Reader(), layout, c, bytes.data() + done)) break;
    done += clusterBytes;
    if (read) read->push_back(c);
  }
  bytes.resize(done);
  return bytes;
}

size_t ForEachExfatEntrySet(const uint8_t* bytes, size_t size, bool stopAtEnd,
                            const std::function<void(const ExfatEntrySet&, size_t offset)>& found) {
  size_t at = 0;
  while (at + kExfatEntryBytes <= size) {
    if (stopAtEnd && bytes[at] == 0) break;
    const std::optional<ExfatEntrySet> set = DecodeExfatEntrySet(bytes + at, size - at);
    if (set && set->checksumMatches) {
      found(*set, at);
      at += set->entryCount * kExfatEntryBytes;
    } else {
      at += kExfatEntryBytes;
    }
  }
  return at;
}

ExfatBitmap ReadExfatBitmap(const TLogiDrive& drive, const ExfatLayout& layout) {
  const std::vector<uint8_t> root =
      ReadExfatFolder(drive, layout, layout.RootCluster(), false, 0);
  for (size_t at = 0; at + kExfatEntryBytes <= root.size(); at += kExfatEntryBytes) {
    const uint8_t* e = root.data() + at;
    if (e[0] == 0) break;
    // Bit 0 of the flags names the bitmap of the first FAT, the one in use
    // on every volume with one FAT.
    if (e[0] != kExfatBitmapEntry || (e[1] & 1) != 0) continue;
    const uint32_t first = LoadLE32(e + 20);
    const uint64_t needed = (static_cast<uint64_t>(layout.ClusterCount()) + 7) / 8;
    const std::vector<uint8_t> data = ReadExfatFolder(drive, layout, first, true, needed);
    if (data.size() < needed) return {};
    return ExfatBitmap(std::vector<uint8_t>(data.begin(), data.begin() + static_cast<ptrdiff_t>(needed)),
                       layout.ClusterCount());
  }
  return {};
}

}  // namespace tarnwell::engine

namespace tarnwell::engine {

std::optional<OrphanClusterFacts> JudgeExfatDirectoryCluster(std::span<const uint8_t> cluster) {
  size_t sets = 0;
  const size_t examined =
      ForEachExfatEntrySet(cluster.data(), cluster.size(), true, [&sets](const ExfatEntrySet&, size_t) { ++sets; });
  const bool ended = examined + kExfatEntryBytes <= cluster.size();
  if (sets > 0) return OrphanClusterFacts{false, ended};
  // The last name entries of a set that the cluster before it cut, and
  // then the end of the folder: only the joined set can tell whose.
  const size_t opening = LeadingSecondaries(cluster);
  const size_t after = opening * kExfatEntryBytes;
  if (opening == 0 || after + kExfatEntryBytes > cluster.size() || cluster[after] != 0) return std::nullopt;
  return OrphanClusterFacts{false, true};
}

}  // namespace tarnwell::engine
