#include "engine/fat/fat_entry_kind.h"

#include "engine/boot_sector.h"
#include "engine/entry_helpers.h"
#include "engine/exfat/exfat_layout.h"
#include "engine/lost_entries_node.h"
#include "engine/search/entry_dates.h"
#include "engine/timeline_facts.h"
#include "engine/undelete.h"

namespace tarnwell::engine {

FatEntryKind::FatEntryKind(TUndelete& engine) : engine_(engine) {
  top_.DirEntry.bytes[11] = kFatAttrDirectory;
}

TMidEntry* FatEntryKind::EntryOf(const EntryHandle& handle) const {
  if (handle.Kind() != this || !handle || handle.Item() == &top_) return nullptr;
  return &Entry(handle.Item());
}

std::string FatEntryKind::Name(const void* item) const {
  return item == &top_ ? "\\" : FatEntryName(Entry(item), false);
}

bool FatEntryKind::IsFolder(const void* item) const { return !IsFatFile(Entry(item)); }

EntryStatus FatEntryKind::Status(const void* item) const {
  switch (Entry(item).Status) {
    case kExisting: return EntryStatus::kExisting;
    case kDamagedFolder: return EntryStatus::kDamaged;
    default: return EntryStatus::kDeleted;
  }
}

bool FatEntryKind::IsMadeUp(const void* item) const {
  const TLogiDrive* drive = engine_.CurrentDrive;
  return item == &top_ || (drive && IsLostEntriesNode(Entry(item), drive->FsKind));
}

uint64_t FatEntryKind::Size(const void* item) const { return FatEntrySize(Entry(item)); }

double FatEntryKind::Stamp(const void* item, DateKind kind) const {
  const DosDateTime d = FatEntryDate(Entry(item), kind);
  return d.valid ? d.value : 0;
}

std::optional<ExactStamp> FatEntryKind::Exact(const void* item, DateKind kind) const {
  if (item == &top_) return std::nullopt;
  return FatEntryStamp(Entry(item), kind);
}

uint64_t FatEntryKind::FolderKey(const void* item) const {
  const TLogiDrive* drive = engine_.CurrentDrive;
  if (item == &top_) return drive ? RootFolderKey(*drive) : 0;
  return FatFolderKey(Entry(item), drive ? drive->FsKind : uint8_t{kFat16});
}

uint64_t FatEntryKind::ParentKey(const void* item) const { return item == &top_ ? 0 : Entry(item).ParentCluster; }

EntryHandle FatEntryKind::Parent(const void* item) const {
  if (item == &top_) return {};
  const TMidEntry* parent = Entry(item).Parent;
  return parent ? Handle(parent) : Top();
}

EntryProperties FatEntryKind::Properties(const void* item) const {
  EntryProperties p;
  p.attributes = Entry(item).DirEntry.Attributes();
  p.accessDateOnly = true;
  if (const TLogiDrive* drive = engine_.CurrentDrive) {
    // An exFAT boot sector gives its cluster size as a power of two, elsewhere.
    const uint64_t cluster = drive->IsExfat()
                                 ? ExfatLayout(*drive).ClusterBytes()
                                 : uint64_t{BootSectorView(drive->BootSector).SectorsPerCluster()} * 512;
    const uint64_t size = Size(item);
    p.allocated = cluster ? (size + cluster - 1) / cluster * cluster : 0;
  }
  return p;
}

TimelineFacts FatEntryKind::Timeline(const void* item) const {
  const TLogiDrive* drive = engine_.CurrentDrive;
  if (item == &top_ || !drive) return {};
  return FatTimelineFacts(Entry(item), *drive);
}

Recoverability FatEntryKind::Recoverable(const void* item) const {
  return item == &top_ ? Recoverability::kNone : engine_.RecoverabilityOf(Entry(item));
}

std::vector<EntryHandle> FatEntryKind::ChildRange(const void* item) const {
  std::vector<EntryHandle> children;
  const TLogiDrive* drive = engine_.CurrentDrive;
  if (!drive || !drive->IsFat() || !IsFolder(item)) return children;
  int first = -1, last = -1;
  if (!engine_.GetChildRange(static_cast<uint32_t>(FolderKey(item)), first, last)) return children;
  // Two folders (one deleted, one existing) can share a first cluster:
  // only this folder's own entries are its children.
  const TMidEntry* self = item == &top_ ? nullptr : &Entry(item);
  for (int i = first; i <= last; ++i) {
    const TMidEntry* child = drive->FatEntries[static_cast<size_t>(i)].get();
    if (child->Parent == self) children.push_back(Handle(child));
  }
  return children;
}

RecoverResult FatEntryKind::Recover(const void* item, const RecoveryTarget& target) const {
  if (item == &top_) return RecoverResult::kFailed;  // the volume is recovered by its entries
  TMidEntry& entry = Entry(item);
  return engine_.RecoverEntry(entry, IsFolder(item), target.name ? *target.name : FatEntryName(entry, true), target);
}

bool FatEntryKind::ReadPreview(const void* item, PreviewBuffer& buffer) const {
  return item != &top_ && engine_.ReadPreview(Entry(item), buffer);
}

}  // namespace tarnwell::engine
