#pragma once
// The exFAT folder walk of the standard scan: every entry set of every
// folder, existing and deleted, from the root down; then the free clusters
// that still hold sets no listed folder owns.
#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

#include "engine/exfat/entry_set.h"
#include "engine/exfat/exfat_layout.h"
#include "engine/orphan_directory_search.h"
#include "engine/recoverability.h"
#include "engine/window_interfaces.h"

namespace tarnwell::engine {

class ExfatWalker {
 public:
  // Walks the drive's volume into its entry list; stop is the engine's
  // stop flag.
  ExfatWalker(TLogiDrive& drive, MessagePump& pump, StatusPanel& status, const bool& stop);

  void WalkRoot();
  // After the walk: the free clusters that hold entry sets no listed folder
  // owns. A stretch of them that completes a set a deleted folder's last
  // cluster cut is that folder's own, and is listed in it; the rest go
  // under one lost-entries node (engine/exfat/exfat_lost_entries.cpp).
  void WalkLost(ClusterAllocation& allocation, ProgressBar& progress);

 private:
  struct Pending {
    TMidEntry* folder;
    bool contiguous;
    uint64_t length;
  };

  // The start of a set that the end of a deleted folder's bytes cut.
  struct CutTail {
    TMidEntry* folder;
    uint32_t key;
    int depth;
    std::vector<uint8_t> piece;  // the set's entries up to the cut
    uint64_t offset;             // volume offset of its file entry
  };
  // A set joined from a cut piece and the stretch that goes on with it.
  struct JoinedSet {
    ExfatEntrySet set;
    uint64_t offset;  // volume offset of its file entry
  };
  // Cut sets kept, and joins tried, at most: a hostile volume of cut sets
  // cannot make the search quadratic.
  static constexpr size_t kMostCutTails = 4096;
  static constexpr size_t kMostJoinTries = size_t{1} << 16;

  // Lost clusters read as one stretch of a folder.
  struct Stretch {
    std::vector<uint32_t> clusters;
    std::vector<uint8_t> bytes;
  };

  // The found clusters as runs of neighbours, put in order where a set cut
  // at one's end goes on at another's start (the joined set's checksum
  // says so).
  std::vector<Stretch> ChainStretches(const std::vector<OrphanDirectoryCluster>& found);
  // The clusters of the deleted folders whose sets lie in the chains: each
  // such folder reads them itself when it is walked.
  std::unordered_set<uint32_t> FolderClustersIn(const std::vector<Stretch>& chains) const;

  void Walk(TMidEntry* folder, uint32_t key, bool contiguous, uint64_t length, int depth);
  // Lists the sets of a folder's bytes, read from clusters, under folder
  // with key, then walks the folders among them. With joined, the bytes go
  // on from that set, which is listed first.
  void ListSets(TMidEntry* folder, uint32_t key, const std::vector<uint8_t>& bytes,
                const std::vector<uint32_t>& clusters, int depth, const JoinedSet* joined = nullptr);
  // Where the byte at offset of a folder read from these clusters lies in
  // the volume; 0 when the clusters do not place it.
  uint64_t VolumeOffset(const std::vector<uint32_t>& clusters, size_t offset) const;

  TLogiDrive& drive_;
  const ExfatLayout layout_;
  MessagePump& pump_;
  StatusPanel& status_;
  const bool& stop_;
  uint64_t budget_ = 0;
  // Folder clusters already walked, each with whether it was walked as a
  // deleted folder: no cluster is walked twice in the same role, so cycles
  // end and work stays bounded.
  std::unordered_set<uint64_t> walked_;
  // The clusters read as a folder's: no orphan search takes them.
  std::unordered_set<uint32_t> owned_;
  std::vector<CutTail> cutTails_;
};

}  // namespace tarnwell::engine
