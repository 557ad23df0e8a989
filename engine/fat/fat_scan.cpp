// The FAT directory walk: every plausible entry of every folder, existing
// and deleted, depth first from the root.
#include <algorithm>
#include <exception>
#include <span>
#include <unordered_set>
#include <vector>

#include "engine/boot_sector.h"
#include "engine/entry_helpers.h"
#include "engine/entry_order.h"
#include "engine/fat/fat_chain.h"
#include "engine/fat/dir_span.h"
#include "engine/fat/fat_layout.h"
#include "engine/fat/file_header_table.h"
#include "engine/fat/long_name.h"
#include "engine/lost_entries_node.h"
#include "engine/undelete.h"

namespace tarnwell::engine {
namespace {

// Deeper nesting than any path Linux can hold; a hostile image cannot
// exhaust the stack with it.
constexpr int kMaxFolderDepth = 1024;

uint64_t WalkKey(uint32_t cluster, bool deleted) {
  return (static_cast<uint64_t>(cluster) << 1) | (deleted ? 1 : 0);
}

// A deleted folder's continuation clusters may sit behind live files; the
// search passes over at most this many live clusters in all, so that one
// deleted folder on a full volume does not read the whole FAT.
constexpr uint32_t kMaxPassedOver = 65536;

// The damaged-folder test: entries 0 and 1 named "." and "..", up to a zero
// byte and trimmed.
bool StartsWithDots(const std::vector<uint8_t>& buffer) {
  if (buffer.size() < 2 * kDirEntryBytes) return false;
  RawDirEntry dot, dotdot;
  std::copy_n(buffer.begin(), kDirEntryBytes, dot.bytes.begin());
  std::copy_n(buffer.begin() + kDirEntryBytes, kDirEntryBytes, dotdot.bytes.begin());
  return FatBaseName(dot) == "." && FatBaseName(dotdot) == "..";
}

bool HasEndMarker(std::span<const uint8_t> bytes) {
  for (size_t at = 0; at + kDirEntryBytes <= bytes.size(); at += kDirEntryBytes)
    if (bytes[at] == 0x00) return true;
  return false;
}

// A deleted folder's chain is gone, so its first cluster is all the FAT
// tells. Its further clusters are looked for as a deleted file's are: the
// clusters after the first, in order, passing over those a live chain owns.
// A free cluster is taken while it holds only well-formed entries; the
// first that does not, an end marker, the end of the data area or the
// clusters that the most entries a folder holds would fill end the search.
// A cluster another folder owns ends the search too.
template <class Decode>
void ReadDeletedFolderTail(const TLogiDrive& drive, const FatLayout& layout, uint32_t first,
                           std::unordered_set<uint32_t>& owned, const Decode& decode) {
  FatTableReader fat(drive.Reader(), layout);
  // Only a free first cluster says the chain is gone; a reused one belongs
  // to whatever took it.
  if (fat.EntryOf(first).value_or(1) != 0) return;
  const uint32_t clusterBytes = layout.ClusterBytes();
  const uint64_t most = (uint64_t{kMaxFolderEntries} * kDirEntryBytes + clusterBytes - 1) / clusterBytes;
  std::vector<uint8_t> buffer(clusterBytes);
  uint64_t taken = 1;
  uint32_t passed = 0;
  for (uint64_t c = uint64_t{first} + 1; taken < most && c <= layout.MaxCluster(); ++c) {
    const std::optional<uint32_t> value = fat.EntryOf(static_cast<uint32_t>(c));
    if (!value) return;
    if (*value != 0) {
      if (++passed > kMaxPassedOver) return;
      continue;
    }
    if (owned.contains(static_cast<uint32_t>(c))) return;
    const std::optional<uint64_t> lba = layout.ClusterSector(static_cast<uint32_t>(c));
    if (!lba || *lba + uint64_t{layout.SectorsPerCluster()} > layout.VolumeSectors()) return;
    if (!drive.Reader().Read(*lba, layout.SectorsPerCluster(), buffer.data())) return;
    size_t entriesBytes = 0;
    const ContinuationCheck check = CheckContinuation(buffer, entriesBytes);
    if (check == ContinuationCheck::kNotDirectory) return;
    ++taken;
    owned.insert(static_cast<uint32_t>(c));
    decode(std::span<const uint8_t>(buffer.data(), entriesBytes), *lba);
    if (check == ContinuationCheck::kLastEntries) return;
  }
}

// The reads that hold a folder's entries: the FAT12/16 root in one piece,
// any other folder cluster by cluster along its chain, up to where the
// chain leaves the volume. Empty when there is nothing to read.
std::vector<FatFolderRead> FolderReads(const TLogiDrive& drive, const FatLayout& layout, bool fixedRoot,
                                       uint32_t key) {
  std::vector<FatFolderRead> reads;
  if (fixedRoot) {
    const BootSectorView boot(drive.BootSector);
    reads.push_back({boot.FatRootStart(), boot.FatRootLength(), 0});
    return reads;
  }
  for (uint32_t c : ReadFatChain(drive, key).clusters) {
    const std::optional<uint64_t> lba = layout.ClusterSector(c);
    if (!lba) break;
    reads.push_back({*lba, layout.SectorsPerCluster(), c});
  }
  return reads;
}

}  // namespace

// ScanVolume has raised Scanning and emptied the entry and search lists.
// A root that cannot be walked leaves nothing to list, so it fails the
// scan; a lost sub-folder costs only what lies below it.
disk::Outcome TUndelete::ScanFatVolume(StatusPanel& status, ProgressBar& progress) {
  ResetFatWalk(nullptr);
  fatLostByOffset_.clear();
  disk::Outcome root = ScanFatDirectory(nullptr, status, true);
  if (root) ListLostFatEntries(status, progress);
  SortFatEntries(CurrentDrive->FatEntries);
  return root;
}

void TUndelete::ResetFatWalk(const TMidEntry* startFolder) {
  fatWalked_.clear();
  fatFolderClusters_.clear();
  fatDepth_ = 0;
  const TLogiDrive& drive = *CurrentDrive;
  fatWalked_.insert(WalkKey(RootFolderKey(drive), false));
  // A rescan starts below the root: the start folder's ancestors count as
  // walked so that an entry pointing back at one of them is not followed.
  int guard = 0;
  for (const TMidEntry* p = startFolder ? startFolder->Parent : nullptr; p && guard < kMaxFolderDepth;
       p = p->Parent, ++guard)
    fatWalked_.insert(WalkKey(FatFolderKey(*p, drive.FsKind), p->Status != kExisting));
}

disk::Outcome TUndelete::ScanFatDirectory(TMidEntry* folder, StatusPanel& status, bool recurse) {
  // exFAT folders are walked whole by their own scan.
  if (!CurrentDrive || CurrentDrive->IsExfat())
    return disk::Outcome::Unrecognised("no FAT volume is being scanned");
  try {
    return WalkFatDirectory(folder, status, recurse);
  } catch (const std::exception& e) {
    boxes_.Error(e.what());
    disk::Outcome failed = disk::Outcome::Damaged("the folder walk", 0, e.what());
    failed.shown = true;
    return failed;
  }
}

bool TUndelete::KeepFatEntry(RawDirEntry& raw, const FatLayout& layout, uint32_t rootCluster) {
  const bool isFolder = (raw.Attributes() & kFatAttrDirectory) != 0;
  if (layout.IsFat32()) {
    // A rescan looks for the high word that deleting a folder cleared.
    if (HighWordSearch && raw.FirstClusterHigh() == 0 && raw.IsDeletedMark() && isFolder)
      raw.SetFirstClusterHigh(FindFat32HighWord(kFolderSearchName, raw.FirstClusterLow()));
    if (raw.FirstCluster32() == rootCluster) return false;
  }
  // Unused slots, existing folders that claim a size and files that claim
  // data without a cluster are no entries of the volume.
  if (FatBaseName(raw).empty()) return false;
  if (!raw.IsDeletedMark() && isFolder && raw.FileSize() != 0) return false;
  const uint32_t first = layout.IsFat32() ? raw.FirstCluster32() : raw.FirstClusterLow();
  // The lost-entries node's key is no cluster: a folder claiming it would
  // take its children.
  if (isFolder && first == LostEntriesKey(layout.Kind())) return false;
  return isFolder || raw.FileSize() == 0 || first != 0;
}

bool TUndelete::EnterFatFolder(const TMidEntry& folder, uint32_t key) {
  return fatDepth_ < kMaxFolderDepth && fatWalked_.insert(WalkKey(key, folder.Status != kExisting)).second;
}

disk::Outcome TUndelete::WalkFatDirectory(TMidEntry* folder, StatusPanel& status, bool recurse) {
  if (StopRequested) return disk::Outcome::Success();
  status.SetText(" " + (folder ? FatEntryName(*folder, false) : std::string()));
  pump_.Pump();

  TLogiDrive& drive = *CurrentDrive;
  const FatLayout layout(drive);
  const uint32_t rootCluster = layout.IsFat32() ? BootSectorView(drive.BootSector).RootCluster() : 0;
  // The key the children get, and what to read.
  const bool fixedRoot = !layout.IsFat32() && !folder;
  const uint32_t key = fixedRoot ? 0 : folder ? FatFolderKey(*folder, drive.FsKind) : rootCluster;
  const std::string what = folder ? "the folder " + FatEntryName(*folder, false) : std::string("the root folder");
  if (!fixedRoot) {
    const std::optional<uint64_t> sector = layout.ClusterSector(key);
    if (!layout.IsDataCluster(key) || !sector || *sector >= layout.VolumeSectors())
      return disk::Outcome::Damaged(what, sector.value_or(0),
                                    "its first cluster " + std::to_string(key) + " lies outside the data area");
    if (folder && !EnterFatFolder(*folder, key))
      return disk::Outcome::Damaged(what, *sector, "it was walked already or lies too deep");
  }
  const std::vector<FatFolderRead> reads = FolderReads(drive, layout, fixedRoot, key);
  if (reads.empty()) return disk::Outcome::Damaged(what, 0, "no cluster of it can be placed");
  const bool checkDots = folder != nullptr && (!layout.IsFat32() || key != rootCluster);
  return ReadFatFolder(folder, key, reads, checkDots, what, status, recurse);
}

disk::Outcome TUndelete::ReadFatFolder(TMidEntry* folder, uint32_t key, const std::vector<FatFolderRead>& reads,
                                       bool checkDots, const std::string& what, StatusPanel& status, bool recurse) {
  TLogiDrive& drive = *CurrentDrive;
  const FatLayout layout(drive);
  const uint32_t rootCluster = layout.IsFat32() ? BootSectorView(drive.BootSector).RootCluster() : 0;
  // The lost entries come from clusters no chain joins: an unreadable one
  // costs only itself.
  const bool lost = key == LostEntriesKey(drive.FsKind);
  DirSpanDecoder decoder(DirSpanRules{});
  uint64_t sector = 0;  // the volume sector being decoded, where its entries lie
  const auto take = [&](DirSlot& slot) {
    RawDirEntry& raw = slot.entry;
    if (!KeepFatEntry(raw, layout, rootCluster)) return;
    const uint64_t offset = sector * 512 + slot.index * kDirEntryBytes;
    if (const auto it = lost ? fatLostByOffset_.end() : fatLostByOffset_.find(offset);
        it != fatLostByOffset_.end()) {
      // Listed as lost, with what lies below it: the folder takes it over.
      TMidEntry* moved = it->second;
      fatLostByOffset_.erase(it);
      moved->Parent = folder;
      moved->ParentCluster = key;
      if (folder && folder->Status != kExisting) moved->Status = kDeleted;
      return;
    }
    auto entry = std::make_unique<TMidEntry>();
    entry->DirEntry = raw;
    entry->LongName = std::move(slot.longName);
    entry->ParentCluster = key;
    entry->Parent = folder;
    entry->Status = ((folder && folder->Status != kExisting) || raw.IsDeletedMark()) ? kDeleted : kExisting;
    entry->EntryOffset = offset;
    TMidEntry* added = entry.get();
    drive.FatEntries.push_back(std::move(entry));
    if (lost) fatLostByOffset_.emplace(offset, added);
    if ((raw.Attributes() & kFatAttrDirectory) && recurse) {
      ++fatDepth_;
      // A sub-folder that cannot be walked costs what lies below it (the
      // reader reports a read error, a damaged folder is marked); the walk
      // goes on with its siblings.
      (void)WalkFatDirectory(added, status, true);
      --fatDepth_;
    }
  };
  // Once per sector of 16 entries: a sector is handled in microseconds, so
  // the window stays responsive, and a call per 32-byte slot would cost a
  // clock read for every unused slot and long-name piece.
  const auto decode = [&](std::span<const uint8_t> bytes, uint64_t lba) {
    for (size_t at = 0; at < bytes.size(); at += 512) {
      pump_.Pump();
      sector = lba + at / 512;
      decoder.Decode(bytes.subspan(at, std::min<size_t>(512, bytes.size() - at)), take);
    }
  };

  DirSpanRules lostRules;
  lostRules.mayStartMidName = true;
  std::vector<uint8_t> buffer;
  for (size_t r = 0; r < reads.size(); ++r) {
    if (reads[r].cluster != 0) fatFolderClusters_.insert(reads[r].cluster);
    // A stretch that does not follow the one before starts its names anew.
    if (reads[r].newRun) decoder = DirSpanDecoder(lostRules);
    buffer.assign(static_cast<size_t>(reads[r].sectors) * 512, 0);
    if (disk::Outcome read = disk::ReadFor(drive.Reader(), what, reads[r].lba, reads[r].sectors, buffer.data());
        !read) {
      if (!lost) return read;
      decoder = DirSpanDecoder(lostRules);
      continue;
    }
    if (r == 0 && checkDots && !StartsWithDots(buffer)) {
      folder->Status = kDamagedFolder;
      return disk::Outcome::Damaged(what, reads[r].lba, "it does not begin with \".\" and \"..\"");
    }
    decode(buffer, reads[r].lba);
  }
  if (folder && folder->Status != kExisting && reads.size() == 1 && reads[0].cluster == key && !HasEndMarker(buffer))
    ReadDeletedFolderTail(drive, layout, key, fatFolderClusters_, decode);
  return disk::Outcome::Success();
}

}  // namespace tarnwell::engine
