// The exFAT folder walk: every entry set of every folder, existing and
// deleted, from the root down.
#include <algorithm>
#include <array>
#include <exception>
#include <unordered_set>
#include <vector>

#include "engine/entry_order.h"
#include "engine/exfat/exfat_folder.h"
#include "engine/exfat/exfat_layout.h"
#include "engine/undelete.h"

namespace tarnwell::engine {
namespace {

// Deeper nesting than any path Linux can hold; a hostile image cannot
// exhaust the stack with it.
constexpr int kMaxFolderDepth = 1024;

uint64_t WalkKey(uint32_t cluster, bool deleted) {
  return (static_cast<uint64_t>(cluster) << 1) | (deleted ? 1 : 0);
}

class ExfatWalker {
 public:
  ExfatWalker(TLogiDrive& drive, MessagePump& pump, StatusPanel& status, const bool& stop)
      : drive_(drive), layout_(drive), pump_(pump), status_(status), stop_(stop) {
    // Deleted folders are read contiguously for whatever length they
    // claim, and many may overlap: the walk reads at most a few times the
    // heap (and never less than a generous floor), so hostile lengths
    // cannot make it quadratic.
    const uint64_t heap = static_cast<uint64_t>(layout_.ClusterCount()) * layout_.ClusterBytes();
    budget_ = std::max<uint64_t>(4 * heap, 64ull << 20);
  }

  void WalkRoot() {
    const uint32_t root = layout_.RootCluster();
    walked_.insert(WalkKey(root, false));
    Walk(nullptr, root, false, 0, 0);
  }

 private:
  struct Pending {
    TMidEntry* folder;
    bool contiguous;
    uint64_t length;
  };

  void Walk(TMidEntry* folder, uint32_t key, bool contiguous, uint64_t length, int depth) {
    if (stop_) return;
    status_.SetText(" " + (folder ? folder->LongName : std::string()));
    pump_.Pump();
    std::vector<uint32_t> clusters;
    const std::vector<uint8_t> bytes = ReadExfatFolder(drive_, layout_, key, contiguous, length, &clusters);
    budget_ -= std::min<uint64_t>(budget_, bytes.size());
    const bool inDeleted = folder && folder->Status != kExisting;
    std::vector<Pending> below;
    size_t sets = 0;
    ForEachExfatEntrySet(bytes.data(), bytes.size(), true, [&](const ExfatEntrySet& set, size_t offset) {
      if (++sets % 16 == 0) pump_.Pump();
      // A folder that names the root again would list the root twice.
      if (set.IsFolder() && set.firstCluster == layout_.RootCluster()) return;
      auto entry = std::make_unique<TMidEntry>(ExfatSetToEntry(set));
      if (entry->LongName.empty()) return;
      entry->ParentCluster = key;
      entry->Parent = folder;
      entry->EntryOffset = VolumeOffset(clusters, offset);
      if (inDeleted) entry->Status = kDeleted;
      TMidEntry* added = entry.get();
      drive_.FatEntries.push_back(std::move(entry));
      if (set.IsFolder())
        below.push_back({added, added->Status != kExisting || set.NoFatChain(), set.dataLength});
    });
    // The folder's bytes are released before its subfolders are read, so
    // memory holds one folder at a time whatever the depth.
    if (depth >= kMaxFolderDepth) return;
    for (const Pending& p : below) {
      if (stop_ || budget_ == 0) return;
      const uint32_t first = p.folder->DirEntry.FirstCluster32();
      if (!layout_.IsDataCluster(first)) continue;
      if (!walked_.insert(WalkKey(first, p.folder->Status != kExisting)).second) continue;
      Walk(p.folder, first, p.contiguous, p.length, depth + 1);
    }
  }

  // Where the byte at offset of a folder read from these clusters lies in
  // the volume; 0 when the clusters do not place it.
  uint64_t VolumeOffset(const std::vector<uint32_t>& clusters, size_t offset) const {
    const uint64_t clusterBytes = layout_.ClusterBytes();
    const size_t index = static_cast<size_t>(offset / clusterBytes);
    if (index >= clusters.size()) return 0;
    const std::optional<uint64_t> sector = layout_.ClusterSector(clusters[index]);
    return sector ? *sector * 512 + offset % clusterBytes : 0;
  }

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
};

}  // namespace

// ScanVolume has raised Scanning and emptied the entry and search lists.
disk::Outcome TUndelete::ScanExfatVolume(StatusPanel& status) {
  // The root is the one folder a scan cannot do without: say why it is
  // unreadable instead of listing nothing.
  {
    const ExfatLayout layout(*CurrentDrive);
    const uint32_t root = layout.RootCluster();
    const std::optional<uint64_t> sector = layout.ClusterSector(root);
    if (!layout.IsDataCluster(root) || !sector)
      return disk::Outcome::Damaged("the root folder", 0,
                                    "its first cluster " + std::to_string(root) + " lies outside the cluster heap");
    std::array<uint8_t, 512> first{};
    if (disk::Outcome read = disk::ReadFor(CurrentDrive->Reader(), "the root folder", *sector, 1, first.data()); !read)
      return read;
  }
  try {
    ExfatWalker(*CurrentDrive, pump_, status, StopRequested).WalkRoot();
  } catch (const std::exception& e) {
    boxes_.Error(e.what());
    disk::Outcome failed = disk::Outcome::Damaged("the folder walk", 0, e.what());
    failed.shown = true;
    return failed;
  }
  SortFatEntries(CurrentDrive->FatEntries);
  return disk::Outcome::Success();
}

}  // namespace tarnwell::engine
