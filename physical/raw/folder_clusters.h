#pragma once
// The clusters of found FAT folders past their first one. A folder's first
// cluster is found by its "." and ".." entries; its later clusters begin
// with no such mark. Where the range still holds the volume's FAT, the
// folder's chain names them. Otherwise clusters that hold nothing but
// directory entries and that no found folder owns are attached to the
// folder they continue (next to its last cluster, which ended without an
// end marker), and the rest are listed together as lost entries.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "physical/raw/directory_chunk.h"
#include "physical/raw/raw_fat_table.h"

namespace tarnwell::disk {
class SectorSource;
}
namespace tarnwell::physical {
class TPhysicalDrive;
}

namespace tarnwell::physical::raw {

// At most this many directory clusters are kept as orphans: a disk of
// nothing but entry-like sectors must not make the pass read without end.
inline constexpr size_t kMaxOrphanClusters = size_t{1} << 18;

// A found folder as the directory pass first read it.
struct FolderRead {
  uint64_t sector = 0;   // where its first cluster lies: the key of its entries
  uint32_t cluster = 0;  // its own cluster ("."; 2 for the root)
  bool isRoot = false;
  size_t bytesRead = 0;  // bytes the first read brought in
  DirectoryParse parse;  // how far the parse of them went
};

struct FolderExtension {
  size_t chainedFolders = 0;    // folders whose FAT chain was followed
  size_t chainClusters = 0;     // clusters past the first that chains named
  size_t adjacentClusters = 0;  // orphan clusters attached to the folder they continue
  size_t lostClusters = 0;      // orphan clusters listed as lost entries
  size_t lostEntries = 0;
};

// Extends the current partition's found folders (geometry settled, root
// added) and adds the lost entries, appending kLostEntriesSector to
// DirSectors when there are any. `table` is the FAT a boot sector in the
// range locates; it is followed only when that boot sector's geometry is
// the one in use and the sectors hold a formatted FAT.
FolderExtension ExtendFoundFolders(TPhysicalDrive& drive, disk::SectorSource& source,
                                   const std::optional<FatTableLocation>& table, std::span<const FolderRead> folders);

}  // namespace tarnwell::physical::raw
