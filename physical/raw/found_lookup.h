#pragma once
// Lookup over the results of a raw-range scan of the drive's current
// partition: the items of one folder by bisection on the sorted lists, the
// first bytes of an item for the hex view, and the filter into the match
// lists.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/records.h"

namespace tarnwell::physical {
class TPhysicalDrive;
struct FoundFatEntry;
}  // namespace tarnwell::physical

namespace tarnwell::physical::raw {

// Item kind of the NTFS lists; any other kind selects the FAT lists.
inline constexpr int kNtfsItem = 3;

// The first and last index of a sorted list of n keys that equal target
// (both -1 and false when none), found in logarithmic time.
bool BisectRange(size_t n, const std::function<uint64_t(size_t)>& keyAt, uint64_t target,
                 int& first, int& last);

// The found FAT entries whose directory sector is `sector`.
bool FindFatFolderRange(const TPhysicalDrive& drive, uint64_t sector, int& first, int& last);
// The records of the list whose parent reference (48 bits) is `parent`.
// True also when none is found (first -1), as callers list an empty folder.
bool FindNtfsFolderRange(const std::vector<std::unique_ptr<engine::tntfsfilerecord>>& records,
                         uint64_t parent, int& first, int& last);

// The parent reference of a found NTFS record.
inline uint64_t ParentReference(const engine::tntfsfilerecord& r) { return r.FileName.ParentRecord(); }

// The name of a found FAT entry: its long name, else BASE.EXT trimmed; a
// leading deletion mark 0xE5 shows as "?".
std::string RawEntryName(const FoundFatEntry& entry);

// Reads the first 2048 bytes of an item's data. False when the disk cannot
// be opened or read, or (FAT) the geometry is undetermined.
bool ReadItemStart(const TPhysicalDrive& drive, const FoundFatEntry& item, std::array<uint8_t, 2048>& buffer);
bool ReadItemStart(const TPhysicalDrive& drive, const engine::tntfsfilerecord& item,
                   std::array<uint8_t, 2048>& buffer);

struct FilterCriteria {
  std::string patterns;  // comma-separated wildcard patterns; empty: all names
  int64_t folderKey = -1;
  int64_t maxSize = -1, minSize = -1;  // both >= 0 to test sizes
  double dateTo = 0, dateFrom = 0;     // dateFrom 0: no date test
  int dateKind = 0;                    // 0 created, 1 modified, 2 accessed
  bool caseSensitive = false;
};
// Fills FatMatches or NtfsMatches of the current partition.
bool FilterItems(TPhysicalDrive& drive, int kind, const FilterCriteria& criteria);

}  // namespace tarnwell::physical::raw
