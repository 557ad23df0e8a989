#include "engine/ntfs/ntfs_allocation.h"

#include <algorithm>

namespace tarnwell::engine::ntfs {

NtfsBitmapAllocation::NtfsBitmapAllocation(std::vector<uint8_t> resident, trunlist runs, uint32_t clusterBytes,
                                           uint64_t volumeClusters, ClusterReader readClusters)
    : resident_(std::move(resident)),
      runs_(std::move(runs)),
      clusterBytes_(clusterBytes),
      pieceBytes_(std::max<uint64_t>(kPieceBytes, clusterBytes)),
      volumeClusters_(volumeClusters),
      readClusters_(std::move(readClusters)) {}

const std::vector<uint8_t>& NtfsBitmapAllocation::Piece(uint64_t index) {
  if (const auto found = pieces_.find(index); found != pieces_.end()) return found->second;
  if (pieces_.size() >= kMaxPieces) pieces_.clear();
  // What cannot be read reads as in use (all bits set).
  std::vector<uint8_t> piece(static_cast<size_t>(pieceBytes_), 0xFF);
  const uint64_t begin = index * pieceBytes_;
  // Cluster sizes are powers of two: a piece holds whole clusters.
  if (clusterBytes_ != 0 && pieceBytes_ % clusterBytes_ == 0) {
    std::vector<uint8_t> cluster(clusterBytes_);
    uint64_t vcn = begin / clusterBytes_;
    const uint64_t end = vcn + pieceBytes_ / clusterBytes_;
    // The runs of $Bitmap are few; each cluster of the piece finds its own.
    for (; vcn < end; ++vcn) {
      uint64_t first = 0;
      for (const TRun& run : runs_) {
        if (run.Length <= 0) break;
        const uint64_t length = static_cast<uint64_t>(run.Length);
        if (vcn < first + length) {
          const int64_t lcn = run.Lcn + static_cast<int64_t>(vcn - first);
          if (run.Lcn > 0 && run.Lcn <= INT64_MAX - run.Length && readClusters_(lcn, 1, cluster.data()))
            std::copy(cluster.begin(), cluster.end(),
                      piece.begin() + static_cast<ptrdiff_t>((vcn - begin / clusterBytes_) * clusterBytes_));
          break;
        }
        first += length;
      }
    }
  }
  return pieces_.emplace(index, std::move(piece)).first->second;
}

bool NtfsBitmapAllocation::IsAllocated(uint64_t cluster) {
  if (cluster >= volumeClusters_) return true;
  const uint64_t byte = cluster / 8;
  const uint8_t mask = static_cast<uint8_t>(1u << (cluster % 8));
  if (runs_.empty()) return byte >= resident_.size() || (resident_[static_cast<size_t>(byte)] & mask) != 0;
  return (Piece(byte / pieceBytes_)[static_cast<size_t>(byte % pieceBytes_)] & mask) != 0;
}

Recoverability RunListRecoverability(ClusterAllocation& allocation, const trunlist& runs, uint64_t clustersRead) {
  ClusterVerdict verdict;
  uint64_t vcn = 0;
  for (const TRun& run : runs) {
    if (vcn >= clustersRead || verdict.Done()) break;
    if (run.Length <= 0) break;  // a damaged list places nothing further
    const uint64_t count = std::min(static_cast<uint64_t>(run.Length), clustersRead - vcn);
    vcn += count;
    if (run.Lcn == 0) continue;  // sparse: a hole, nothing read
    // A negative start is damage: no cluster of the volume, so in use.
    for (uint64_t i = 0; i < count && !verdict.Done(); ++i)
      verdict.Add(run.Lcn < 0 || allocation.IsAllocated(static_cast<uint64_t>(run.Lcn) + i));
  }
  return verdict.State();
}

}  // namespace tarnwell::engine::ntfs
