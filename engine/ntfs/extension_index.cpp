#include "engine/ntfs/extension_index.h"

#include "engine/ntfs/listed_attributes.h"
#include "engine/ntfs/ntfs_format.h"

namespace tarnwell::engine::ntfs {

void ExtensionIndex::Clear() {
  byBase_.clear();
  noted_ = 0;
}

void ExtensionIndex::Note(uint64_t base, uint64_t number) {
  if (noted_ >= kMaxIndexedExtensionRecords) return;
  std::vector<uint64_t>& records = byBase_[base & kLow48];
  // One file's pieces are never more than its list could name.
  if (records.size() >= kMaxExtensionRecords) return;
  records.push_back(number);
  ++noted_;
}

std::span<const uint64_t> ExtensionIndex::Of(uint64_t base) const {
  const auto it = byBase_.find(base & kLow48);
  if (it == byBase_.end()) return {};
  return it->second;
}

}  // namespace tarnwell::engine::ntfs
