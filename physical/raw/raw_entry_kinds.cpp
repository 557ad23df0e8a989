#include "physical/raw/raw_entry_kinds.h"

#include <algorithm>

#include "engine/filetime.h"
#include "engine/search/entry_dates.h"
#include "physical/physical_drive.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/raw_recovery.h"
#include "physical/raw/recovery_report.h"

namespace tarnwell::physical::raw {
namespace {

using engine::EntryHandle;
using engine::EntryStatus;
using engine::RecoverResult;

bool IsFatFolder(const FoundFatEntry& e) { return (e.DirEntry.Attributes() & engine::kFatAttrDirectory) != 0; }

// What a raw recovery's result and the failures it logged say together.
RecoverResult ResultOf(int result, int failuresBefore, const TPhysicalDrive& drive) {
  if (result == kRecoveryStopped) return RecoverResult::kStopped;
  return drive.RecoveryFailures > failuresBefore ? RecoverResult::kFailed : RecoverResult::kRecovered;
}

}  // namespace

std::string RawFatEntryKind::Name(const void* item) const { return RawEntryName(Entry(item)); }

bool RawFatEntryKind::IsFolder(const void* item) const { return IsFatFolder(Entry(item)); }

EntryStatus RawFatEntryKind::Status(const void* item) const {
  return Entry(item).DirEntry.IsDeletedMark() ? EntryStatus::kDeleted : EntryStatus::kExisting;
}

uint64_t RawFatEntryKind::Size(const void* item) const { return Entry(item).DirEntry.FileSize(); }

double RawFatEntryKind::Stamp(const void* item, engine::DateKind kind) const {
  // An invalid FAT stamp shows nothing rather than a stale or made-up date.
  const engine::DosDateTime d = engine::FatDirEntryDate(Entry(item).DirEntry, kind);
  return d.valid ? d.value : 0;
}

uint64_t RawFatEntryKind::FolderKey(const void* item) const {
  const TPartiEntry* p = drive_.CurrentPartition;
  if (!p) return 0;
  return ClusterSector(*p, EntryCluster(Entry(item).DirEntry, p->FatKind)).value_or(0);
}

uint64_t RawFatEntryKind::ParentKey(const void* item) const { return Entry(item).DirSector; }

engine::EntryProperties RawFatEntryKind::Properties(const void* item) const {
  engine::EntryProperties p;
  p.attributes = Entry(item).DirEntry.Attributes();
  p.accessDateOnly = true;
  const uint64_t clusterBytes = drive_.CurrentPartition ? uint64_t{drive_.CurrentPartition->FatClusterSectors} * 512 : 0;
  // Without a worked-out geometry there is no allocation to show.
  p.allocatedKnown = clusterBytes > 0;
  if (p.allocatedKnown) p.allocated = (Size(item) + clusterBytes - 1) / clusterBytes * clusterBytes;
  return p;
}

std::vector<EntryHandle> RawFatEntryKind::ChildRange(const void* item) const {
  const uint64_t sector = IsFolder(item) ? FolderKey(item) : 0;
  if (sector == 0) return {};
  return FatFolderItems(drive_, sector);
}

RecoverResult RawFatEntryKind::Recover(const void* item, const engine::RecoveryTarget& target) const {
  const int before = drive_.RecoveryFailures;
  const FoundFatEntry& entry = Entry(item);
  const int result = IsFatFolder(entry)
                         ? RecoverFatFolder(drive_, entry, target.status, target.progress, target.destination)
                         : RecoverItem(drive_, entry, target.status, target.progress, target.destination);
  return ResultOf(result, before, drive_);
}

bool RawFatEntryKind::ReadPreview(const void* item, engine::PreviewBuffer& buffer) const {
  return ReadItemStart(drive_, Entry(item), buffer);
}

std::string RawNtfsEntryKind::Name(const void* item) const { return Record(item).Name; }

bool RawNtfsEntryKind::IsFolder(const void* item) const {
  return Record(item).FileName.Attributes() >= engine::kNtfsAttrDirectory;
}

EntryStatus RawNtfsEntryKind::Status(const void* item) const {
  return (Record(item).RecordFlags & 1) ? EntryStatus::kExisting : EntryStatus::kDeleted;
}

uint64_t RawNtfsEntryKind::Size(const void* item) const {
  return static_cast<uint64_t>(std::max<int64_t>(Record(item).DataSize, 0));
}

double RawNtfsEntryKind::Stamp(const void* item, engine::DateKind kind) const {
  return engine::NtfsRecordDate(Record(item), kind);
}

uint64_t RawNtfsEntryKind::FolderKey(const void* item) const {
  return static_cast<uint64_t>(std::max<int64_t>(Record(item).RecordNumber, 0));
}

uint64_t RawNtfsEntryKind::ParentKey(const void* item) const { return ParentReference(Record(item)); }

engine::EntryProperties RawNtfsEntryKind::Properties(const void* item) const {
  const engine::tntfsfilerecord& r = Record(item);
  engine::EntryProperties p;
  p.allocated = static_cast<uint64_t>(std::max<int64_t>(r.AllocatedSize, 0));
  p.attributes = r.FileName.Attributes();
  p.keepsCompressedFlag = true;
  return p;
}

RecoverResult RawNtfsEntryKind::Recover(const void* item, const engine::RecoveryTarget& target) const {
  const engine::tntfsfilerecord& record = Record(item);
  // A folder record found on its own has no known contents to write.
  if (IsFolder(item)) {
    LogItemFailure(drive_, record.Name, kRecoveryFailed);
    return RecoverResult::kFailed;
  }
  const int before = drive_.RecoveryFailures;
  return ResultOf(RecoverItem(drive_, record, target.status, target.progress, target.destination), before, drive_);
}

bool RawNtfsEntryKind::ReadPreview(const void* item, engine::PreviewBuffer& buffer) const {
  return ReadItemStart(drive_, Record(item), buffer);
}

std::vector<EntryHandle> FatFolderItems(TPhysicalDrive& drive, uint64_t sector) {
  std::vector<EntryHandle> items;
  int first = -1, last = -1;
  if (!drive.CurrentPartition || !FindFatFolderRange(drive, sector, first, last)) return items;
  for (int i = first; i <= last; ++i)
    items.push_back(drive.EntryOf(*drive.CurrentPartition->FatEntries[static_cast<size_t>(i)]));
  return items;
}

std::vector<EntryHandle> NtfsFolderItems(TPhysicalDrive& drive, uint64_t parent) {
  std::vector<EntryHandle> items;
  if (!drive.CurrentPartition) return items;
  const auto& records = drive.CurrentPartition->NtfsRecords;
  int first = -1, last = -1;
  FindNtfsFolderRange(records, parent, first, last);
  for (int i = first; first >= 0 && i <= last; ++i) items.push_back(drive.EntryOf(*records[static_cast<size_t>(i)]));
  return items;
}

std::vector<EntryHandle> MatchedItems(TPhysicalDrive& drive, bool ntfs) {
  std::vector<EntryHandle> items;
  if (!drive.CurrentPartition) return items;
  const TPartiEntry& p = *drive.CurrentPartition;
  if (ntfs)
    for (const engine::tntfsfilerecord* r : p.NtfsMatches) items.push_back(drive.EntryOf(*r));
  else
    for (const FoundFatEntry* e : p.FatMatches) items.push_back(drive.EntryOf(*e));
  return items;
}

}  // namespace tarnwell::physical::raw
