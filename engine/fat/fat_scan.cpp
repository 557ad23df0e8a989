// The FAT directory walk: every plausible entry of every folder, existing
// and deleted, depth first from the root.
#include <algorithm>
#include <exception>
#include <vector>

#include "disk/volume_reader.h"
#include "engine/boot_sector.h"
#include "engine/entry_helpers.h"
#include "engine/entry_order.h"
#include "engine/fat/fat_chain.h"
#include "engine/fat/fat_layout.h"
#include "engine/fat/long_name.h"
#include "engine/undelete.h"

namespace tarnwell::engine {
namespace {

// Deeper nesting than any path Linux can hold; a hostile image cannot
// exhaust the stack with it.
constexpr int kMaxFolderDepth = 1024;

// One read of the walk: sectors at an address.
struct DirectoryRead {
  uint32_t lba;
  uint32_t sectors;
};

bool IsDotName(const RawDirEntry& entry, const char* dots) { return FatBaseName(entry) == dots; }

uint64_t WalkKey(uint32_t cluster, bool deleted) {
  return (static_cast<uint64_t>(cluster) << 1) | (deleted ? 1 : 0);
}

std::string Trimmed(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return s.substr(a, b - a);
}

}  // namespace

// ScanVolume has raised Scanning and emptied the entry and search lists.
bool TUndelete::ScanFatVolume(StatusPanel& status) {
  ResetFatWalk(nullptr);
  ScanFatDirectory(nullptr, status, true);
  SortFatEntries(CurrentDrive->FatEntries);
  return true;
}

void TUndelete::ResetFatWalk(const TMidEntry* startFolder) {
  fatWalked_.clear();
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

bool TUndelete::ScanFatDirectory(TMidEntry* folder, StatusPanel& status, bool recurse) {
  // exFAT folders are walked whole by their own scan.
  if (!CurrentDrive || CurrentDrive->IsExfat()) return false;
  try {
    return WalkFatDirectory(folder, status, recurse);
  } catch (const std::exception& e) {
    boxes_.Error(e.what());
    return false;
  }
}

bool TUndelete::WalkFatDirectory(TMidEntry* folder, StatusPanel& status, bool recurse) {
  if (StopRequested) return true;
  status.SetText(" " + (folder ? FatEntryName(*folder, false) : std::string()));
  pump_.Pump();

  TLogiDrive& drive = *CurrentDrive;
  const FatLayout layout(drive);
  const BootSectorView boot(drive.BootSector);
  const uint32_t rootCluster = layout.IsFat32() ? boot.RootCluster() : 0;

  // The key the children get, and what to read.
  uint32_t key = 0;
  std::vector<DirectoryRead> reads;
  if (!layout.IsFat32() && !folder) {
    reads.push_back({boot.FatRootStart(), boot.FatRootLength()});
  } else {
    key = folder ? FatFolderKey(*folder, drive.FsKind) : rootCluster;
    const std::optional<uint32_t> sector = layout.ClusterSector(key);
    if (!layout.IsDataCluster(key) || !sector || *sector >= layout.VolumeSectors()) return false;
    if (folder) {
      if (fatDepth_ >= kMaxFolderDepth) return false;
      if (!fatWalked_.insert(WalkKey(key, folder->Status != kExisting)).second) return false;
    }
    const FatChain chain = ReadFatChain(drive, key);
    if (chain.clusters.empty()) return false;
    for (uint32_t c : chain.clusters) {
      const std::optional<uint32_t> lba = layout.ClusterSector(c);
      if (!lba) break;  // the rest of the chain lies outside the volume
      reads.push_back({*lba, layout.SectorsPerCluster()});
    }
  }
  const bool checkDots = folder != nullptr && (!layout.IsFat32() || key != rootCluster);

  LongNameState longName;
  std::string pending;
  std::vector<uint8_t> buffer;
  for (size_t r = 0; r < reads.size(); ++r) {
    buffer.assign(static_cast<size_t>(reads[r].sectors) * 512, 0);
    if (reads[r].sectors > 0xFFFF ||
        !disk::ReadVolumeSectors(drive.DriveName, reads[r].lba,
                                 static_cast<uint16_t>(reads[r].sectors), buffer.data()))
      return false;
    const size_t count = buffer.size() / 32;
    if (r == 0 && checkDots) {
      RawDirEntry dot, dotdot;
      if (count >= 2) {
        std::copy_n(buffer.begin(), 32, dot.bytes.begin());
        std::copy_n(buffer.begin() + 32, 32, dotdot.bytes.begin());
      }
      if (count < 2 || !IsDotName(dot, ".") || !IsDotName(dotdot, "..")) {
        folder->Status = kDamagedFolder;
        return false;
      }
    }
    for (size_t i = 0; i < count; ++i) {
      // Once per sector of 16 entries: a sector is handled in microseconds,
      // so the window stays responsive, and a call per 32-byte slot would
      // cost a clock read for every unused slot and long-name piece.
      if (i % 16 == 0) pump_.Pump();
      RawDirEntry raw;
      std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(i * 32), 32, raw.bytes.begin());
      if (IsDotName(raw, ".") || IsDotName(raw, "..")) continue;
      if (ReadLfnEntry(raw, longName) != kNotLongName) {
        pending.clear();
        continue;
      }
      pending = LongNameText(longName);
      longName.utf16.clear();

      if (raw.FileSize() == 0xFFFFFFFFu || (raw.Attributes() & kFatAttrVolumeLabel)) continue;
      const bool isFolder = (raw.Attributes() & kFatAttrDirectory) != 0;
      if (layout.IsFat32()) {
        if (HighWordSearch && raw.FirstClusterHigh() == 0 && raw.IsDeletedMark() && isFolder)
          raw.SetFirstClusterHigh(FindFat32HighWord("a.#$%", raw.FirstClusterLow()));
        if (raw.FirstCluster32() == rootCluster) continue;
      }
      if (FatBaseName(raw).empty()) continue;
      if (!raw.IsDeletedMark() && isFolder && raw.FileSize() != 0) continue;
      const uint32_t first = layout.IsFat32() ? raw.FirstCluster32() : raw.FirstClusterLow();
      if (!isFolder && raw.FileSize() != 0 && first == 0) continue;

      auto entry = std::make_unique<TMidEntry>();
      entry->DirEntry = raw;
      if (!Trimmed(pending).empty()) {
        entry->LongName = pending;
        pending.clear();
      } else {
        ApplyShortNameCase(entry->DirEntry, drive.FsKind);
      }
      entry->ParentCluster = key;
      entry->Parent = folder;
      entry->Status = ((folder && folder->Status != kExisting) || raw.IsDeletedMark()) ? kDeleted
                                                                                        : kExisting;
      TMidEntry* added = entry.get();
      drive.FatEntries.push_back(std::move(entry));
      if (isFolder && recurse) {
        ++fatDepth_;
        WalkFatDirectory(added, status, true);
        --fatDepth_;
      }
    }
  }
  return true;
}

}  // namespace tarnwell::engine
