#include "engine/entry_handle.h"

#include <cmath>

namespace tarnwell::engine {
namespace {

// Parent chains come from the disk; a corrupted one may loop.
constexpr int kMaxDepth = 4096;

}  // namespace

std::string EntryHandle::Name() const { return kind_ ? kind_->Name(item_) : std::string(); }
bool EntryHandle::IsFolder() const { return kind_ && kind_->IsFolder(item_); }
bool EntryHandle::IsRoot() const { return kind_ && kind_->IsRoot(item_); }
bool EntryHandle::ListsChildrenByKey() const { return kind_ && kind_->ListsChildrenByKey(); }
EntryStatus EntryHandle::Status() const { return kind_ ? kind_->Status(item_) : EntryStatus::kExisting; }
uint64_t EntryHandle::Size() const { return kind_ ? kind_->Size(item_) : 0; }
double EntryHandle::Stamp(DateKind kind) const { return kind_ ? kind_->Stamp(item_, kind) : 0; }
bool EntryHandle::IsMadeUp() const { return kind_ && kind_->IsMadeUp(item_); }
std::optional<ExactStamp> EntryHandle::Exact(DateKind kind) const {
  return kind_ ? kind_->Exact(item_, kind) : std::nullopt;
}

std::optional<ExactStamp> EntryKind::Exact(const void* item, DateKind kind) const {
  const double value = Stamp(item, kind);
  if (value == 0) return std::nullopt;
  // Days since 1899-12-30 to seconds since 1970, to the nearest second.
  return ExactStamp{std::llround((value - 25569.0) * 86400.0), 0, 0, false};
}
uint64_t EntryHandle::FolderKey() const { return kind_ ? kind_->FolderKey(item_) : 0; }
uint64_t EntryHandle::ParentKey() const { return kind_ ? kind_->ParentKey(item_) : 0; }
EntryHandle EntryHandle::Parent() const { return kind_ ? kind_->Parent(item_) : EntryHandle(); }
EntryProperties EntryHandle::Properties() const { return kind_ ? kind_->Properties(item_) : EntryProperties(); }
TimelineFacts EntryHandle::Timeline() const { return kind_ ? kind_->Timeline(item_) : TimelineFacts(); }
Recoverability EntryHandle::Recoverable() const {
  return kind_ ? kind_->Recoverable(item_) : Recoverability::kNone;
}

std::vector<EntryHandle> EntryHandle::ChildRange() const {
  return kind_ ? kind_->ChildRange(item_) : std::vector<EntryHandle>();
}

RecoverResult EntryHandle::Recover(const RecoveryTarget& target) const {
  return kind_ ? kind_->Recover(item_, target) : RecoverResult::kFailed;
}

bool EntryHandle::ReadPreview(PreviewBuffer& buffer) const {
  buffer.fill(0);
  return kind_ && kind_->ReadPreview(item_, buffer);
}

std::string EntryHandle::FolderPath() const {
  // The folders from the top down: each name joins with "\", which a root
  // named "\" already ends with.
  std::vector<std::string> names;
  for (EntryHandle p = Parent(); p && static_cast<int>(names.size()) < kMaxDepth; p = p.Parent())
    names.push_back(p.Name());
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += *it;
  }
  return path;
}

}  // namespace tarnwell::engine
