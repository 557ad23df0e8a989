#pragma once
// Telling a cluster of FAT directory entries from other data by its bytes
// alone, for the clusters no folder's chain reaches: a folder's later
// clusters once its FAT is gone (a quick format, a deleted folder), or
// those of a folder whose first cluster is lost. Such a cluster does not
// begin with "." and "..", so only its contents can say what it is.
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnwell::engine {

struct OrphanClusterVerdict {
  // Every entry up to the end marker is well-formed, every byte after it
  // is zero (a folder's new cluster is cleared before use), and at least
  // one entry names a file or folder, live or deleted.
  bool directory = false;
  // An end marker follows the entries: the folder ends in this cluster.
  // Without one, its entries may go on in the folder's next cluster.
  bool endsFolder = false;
  size_t entriesBytes = 0;  // leading bytes holding entries, up to the end marker
  uint32_t liveEntries = 0;     // short entries of files and folders in use
  uint32_t deletedEntries = 0;  // short entries marked deleted (0xE5)
};

// The verdict on one cluster's bytes (any whole number of 32-byte entries;
// a trailing part entry is not looked at). A cluster that begins a folder
// ("." then "..") is not an orphan: the landmark pass finds those.
OrphanClusterVerdict JudgeOrphanCluster(std::span<const uint8_t> cluster);

}  // namespace tarnwell::engine

#include <optional>

#include "engine/orphan_directory_search.h"

namespace tarnwell::engine {

// The standard scan's judge of a free cluster: entries as above, or the
// first cluster of a folder ("." and "..") whose entry is gone, when it
// holds more than its two dots.
std::optional<OrphanClusterFacts> JudgeFatDirectoryCluster(std::span<const uint8_t> cluster);

}  // namespace tarnwell::engine
