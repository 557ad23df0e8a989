// Writes the data of a compressed NTFS file: unit by unit of 16 clusters,
// a unit whose clusters are all allocated is stored as is, a unit that ends
// in sparse clusters holds LZNT1 chunks in its allocated clusters, and a
// wholly sparse unit is zeros.
#include <algorithm>

#include "engine/event_log_line.h"
#include "engine/ntfs/lznt1.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/run_list.h"
#include "engine/recovery/output_file.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {

bool TUndelete::WriteCompressedData(const trunlist& runs, OutputFile& file, int64_t size,
                                    EventLog& log) {
  const uint64_t total = static_cast<uint64_t>(std::max<int64_t>(size, 0));
  const uint32_t cluster = NtfsClusterBytes();
  if (cluster == 0) return false;
  const size_t unitBytes = static_cast<size_t>(ntfs::kCompressionUnitClusters) * cluster;
  std::vector<uint8_t> unit(unitBytes);
  std::vector<uint8_t> out;
  out.reserve(unitBytes);
  ntfs::RunCursor cursor(runs);
  // Units are cut by position in the file, not by run: one run may hold an
  // uncompressed unit and the start of the next, compressed one.
  while (file.Position() < total && !cursor.AtEnd()) {
    pump_.Pump();
    if (StopRequested) {
      AddLogLine(log, platform::SystemText("恢复被用户终止"), kLogError);
      return false;
    }
    size_t allocated = 0;  // clusters of the unit read from the disk
    int64_t gathered = 0;
    bool sparse = false;
    while (gathered < ntfs::kCompressionUnitClusters) {
      const auto piece = cursor.Next(ntfs::kCompressionUnitClusters - gathered);
      if (piece.count == 0) break;
      if (piece.sparse) {
        sparse = true;
      } else {
        // Allocated clusters after a sparse piece cannot belong to a
        // compressed unit; they are read in place all the same.
        if (!ReadClusters(piece.lcn, piece.count, &unit[static_cast<size_t>(gathered) * cluster]))
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
      // A unit with no clusters on the disk reads as zeros.
      const uint64_t zeros = std::min<uint64_t>(static_cast<uint64_t>(gathered) * cluster, room);
      if (!file.SetSize(file.Position() + zeros)) return false;
      continue;
    } else if (!ntfs::DecompressUnit(std::span<const uint8_t>(unit.data(), allocated * cluster),
                                     unitBytes, room, out)) {
      file.Write(out.data(), out.size());
      return false;
    }
    if (file.Write(out.data(), out.size()) < out.size()) return false;
  }
  return file.SetSize(total);
}

}  // namespace tarnwell::engine
