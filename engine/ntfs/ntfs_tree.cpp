// Links every found NTFS record to its parent folder record.
#include <unordered_set>
#include <vector>

#include "engine/entry_helpers.h"
#include "engine/undelete.h"

namespace tarnwell::engine {

void TUndelete::LinkNtfsTree() {
  if (!CurrentDrive || CurrentDrive->IsFat()) return;
  NtfsEntryList& entries = CurrentDrive->NtfsEntries;
  // Depth first from the top level (the root "\" and the lost folders),
  // with an explicit stack: parent references come from the disk, so a
  // chain can be as deep as the MFT is long, and a folder met twice
  // (a corrupted reference making it its own ancestor) is not entered again.
  std::vector<tntfsfilerecord*> pending{nullptr};
  std::unordered_set<const tntfsfilerecord*> entered;
  while (!pending.empty()) {
    tntfsfilerecord* folder = pending.back();
    pending.pop_back();
    const uint32_t key = folder ? NtfsFolderKey(*folder) : 0;
    int first = -1;
    int last = -1;
    if (!GetChildRange(key, first, last)) continue;
    for (int i = first; i <= last; ++i) {
      tntfsfilerecord* child = entries[static_cast<size_t>(i)].get();
      if (child == folder) continue;
      child->Parent = folder;
      if (!IsNtfsFile(*child) && entered.insert(child).second) pending.push_back(child);
    }
  }
}

}  // namespace tarnwell::engine
