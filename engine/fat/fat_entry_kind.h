#pragma once
// The found entries of a FAT or exFAT volume as entry handles: names,
// stamps and keys from the 32-byte entry, children by folder key (only a
// folder's own: two folders may share a first cluster), recovery and
// preview through the engine that scanned them.
#include "engine/entry_handle.h"
#include "engine/records.h"

namespace tarnwell::engine {

class TUndelete;

class FatEntryKind final : public EntryKind {
 public:
  explicit FatEntryKind(TUndelete& engine);

  EntryHandle Of(const TMidEntry& entry) const { return Handle(&entry); }
  // The root folder, above the entries of the root directory.
  EntryHandle Top() const { return Handle(&top_); }
  // The entry behind a handle of this kind; null for any other handle.
  TMidEntry* EntryOf(const EntryHandle& handle) const;

  std::string Name(const void* item) const override;
  bool IsFolder(const void* item) const override;
  bool IsRoot(const void* item) const override { return item == &top_; }
  bool IsMadeUp(const void* item) const override;
  EntryStatus Status(const void* item) const override;
  uint64_t Size(const void* item) const override;
  double Stamp(const void* item, DateKind kind) const override;
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
  static TMidEntry& Entry(const void* item) { return *const_cast<TMidEntry*>(static_cast<const TMidEntry*>(item)); }

  TUndelete& engine_;
  // Stands for the root folder; its key is the current drive's root key.
  TMidEntry top_;
};

}  // namespace tarnwell::engine
