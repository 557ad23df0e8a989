#pragma once
// The found records of an NTFS volume as entry handles: names, stamps and
// sizes from the record's file-name header, children by parent record
// number, recovery and preview through the engine that scanned them.
#include "engine/entry_handle.h"
#include "engine/records.h"

namespace tarnwell::engine {

class TUndelete;

class NtfsEntryKind final : public EntryKind {
 public:
  explicit NtfsEntryKind(TUndelete& engine) : engine_(engine) {}

  EntryHandle Of(const tntfsfilerecord& record) const { return Handle(&record); }
  // Above everything listed: the root "\" and the lost folders.
  EntryHandle Top() const { return Handle(&top_); }
  // The record behind a handle of this kind; null for any other handle.
  tntfsfilerecord* RecordOf(const EntryHandle& handle) const;

  std::string Name(const void* item) const override;
  bool IsFolder(const void* item) const override;
  bool IsRoot(const void* item) const override;
  // Records name their parents; corrupted ones can name a descendant.
  bool ListsChildrenByKey() const override { return true; }
  EntryStatus Status(const void* item) const override;
  uint64_t Size(const void* item) const override;
  double Stamp(const void* item, DateKind kind) const override;
  bool IsMadeUp(const void* item) const override;
  std::optional<ExactStamp> Exact(const void* item, DateKind kind) const override;
  uint64_t FolderKey(const void* item) const override;
  uint64_t ParentKey(const void* item) const override;
  EntryHandle Parent(const void* item) const override;
  EntryProperties Properties(const void* item) const override;
  TimelineFacts Timeline(const void* item) const override;
  Recoverability Recoverable(const void* item) const override;
  std::vector<EntryHandle> ChildRange(const void* item) const override;
  RecoverResult Recover(const void* item, const RecoveryTarget& target) const override;
  bool ReadPreview(const void* item, PreviewBuffer& buffer) const override;

 private:
  static tntfsfilerecord& Record(const void* item) {
    return *const_cast<tntfsfilerecord*>(static_cast<const tntfsfilerecord*>(item));
  }

  TUndelete& engine_;
  // Key 0: the parent of the synthetic root and of the lost folders.
  tntfsfilerecord top_;
};

}  // namespace tarnwell::engine
