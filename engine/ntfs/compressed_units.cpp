#include "engine/ntfs/compressed_units.h"

#include <algorithm>
#include <vector>

#include "engine/ntfs/lznt1.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/run_list.h"

namespace tarnwell::engine::ntfs {

bool WriteCompressedUnits(const trunlist& runs, OutputFile& file, int64_t size, const ClusterSource& source) {
  const uint64_t total = static_cast<uint64_t>(std::max<int64_t>(size, 0));
  const uint32_t cluster = source.clusterBytes;
  if (cluster == 0) return false;
  const size_t unitBytes = static_cast<size_t>(kCompressionUnitClusters) * cluster;
  std::vector<uint8_t> unit(unitBytes);
  std::vector<uint8_t> out;
  out.reserve(unitBytes);
  RunCursor cursor(runs);
  // Units are cut by position in the file, not by run: one run may hold an
  // uncompressed unit and the start of the next, compressed one.
  while (file.Position() < total && !cursor.AtEnd()) {
    if (source.beforeStep && !source.beforeStep()) return false;
    // Whole units inside one sparse run hold no clusters and read as
    // zeros: they become one hole in one step, however long the run. Each
    // pass takes whole units, so the cursor stands at a unit boundary.
    if (const int64_t units = cursor.SparseAhead() / kCompressionUnitClusters; units > 0) {
      const int64_t clusters = units * kCompressionUnitClusters;
      cursor.Next(clusters);
      const uint64_t hole = std::min<uint64_t>(static_cast<uint64_t>(clusters) * cluster, total - file.Position());
      if (!file.SetSize(file.Position() + hole)) return false;
      continue;
    }
    size_t allocated = 0;  // clusters of the unit read from the disk
    int64_t gathered = 0;
    bool sparse = false;
    while (gathered < kCompressionUnitClusters) {
      const auto piece = cursor.Next(kCompressionUnitClusters - gathered);
      if (piece.count == 0) break;
      if (piece.sparse) {
        sparse = true;
      } else {
        // Allocated clusters after a sparse piece cannot belong to a
        // compressed unit; they are read in place all the same.
        if (!source.readClusters(piece.lcn, piece.count, &unit[static_cast<size_t>(gathered) * cluster]))
          return false;
        allocated = static_cast<size_t>(gathered + piece.count);
      }
      gathered += piece.count;
    }
    const uint64_t room = total - file.Position();
    out.clear();
    if (!sparse) {
      out.assign(unit.begin(), unit.begin() + static_cast<std::ptrdiff_t>(std::min<uint64_t>(
                                                   static_cast<uint64_t>(gathered) * cluster, room)));
    } else if (allocated == 0) {
      // A unit with no clusters on the disk reads as zeros; they are
      // written so that the data after it stays in place.
      const uint64_t zeros = std::min<uint64_t>(static_cast<uint64_t>(gathered) * cluster, room);
      if (!file.SetSize(file.Position() + zeros)) return false;
      continue;
    } else if (!DecompressUnit(std::span<const uint8_t>(unit.data(), allocated * cluster), unitBytes, room,
                               out)) {
      file.Write(out.data(), out.size());
      return false;
    }
    if (file.Write(out.data(), out.size()) < out.size()) return false;
    if (source.afterStep) source.afterStep(file.Position());
  }
  // Runs that end before the data does leave the file short, not padded.
  return file.Position() >= total && file.SetSize(total);
}

}  // namespace tarnwell::engine::ntfs
