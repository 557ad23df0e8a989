#include "engine/entry_count.h"

#include <sys/statvfs.h>

#include <unordered_set>
#include <vector>

namespace tarnwell::engine {
namespace {

void AddFile(EntryTotals& totals, const EntryHandle& file) {
  ++totals.files;
  totals.bytes = SaturatingAdd(totals.bytes, file.Size());
}

}  // namespace

EntryTotals CountFilesAndBytes(const EntryHandle& entry, size_t maxFolders) {
  EntryTotals totals;
  if (!entry) return totals;
  if (!entry.IsFolder()) {
    AddFile(totals, entry);
    return totals;
  }
  std::unordered_set<const void*> entered;
  std::vector<EntryHandle> pending{entry};
  while (!pending.empty() && entered.size() < maxFolders) {
    const EntryHandle folder = pending.back();
    pending.pop_back();
    if (!entered.insert(folder.Item()).second) continue;
    for (const EntryHandle& child : folder.ChildRange()) {
      if (!child.IsFolder()) {
        AddFile(totals, child);
        continue;
      }
      // A folder's own "." and ".." entries are not folders below it.
      const std::string name = child.Name();
      if (name != "." && name != "..") pending.push_back(child);
    }
  }
  return totals;
}

RoomCheck CheckRoom(const std::string& folder, uint64_t planned) {
  RoomCheck check;
  check.planned = planned;
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) == 0) check.available = uint64_t{fs.f_bavail} * fs.f_frsize;
  return check;
}

}  // namespace tarnwell::engine
