#include "engine/entry_count.h"

#include <unordered_set>
#include <vector>

namespace tarnwell::engine {

EntryTotals CountFilesAndBytes(const EntryHandle& entry, size_t maxFolders) {
  EntryTotals totals;
  if (!entry) return totals;
  if (!entry.IsFolder()) return {1, entry.Size()};
  std::unordered_set<const void*> entered;
  std::vector<EntryHandle> pending{entry};
  while (!pending.empty() && entered.size() < maxFolders) {
    const EntryHandle folder = pending.back();
    pending.pop_back();
    if (!entered.insert(folder.Item()).second) continue;
    for (const EntryHandle& child : folder.ChildRange()) {
      if (!child.IsFolder()) {
        ++totals.files;
        totals.bytes += child.Size();
        continue;
      }
      // A folder's own "." and ".." entries are not folders below it.
      const std::string name = child.Name();
      if (name != "." && name != "..") pending.push_back(child);
    }
  }
  return totals;
}

}  // namespace tarnwell::engine
