#pragma once
// The items a raw-range scan found, as entry handles: the FAT entries and
// the NTFS records of the drive's current partition. Their folders are
// the directories the scan found (a FAT folder's children are the entries
// found where its cluster lies); NTFS records found on their own carry no
// record numbers, so none has children. Recovery and preview are those of
// raw_recovery.h and found_lookup.h; a copy always takes the item's own
// name there.
#include <cstdint>
#include <vector>

#include "engine/entry_handle.h"
#include "engine/records.h"

namespace tarnwell::physical {
class TPhysicalDrive;
struct FoundFatEntry;
}  // namespace tarnwell::physical

namespace tarnwell::physical::raw {

class RawFatEntryKind final : public engine::EntryKind {
 public:
  explicit RawFatEntryKind(TPhysicalDrive& drive) : drive_(drive) {}
  engine::EntryHandle Of(const FoundFatEntry& entry) const { return Handle(&entry); }
  // The entry behind a handle of this kind; null for any other handle.
  const FoundFatEntry* EntryOf(const engine::EntryHandle& handle) const {
    return handle.Kind() == this ? static_cast<const FoundFatEntry*>(handle.Item()) : nullptr;
  }

  std::string Name(const void* item) const override;
  bool IsFolder(const void* item) const override;
  engine::EntryStatus Status(const void* item) const override;
  uint64_t Size(const void* item) const override;
  double Stamp(const void* item, engine::DateKind kind) const override;
  // The sector where a folder's entries were found (0 when the geometry
  // cannot place it); an item's own folder is where it was found.
  uint64_t FolderKey(const void* item) const override;
  uint64_t ParentKey(const void* item) const override;
  engine::EntryHandle Parent(const void*) const override { return {}; }
  engine::EntryProperties Properties(const void* item) const override;
  std::vector<engine::EntryHandle> ChildRange(const void* item) const override;
  engine::RecoverResult Recover(const void* item, const engine::RecoveryTarget& target) const override;
  bool ReadPreview(const void* item, engine::PreviewBuffer& buffer) const override;

 private:
  static const FoundFatEntry& Entry(const void* item) { return *static_cast<const FoundFatEntry*>(item); }
  TPhysicalDrive& drive_;
};

class RawNtfsEntryKind final : public engine::EntryKind {
 public:
  explicit RawNtfsEntryKind(TPhysicalDrive& drive) : drive_(drive) {}
  engine::EntryHandle Of(const engine::tntfsfilerecord& record) const { return Handle(&record); }

  std::string Name(const void* item) const override;
  bool IsFolder(const void* item) const override;
  engine::EntryStatus Status(const void* item) const override;
  uint64_t Size(const void* item) const override;
  double Stamp(const void* item, engine::DateKind kind) const override;
  uint64_t FolderKey(const void* item) const override;
  // The parent record number its file name gives.
  uint64_t ParentKey(const void* item) const override;
  engine::EntryHandle Parent(const void*) const override { return {}; }
  engine::EntryProperties Properties(const void* item) const override;
  std::vector<engine::EntryHandle> ChildRange(const void*) const override { return {}; }
  engine::RecoverResult Recover(const void* item, const engine::RecoveryTarget& target) const override;
  bool ReadPreview(const void* item, engine::PreviewBuffer& buffer) const override;

 private:
  static const engine::tntfsfilerecord& Record(const void* item) {
    return *static_cast<const engine::tntfsfilerecord*>(item);
  }
  TPhysicalDrive& drive_;
};

// The items of the current partition found in the directory at `sector`,
// with the parent record number `parent`, or in the match list of the last
// filter, as handles in list order.
std::vector<engine::EntryHandle> FatFolderItems(TPhysicalDrive& drive, uint64_t sector);
std::vector<engine::EntryHandle> NtfsFolderItems(TPhysicalDrive& drive, uint64_t parent);
std::vector<engine::EntryHandle> MatchedItems(TPhysicalDrive& drive, bool ntfs);

}  // namespace tarnwell::physical::raw
