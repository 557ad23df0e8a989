#include "physical/carve/found_extents.h"

#include <algorithm>

#include "engine/entry_helpers.h"
#include "physical/parti_entry.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/directory_chunk.h"

namespace tarnwell::physical::carve {

AccountedSectors::AccountedSectors(const TPartiEntry& entry) {
  for (const auto& e : entry.FatEntries) {
    const engine::RawDirEntry& d = e->DirEntry;
    if ((d.Attributes() & engine::kFatAttrDirectory) || d.FileSize() == 0) continue;
    const std::optional<uint64_t> start = raw::ClusterSector(entry, raw::EntryCluster(d, entry.FatKind));
    if (start) extents_.emplace_back(*start, *start + (uint64_t{d.FileSize()} + 511) / 512);
  }
  for (const auto& r : entry.NtfsRecords) {
    if (!engine::IsNtfsFile(*r) || r->DataStart <= 0 || r->DataSize <= 0 || entry.NtfsClusterSectors == 0) continue;
    // Only the first run is known without reading the record again; most
    // files have one.
    const uint64_t start = entry.AbsoluteStart() + static_cast<uint64_t>(r->DataStart) * entry.NtfsClusterSectors;
    extents_.emplace_back(start, start + (static_cast<uint64_t>(r->DataSize) + 511) / 512);
  }
  std::sort(extents_.begin(), extents_.end());
  std::vector<std::pair<uint64_t, uint64_t>> merged;
  for (const auto& x : extents_) {
    if (!merged.empty() && x.first <= merged.back().second)
      merged.back().second = std::max(merged.back().second, x.second);
    else
      merged.push_back(x);
  }
  extents_ = std::move(merged);
}

bool AccountedSectors::Contains(uint64_t sector) const {
  auto it = std::upper_bound(extents_.begin(), extents_.end(), sector,
                             [](uint64_t s, const std::pair<uint64_t, uint64_t>& x) { return s < x.first; });
  return it != extents_.begin() && sector < std::prev(it)->second;
}

size_t DropAccountedFor(const AccountedSectors& accounted, std::vector<CarvedFile>& files) {
  const size_t before = files.size();
  std::erase_if(files, [&](const CarvedFile& f) { return accounted.Contains(f.sector); });
  return before - files.size();
}

}  // namespace tarnwell::physical::carve
