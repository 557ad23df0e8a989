#pragma once
// The found FAT entry of the raw-range scan. It is not the standard
// engine's TMidEntry, though the two once shared that name: it remembers
// where its directory was found rather than a parent link.
#include <cstdint>
#include <string>

#include "engine/records.h"

namespace tarnwell::physical {

struct FoundFatEntry {
  engine::RawDirEntry DirEntry;  // as found; only name bytes may be re-cased
  std::string LongName;          // system code page; empty when none
  uint64_t DirSector = 0;        // first sector of the directory chunk
  uint32_t DirCluster = 0;       // cluster of that directory (2 for a root)
};
// The DirSector of the entries found in directory clusters that no found
// folder owns (their folder's first cluster is lost, or nothing ties them
// to it): they are listed together, as one folder of lost entries. No
// sector of a disk has this address. Their DirCluster is the cluster where
// the run of such clusters that held them begins.
inline constexpr uint64_t kLostEntriesSector = UINT64_MAX - 1;

// Where the FAT geometry of a raw scan came from: a boot sector left in the
// range, the folders found (two or more placed where their own cluster
// numbers say), the user's calibration, or only the size table (guessed:
// nothing has confirmed it).
enum class FatGeometrySource : uint8_t { kGuessed, kBootSector, kFolders, kCalibrated };

// The names the raw-range scan's records are given beside the standard
// engine's (FAT12/16 and FAT32 entries have the same fields).
using TMidEntry = FoundFatEntry;
using TMidEntry32 = FoundFatEntry;

}  // namespace tarnwell::physical
