#include "engine/ntfs/system_records.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/entry_helpers.h"

namespace tarnwell::engine::ntfs {

size_t DropSystemFiles(NtfsEntryList& records) {
  // Record indices by parent reference, to find a folder's records at once.
  std::vector<std::pair<uint64_t, size_t>> byParent;
  byParent.reserve(records.size());
  for (size_t i = 0; i < records.size(); ++i) byParent.emplace_back(records[i]->FileName.ParentRecord(), i);
  std::sort(byParent.begin(), byParent.end());

  std::vector<bool> dropped(records.size(), false);
  std::vector<uint64_t> parents;
  for (uint64_t n = 1; n < static_cast<uint64_t>(kFirstUserRecord); ++n)
    if (IsSystemParent(n)) parents.push_back(n);
  size_t count = 0;
  while (!parents.empty()) {
    const uint64_t parent = parents.back();
    parents.pop_back();
    auto it = std::lower_bound(byParent.begin(), byParent.end(), std::make_pair(parent, size_t{0}));
    for (; it != byParent.end() && it->first == parent; ++it) {
      const size_t i = it->second;
      // Marked before its own records are looked up, so a folder that names
      // itself or an ancestor as its parent is followed once.
      if (dropped[i]) continue;
      dropped[i] = true;
      ++count;
      if (!IsNtfsFile(*records[i])) parents.push_back(static_cast<uint64_t>(records[i]->RecordNumber));
    }
  }
  if (count == 0) return 0;
  size_t kept = 0;
  for (size_t i = 0; i < records.size(); ++i)
    if (!dropped[i]) records[kept++] = std::move(records[i]);
  records.resize(kept);
  return count;
}

}  // namespace tarnwell::engine::ntfs
