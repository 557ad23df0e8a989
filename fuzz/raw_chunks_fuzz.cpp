// The raw-range scan's chunk parsers on any bytes: a FAT directory chunk
// (root or not, both FAT kinds), a folder read cluster by cluster, the
// judge of clusters no folder owns, a boot sector's FAT and the chains in
// it, a FILE record found on its own, a boot sector's geometry and the
// folder check of a geometry.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <vector>

#include "disk/memory_sector_source.h"
#include "engine/fat/orphan_cluster.h"
#include "physical/raw/raw_fat_table.h"

#include "engine/fat/dir_span.h"
#include "engine/recovery/output_times.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry_evidence.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/landmarks.h"
#include "physical/raw/ntfs_found_record.h"

using namespace tarnwell::physical;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  for (uint8_t kind : {raw::kFat1216, raw::kFat32Kind}) {
    for (bool root : {false, true}) {
      std::vector<std::unique_ptr<FoundFatEntry>> out;
      raw::ParseDirectoryBytes(bytes, root, kind, 1234, out);
      for (const auto& e : out) {
        volatile size_t n = raw::RawEntryName(*e).size();
        (void)n;
      }
    }
  }
  // The bytes as one folder's clusters read one after the other, and as a
  // cluster no folder owns: a verdict never claims more bytes than given,
  // nor a directory without an entry.
  raw::FolderClusterParser clusters(77, 5);
  std::vector<std::unique_ptr<FoundFatEntry>> chained;
  for (size_t at = 0; at < size; at += 512) {
    const auto piece = bytes.subspan(at, std::min<size_t>(512, size - at));
    if (clusters.Add(piece, at == 0, chained).bytesUsed > piece.size()) __builtin_trap();
    const auto orphan = tarnwell::engine::JudgeOrphanCluster(piece);
    if (orphan.entriesBytes > piece.size()) __builtin_trap();
    if (orphan.directory && orphan.liveEntries + orphan.deletedEntries == 0) __builtin_trap();
  }
  // The bytes as a boot sector's FAT and the FAT itself (the input again,
  // as a memory disk): a chain walk stays inside its limit and names only
  // data clusters, each once.
  if (auto where = raw::FatTableFromBootSector(bytes, 0)) {
    if (where->maxCluster < 2) __builtin_trap();
    tarnwell::disk::MemorySectorSource disk(
        std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end()), 0, size);
    raw::RawFatTable fat(disk, *where);
    volatile bool formatted = fat.LooksFormatted();
    (void)formatted;
    for (uint32_t first : {uint32_t{2}, where->rootCluster, uint32_t{3}}) {
      const raw::FolderChain chain = raw::FollowFolderChain(fat, first, 64);
      if (chain.clusters.size() > 64) __builtin_trap();
      std::set<uint32_t> seen{first};
      for (uint32_t c : chain.clusters)
        if (c < 2 || c > where->maxCluster || !seen.insert(c).second) __builtin_trap();
    }
  }
  // The continuation test of a deleted folder's further clusters, and the
  // FAT32 hint of a directory start.
  size_t entriesBytes = 0;
  const auto check = tarnwell::engine::CheckContinuation(bytes, entriesBytes);
  if (check != tarnwell::engine::ContinuationCheck::kNotDirectory && entriesBytes > size) __builtin_trap();
  if (size >= 512) {
    volatile bool hint = raw::HasFat32Hint(data);
    (void)hint;
  }
  if (size >= 8) {
    tarnwell::engine::RawDirEntry e;
    for (size_t i = 0; i < 8; ++i) e.bytes[14 + i] = data[i];
    volatile bool known = tarnwell::engine::FatEntryTimes(e).modified.has_value();
    uint64_t ft = 0;
    for (size_t i = 0; i < 8; ++i) ft |= uint64_t{data[i]} << (8 * i);
    known = tarnwell::engine::FileTimeToTimespec(ft).has_value();
    (void)known;
  }
  // The bytes as a boot sector, and as folder landmarks (sector, cluster)
  // for the geometry that places most of them: what it finds must place
  // as many as it says.
  if (auto boot = raw::GeometryFromBootSector(bytes, 2048)) {
    if (boot->clusterSectors == 0 || boot->clusterSectors > 128) __builtin_trap();
  }
  std::vector<raw::FolderLandmark> folders;
  for (size_t i = 0; i + 12 <= size && folders.size() < 4096; i += 12) {
    uint64_t sector = 0;
    uint32_t cluster = 0;
    for (size_t k = 0; k < 8; ++k) sector |= uint64_t{data[i + k]} << (8 * k);
    for (size_t k = 0; k < 4; ++k) cluster |= uint32_t{data[i + 8 + k]} << (8 * k);
    folders.push_back({sector, cluster});
  }
  size_t placed = 0;
  if (auto g = raw::GeometryFromFolders(folders, raw::kFat32Kind, placed)) {
    if (placed < 2 || raw::FoldersPlaced(*g, folders) != placed) __builtin_trap();
  }
  raw::ClusterVotes votes{};
  if (auto record = raw::ParseFoundRecord(bytes, 99, votes)) {
    volatile size_t n = record->Name.size();
    (void)n;
  }
  volatile uint32_t voted = raw::VotedClusterSectors(votes);
  (void)voted;
  return 0;
}
