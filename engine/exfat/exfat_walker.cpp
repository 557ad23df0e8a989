#include "engine/exfat/exfat_walker.h"

#include <algorithm>

#include "engine/exfat/exfat_cut_sets.h"
#include "engine/exfat/exfat_folder.h"
#include "engine/lost_entries_node.h"

namespace tarnwell::engine {
namespace {

// Deeper nesting than any path Linux can hold; a hostile image cannot
// exhaust the stack with it.
constexpr int kMaxExfatFolderDepth = 1024;

uint64_t ExfatWalkKey(uint32_t cluster, bool deleted) {
  return (static_cast<uint64_t>(cluster) << 1) | (deleted ? 1 : 0);
}

}  // namespace

ExfatWalker::ExfatWalker(TLogiDrive& drive, MessagePump& pump, StatusPanel& status, const bool& stop)
    : drive_(drive), layout_(drive), pump_(pump), status_(status), stop_(stop) {
  // Deleted folders are read contiguously for whatever length they
  // claim, and many may overlap: the walk reads at most a few times the
  // heap (and never less than a generous floor), so hostile lengths
  // cannot make it quadratic.
  const uint64_t heap = static_cast<uint64_t>(layout_.ClusterCount()) * layout_.ClusterBytes();
  budget_ = std::max<uint64_t>(4 * heap, 64ull << 20);
}

void ExfatWalker::WalkRoot() {
  const uint32_t root = layout_.RootCluster();
  walked_.insert(ExfatWalkKey(root, false));
  Walk(nullptr, root, false, 0, 0);
}

void ExfatWalker::Walk(TMidEntry* folder, uint32_t key, bool contiguous, uint64_t length, int depth) {
  if (stop_) return;
  status_.SetText(" " + (folder ? folder->LongName : std::string()));
  pump_.Pump();
  std::vector<uint32_t> clusters;
  const std::vector<uint8_t> bytes = ReadExfatFolder(drive_, layout_, key, contiguous, length, &clusters);
  owned_.insert(clusters.begin(), clusters.end());
  if (folder && folder->Status != kExisting && cutTails_.size() < kMostCutTails)
    if (const std::optional<size_t> cut = CutSetStart(bytes))
      cutTails_.push_back({folder, key, depth,
                           std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(*cut), bytes.end()),
                           VolumeOffset(clusters, *cut)});
  ListSets(folder, key, bytes, clusters, depth);
}

void ExfatWalker::ListSets(TMidEntry* folder, uint32_t key, const std::vector<uint8_t>& bytes,
                           const std::vector<uint32_t>& clusters, int depth, const JoinedSet* joined) {
  budget_ -= std::min<uint64_t>(budget_, bytes.size());
  const bool inDeleted = folder && folder->Status != kExisting;
  std::vector<Pending> below;
  size_t sets = 0;
  const auto add = [&](const ExfatEntrySet& set, uint64_t entryOffset) {
    if (++sets % 16 == 0) pump_.Pump();
    // A folder that names the root again would list the root twice.
    // Nor may one take the children of the lost-entries node.
    if (set.IsFolder() && (set.firstCluster == layout_.RootCluster() || set.firstCluster == LostEntriesKey(kExfat)))
      return;
    auto entry = std::make_unique<TMidEntry>(ExfatSetToEntry(set));
    if (entry->LongName.empty()) return;
    entry->ParentCluster = key;
    entry->Parent = folder;
    entry->EntryOffset = entryOffset;
    if (inDeleted) entry->Status = kDeleted;
    TMidEntry* added = entry.get();
    drive_.FatEntries.push_back(std::move(entry));
    if (set.IsFolder())
      below.push_back({added, added->Status != kExisting || set.NoFatChain(), set.dataLength});
  };
  if (joined) add(joined->set, joined->offset);
  ForEachExfatEntrySet(bytes.data(), bytes.size(), true, [&](const ExfatEntrySet& set, size_t offset) {
    add(set, VolumeOffset(clusters, offset));
  });
  // The caller's bytes are released before its subfolders are read, so
  // memory holds one folder at a time whatever the depth.
  if (depth >= kMaxExfatFolderDepth) return;
  for (const Pending& p : below) {
    if (stop_ || budget_ == 0) return;
    const uint32_t first = p.folder->DirEntry.FirstCluster32();
    if (!layout_.IsDataCluster(first)) continue;
    if (!walked_.insert(ExfatWalkKey(first, p.folder->Status != kExisting)).second) continue;
    Walk(p.folder, first, p.contiguous, p.length, depth + 1);
  }
}

uint64_t ExfatWalker::VolumeOffset(const std::vector<uint32_t>& clusters, size_t offset) const {
  const uint64_t clusterBytes = layout_.ClusterBytes();
  const size_t index = static_cast<size_t>(offset / clusterBytes);
  if (index >= clusters.size()) return 0;
  const std::optional<uint64_t> sector = layout_.ClusterSector(clusters[index]);
  return sector ? *sector * 512 + offset % clusterBytes : 0;
}

}  // namespace tarnwell::engine
