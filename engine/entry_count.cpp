#include "engine/entry_count.h"

#include <unordered_set>
#include <vector>

namespace tarnwell::engine {

uint64_t CountFiles(const EntryHandle& entry, size_t maxFolders) {
  if (!entry) return 0;
  if (!entry.IsFolder()) return 1;
  uint64_t files = 0;
  std::unordered_set<const void*> entered;
  std::vector<EntryHandle> pending{entry};
  while (!pending.empty() && entered.size() < maxFolders) {
    const EntryHandle folder = pending.back();
    pending.pop_back();
    if (!entered.insert(folder.Item()).second) continue;
    for (const EntryHandle& child : folder.ChildRange()) {
      if (!child.IsFolder()) {
        ++files;
        continue;
      }
      // A folder's own "." and ".." entries are not folders below it.
      const std::string name = child.Name();
      if (name != "." && name != "..") pending.push_back(child);
    }
  }
  return files;
}

}  // namespace tarnwell::engine
