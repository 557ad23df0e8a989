#include "engine/ntfs/ntfs_entry_kind.h"

#include "engine/entry_helpers.h"
#include "engine/search/entry_dates.h"
#include "engine/timeline_facts.h"
#include "engine/undelete.h"

namespace tarnwell::engine {
namespace {

bool InUse(const tntfsfilerecord& r) { return (r.RecordFlags & 1) != 0; }

std::string Trimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace

tntfsfilerecord* NtfsEntryKind::RecordOf(const EntryHandle& handle) const {
  if (handle.Kind() != this || !handle || handle.Item() == &top_) return nullptr;
  return &Record(handle.Item());
}

std::string NtfsEntryKind::Name(const void* item) const { return Trimmed(Record(item).Name); }

bool NtfsEntryKind::IsFolder(const void* item) const { return item == &top_ || !IsNtfsFile(Record(item)); }

bool NtfsEntryKind::IsRoot(const void* item) const {
  // The synthetic root: record 5 at the top, where the scan puts it.
  const tntfsfilerecord& r = Record(item);
  return item != &top_ && r.RecordNumber == kNtfsRootRecord && r.FileName.ParentRecord() == 0;
}

EntryStatus NtfsEntryKind::Status(const void* item) const {
  return item == &top_ || InUse(Record(item)) ? EntryStatus::kExisting : EntryStatus::kDeleted;
}

uint64_t NtfsEntryKind::Size(const void* item) const {
  return static_cast<uint64_t>(std::max<int64_t>(Record(item).DataSize, 0));
}

double NtfsEntryKind::Stamp(const void* item, DateKind kind) const {
  return IsMadeUp(item) ? 0 : NtfsRecordDate(Record(item), kind);
}

bool NtfsEntryKind::IsMadeUp(const void* item) const { return item == &top_ || IsMadeUpNtfsRecord(Record(item)); }

std::optional<ExactStamp> NtfsEntryKind::Exact(const void* item, DateKind kind) const {
  if (IsMadeUp(item)) return std::nullopt;
  return NtfsRecordStamp(Record(item), kind);
}

uint64_t NtfsEntryKind::FolderKey(const void* item) const { return NtfsFolderKey(Record(item)); }

uint64_t NtfsEntryKind::ParentKey(const void* item) const { return Record(item).FileName.ParentRecord(); }

EntryHandle NtfsEntryKind::Parent(const void* item) const {
  const tntfsfilerecord* parent = Record(item).Parent;
  return parent ? Handle(parent) : EntryHandle();
}

EntryProperties NtfsEntryKind::Properties(const void* item) const {
  const tntfsfilerecord& r = Record(item);
  EntryProperties p;
  p.allocated = static_cast<uint64_t>(std::max<int64_t>(r.AllocatedSize, 0));
  p.attributes = r.FileName.Attributes();
  p.keepsCompressedFlag = true;
  return p;
}

TimelineFacts NtfsEntryKind::Timeline(const void* item) const {
  return item == &top_ ? TimelineFacts() : NtfsTimelineFacts(Record(item));
}

Recoverability NtfsEntryKind::Recoverable(const void* item) const {
  return item == &top_ ? Recoverability::kNone : engine_.RecoverabilityOf(Record(item));
}

std::vector<EntryHandle> NtfsEntryKind::ChildRange(const void* item) const {
  std::vector<EntryHandle> children;
  const TLogiDrive* drive = engine_.CurrentDrive;
  if (!drive || drive->IsFat() || !IsFolder(item)) return children;
  int first = -1, last = -1;
  if (!engine_.GetChildRange(static_cast<uint32_t>(FolderKey(item)), first, last)) return children;
  for (int i = first; i <= last; ++i) {
    const tntfsfilerecord* child = drive->NtfsEntries[static_cast<size_t>(i)].get();
    if (child != item) children.push_back(Handle(child));  // a folder may name itself its parent
  }
  return children;
}

RecoverResult NtfsEntryKind::Recover(const void* item, const RecoveryTarget& target) const {
  if (item == &top_) return RecoverResult::kFailed;  // the volume is recovered by its entries
  tntfsfilerecord& record = Record(item);
  return engine_.RecoverEntry(record, IsFolder(item), NtfsOutputName(record, target.name ? *target.name : record.Name),
                              target);
}

bool NtfsEntryKind::ReadPreview(const void* item, PreviewBuffer& buffer) const {
  return item != &top_ && engine_.ReadPreview(Record(item), buffer);
}

}  // namespace tarnwell::engine
