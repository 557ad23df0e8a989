#pragma once
// The exFAT side of the raw-range scan. exFAT entry sets check themselves
// (set checksum), so they are found anywhere in a range, existing or
// deleted, without a boot sector or FAT. The cluster size and heap start
// are worked out from folder sets whose first cluster points at a place
// where entry sets begin; files are then read contiguously from their
// first cluster, which is exact for the NoFatChain files exFAT writes
// whenever it can.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/exfat/entry_set.h"
#include "engine/window_interfaces.h"

namespace tarnwell::physical::raw {

struct ExfatFoundSet {
  uint64_t sector = 0;   // absolute sector holding the set's first entry
  uint32_t offset = 0;   // byte offset of that entry in the sector
  engine::ExfatEntrySet set;
};

struct ExfatRawGeometry {
  uint32_t clusterSectors = 0;  // 0: not worked out
  uint64_t heapStart = 0;       // absolute sector of cluster 2
  bool Known() const { return clusterSectors != 0; }
  std::optional<uint64_t> ClusterSector(uint32_t cluster) const;
  std::optional<uint32_t> ClusterOf(uint64_t sector) const;
};

// Appends the checksummed sets that begin in the first `usable` bytes of
// bytes (size bytes in all, read from firstSector on); a set may run on
// past usable into the rest. Stops at `limit` sets in out.
void CollectExfatSets(const uint8_t* bytes, size_t size, size_t usable, uint64_t firstSector,
                      std::vector<ExfatFoundSet>& out, size_t limit);

// Every set in count sectors from start of the disk with this drive code.
std::vector<ExfatFoundSet> FindExfatSets(int16_t driveCode, uint64_t start, uint64_t count,
                                         engine::MessagePump& pump, const bool& stop);

// The geometry the found sets agree on: candidate (cluster size, heap)
// pairs get a vote from each folder set whose first cluster would then
// land on a sector where a set begins; the best few are scored again,
// minus the file sets whose data would land on such a sector (data never
// begins with an entry set). Unknown when no pair has a positive score.
ExfatRawGeometry CalibrateExfat(const std::vector<ExfatFoundSet>& sets);

// The folder path of each set as names (UTF-8), root side first: the
// folder sets whose clusters hold it, up the chain; a set whose folder was
// not found sits in "[Folder]N", N the cluster it lies in.
std::vector<std::vector<std::string>> ExfatSetFolders(const std::vector<ExfatFoundSet>& sets,
                                                      const ExfatRawGeometry& geometry);

}  // namespace tarnwell::physical::raw
