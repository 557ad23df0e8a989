#include "engine/entry_count.h"

#include <sys/statvfs.h>

#include <unordered_set>
#include <vector>

namespace tarnwell::engine {
namespace {

// Calls file(handle) for a file, or for every file anywhere below a folder.
template <typename File>
void ForEachFileBelow(const EntryHandle& entry, size_t maxFolders, const File& file) {
  if (!entry) return;
  if (!entry.IsFolder()) {
    file(entry);
    return;
  }
  std::unordered_set<const void*> entered;
  std::vector<EntryHandle> pending{entry};
  while (!pending.empty() && entered.size() < maxFolders) {
    const EntryHandle folder = pending.back();
    pending.pop_back();
    if (!entered.insert(folder.Item()).second) continue;
    for (const EntryHandle& child : folder.ChildRange()) {
      if (!child.IsFolder()) {
        file(child);
        continue;
      }
      // A folder's own "." and ".." entries are not folders below it.
      const std::string name = child.Name();
      if (name != "." && name != "..") pending.push_back(child);
    }
  }
}

}  // namespace

uint64_t CountFiles(const EntryHandle& entry, size_t maxFolders) {
  uint64_t files = 0;
  ForEachFileBelow(entry, maxFolders, [&](const EntryHandle&) { ++files; });
  return files;
}

uint64_t BytesToWrite(const EntryHandle& entry, size_t maxFolders) {
  uint64_t bytes = 0;
  ForEachFileBelow(entry, maxFolders, [&](const EntryHandle& f) {
    const uint64_t size = f.Size();
    bytes = size > UINT64_MAX - bytes ? UINT64_MAX : bytes + size;
  });
  return bytes;
}

RoomCheck CheckRoom(const std::string& folder, uint64_t planned) {
  RoomCheck check;
  check.planned = planned;
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) == 0) check.available = uint64_t{fs.f_bavail} * fs.f_frsize;
  return check;
}

}  // namespace tarnwell::engine
