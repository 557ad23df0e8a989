#include "physical/raw/found_lookup.h"

#include <exception>

#include "disk/device_reader.h"
#include "engine/entry_helpers.h"
#include "engine/search/entry_dates.h"
#include "engine/search/wildcard.h"
#include "physical/physical_drive.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry.h"

namespace tarnwell::physical::raw {

bool BisectRange(size_t n, const std::function<uint64_t(size_t)>& keyAt, uint64_t target, int& first,
                 int& last) {
  first = last = -1;
  if (n == 0) return false;
  size_t lo = 0, hi = n - 1;
  // Bounds move to mid, not past it: the search ends when mid stops moving,
  // leaving lo and hi side by side around the first match.
  for (size_t mid = SIZE_MAX;;) {
    const size_t next = lo + (hi - lo) / 2;
    if (next == mid) break;
    mid = next;
    if (keyAt(mid) < target) lo = mid; else hi = mid;
  }
  if (keyAt(lo) == target) first = static_cast<int>(lo);
  else if (keyAt(hi) == target) first = static_cast<int>(hi);
  else return false;
  hi = n - 1;
  for (size_t mid = SIZE_MAX;;) {
    const size_t next = lo + (hi - lo) / 2;
    if (next == mid) break;
    mid = next;
    if (target < keyAt(mid)) hi = mid; else lo = mid;
  }
  last = static_cast<int>(keyAt(hi) == target ? hi : lo);
  return true;
}

bool FindFatFolderRange(const TPhysicalDrive& drive, uint64_t sector, int& first, int& last) {
  first = last = -1;
  if (!drive.CurrentPartition) return false;
  const auto& list = drive.CurrentPartition->FatEntries;
  return BisectRange(list.size(), [&](size_t i) { return list[i]->DirSector; }, sector, first,
                     last);
}

bool FindNtfsFolderRange(const std::vector<std::unique_ptr<engine::tntfsfilerecord>>& records,
                         uint64_t parent, int& first, int& last) {
  BisectRange(records.size(), [&](size_t i) { return ParentReference(*records[i]); }, parent, first,
              last);
  return true;
}

std::string RawEntryName(const FoundFatEntry& entry) {
  if (!entry.LongName.empty()) return entry.LongName;
  std::string name = engine::FatBaseName(entry.DirEntry);
  const std::string ext = engine::FatExtension(entry.DirEntry);
  if (!ext.empty()) name += "." + ext;
  // A deleted entry's first byte 0xE5 shows as "?" (and becomes "@" in an
  // output name), as in the standard window.
  if (!name.empty() && static_cast<uint8_t>(name[0]) == 0xE5) name[0] = '?';
  return name;
}

bool ReadItemStart(const TPhysicalDrive& drive, const FoundFatEntry& item, std::array<uint8_t, 2048>& buffer) {
  if (!drive.CurrentPartition) return false;
  const TPartiEntry& entry = *drive.CurrentPartition;
  const std::optional<uint64_t> sector = ClusterSector(entry, EntryCluster(item.DirEntry, entry.FatKind));
  if (!sector) return false;
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) return false;
  uint32_t bytesRead = 0;
  return device.Read(*sector, 4, buffer.data(), bytesRead);
}

namespace {

struct Candidate {
  std::string name;
  double date = 0;
  int64_t size = 0;
};

bool Passes(const FilterCriteria& c, const std::vector<std::string>& patterns, const Candidate& e) {
  if (!c.patterns.empty() && !engine::MatchesAnyPattern(e.name, patterns, c.caseSensitive)) return false;
  if (c.dateFrom != 0 && !(c.dateFrom <= e.date && e.date <= c.dateTo)) return false;
  if (c.maxSize >= 0 && c.minSize >= 0 && !(c.minSize <= e.size && e.size <= c.maxSize)) return false;
  return true;
}

}  // namespace

bool FilterItems(TPhysicalDrive& drive, int kind, const FilterCriteria& c) {
  try {
    if (!drive.CurrentPartition) return false;
    TPartiEntry& entry = *drive.CurrentPartition;
    const std::vector<std::string> patterns = engine::SplitPatterns(c.patterns);
    const bool ntfs = kind == kNtfsItem;
    const size_t n = ntfs ? entry.NtfsRecords.size() : entry.FatEntries.size();
    int first = 0, last = static_cast<int>(n) - 1;
    if (ntfs) entry.NtfsMatches.clear(); else entry.FatMatches.clear();
    if (c.folderKey != -1) {
      if (ntfs) FindNtfsFolderRange(entry.NtfsRecords, static_cast<uint64_t>(c.folderKey), first, last);
      else FindFatFolderRange(drive, static_cast<uint64_t>(c.folderKey), first, last);
      if (first < 0) return true;
    }
    for (int i = first; i <= last; ++i) {
      Candidate e;
      if (ntfs) {
        engine::tntfsfilerecord& r = *entry.NtfsRecords[static_cast<size_t>(i)];
        if (!c.patterns.empty()) e.name = r.Name;
        if (c.dateFrom != 0) e.date = engine::NtfsRecordDate(r, c.dateKind);
        e.size = r.DataSize;
        if (Passes(c, patterns, e)) entry.NtfsMatches.push_back(&r);
      } else {
        FoundFatEntry& f = *entry.FatEntries[static_cast<size_t>(i)];
        if (!c.patterns.empty()) e.name = RawEntryName(f);
        if (c.dateFrom != 0) {
          const engine::DosDateTime d = engine::FatDirEntryDate(f.DirEntry, c.dateKind);
          // An invalid stamp counts as the from-date, so the item passes.
          e.date = d.valid ? d.value : c.dateFrom;
        }
        e.size = f.DirEntry.FileSize();
        if (Passes(c, patterns, e)) entry.FatMatches.push_back(&f);
      }
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace tarnwell::physical::raw
