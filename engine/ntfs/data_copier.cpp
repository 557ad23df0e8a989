#include "engine/ntfs/data_copier.h"

#include <algorithm>
#include <vector>

#include "engine/ntfs/compressed_units.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/run_list.h"

namespace tarnwell::engine::ntfs {
namespace {

// Clusters read at a time from a plain run: few enough to keep the stop
// command and the progress bar lively, many enough to read in large pieces.
constexpr int64_t kClustersPerCopy = 16;

}  // namespace

bool IsCompressedData(const RawFileName& fileName, const TAttribute& data) {
  if (data.Flags() & kAttrFlagCompressed) return true;
  return (fileName.Attributes() & kNtfsAttrCompressed) && data.CompressionUnit() != 0;
}

CopyOutcome CopyPlainRuns(const trunlist& runs, OutputFile& file, uint64_t size, const ClusterSource& source) {
  const uint32_t cluster = source.clusterBytes;
  if (cluster == 0) return CopyOutcome::kReadFailed;
  std::vector<uint8_t> buffer(static_cast<size_t>(kClustersPerCopy) * cluster);
  RunCursor cursor(runs);
  while (file.Position() < size && !cursor.AtEnd()) {
    if (source.beforeStep && !source.beforeStep()) return CopyOutcome::kStopped;
    const uint64_t left = size - file.Position();
    // A sparse run may stand for more than the whole volume: it is taken
    // in one step, up to what the file still lacks, as a hole.
    if (const int64_t sparse = cursor.SparseAhead(); sparse > 0) {
      cursor.Next(sparse);
      const uint64_t hole = std::min<uint64_t>(left, static_cast<uint64_t>(sparse) * cluster);
      if (!file.SetSize(file.Position() + hole)) return CopyOutcome::kWriteFailed;
    } else {
      const int64_t needed = static_cast<int64_t>(std::min<uint64_t>((left + cluster - 1) / cluster, kClustersPerCopy));
      const RunCursor::Piece piece = cursor.Next(needed);
      const size_t amount = static_cast<size_t>(std::min<uint64_t>(left, static_cast<uint64_t>(piece.count) * cluster));
      if (!source.readClusters(piece.lcn, piece.count, buffer.data())) return CopyOutcome::kReadFailed;
      if (file.Write(buffer.data(), amount) < amount) return CopyOutcome::kWriteFailed;
    }
    if (source.afterStep) source.afterStep(file.Position());
  }
  return file.Position() < size ? CopyOutcome::kRunsTooShort : CopyOutcome::kCopied;
}

CopyOutcome WriteDataAttribute(const TAttribute& data, const trunlist& runs, bool compressed, uint64_t size,
                               OutputFile& file, const ClusterSource& source) {
  if (!data.IsNonResident())
    return file.Write(data.Content.data(), data.Content.size()) < data.Content.size() ? CopyOutcome::kWriteFailed
                                                                                      : CopyOutcome::kCopied;
  if (!compressed) return CopyPlainRuns(runs, file, size, source);
  // The unit loop tells no finer reason: whatever stopped it, the data
  // did not come out whole.
  return WriteCompressedUnits(runs, file, static_cast<int64_t>(size), source) ? CopyOutcome::kCopied
                                                                              : CopyOutcome::kUnitFailed;
}

}  // namespace tarnwell::engine::ntfs
