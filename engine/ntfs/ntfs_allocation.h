#pragma once
// Which clusters of an NTFS volume are in use: a set bit in $Bitmap (the
// data of MFT record 6), read in pieces as they are asked for and kept, so
// that a listing reads each piece of the map once.
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "engine/recoverability.h"
#include "engine/records.h"

namespace tarnwell::engine::ntfs {

class NtfsBitmapAllocation final : public ClusterAllocation {
 public:
  using ClusterReader = std::function<bool(int64_t lcn, int64_t count, uint8_t* buffer)>;
  // The map's bytes as they are when the attribute is resident; else its
  // runs, read through readClusters. Bits from volumeClusters on are no
  // clusters of the volume.
  NtfsBitmapAllocation(std::vector<uint8_t> resident, trunlist runs, uint32_t clusterBytes,
                       uint64_t volumeClusters, ClusterReader readClusters);
  bool IsAllocated(uint64_t cluster) override;

 private:
  // A piece of the map: 64 KiB of it (half a million clusters), or one
  // cluster of it when clusters are larger.
  static constexpr uint64_t kPieceBytes = 64 * 1024;
  // Pieces kept at most (16 MiB); past that the kept ones are dropped, so
  // that a map of any size costs bounded memory.
  static constexpr size_t kMaxPieces = 256;
  const std::vector<uint8_t>& Piece(uint64_t index);

  std::vector<uint8_t> resident_;
  trunlist runs_;
  uint32_t clusterBytes_;
  uint64_t pieceBytes_;
  uint64_t volumeClusters_;
  ClusterReader readClusters_;
  std::unordered_map<uint64_t, std::vector<uint8_t>> pieces_;
};

// The state of a non-resident data attribute read through runs: the
// clusters the copy reads are the allocated ones among its first
// clustersRead (the file's size in clusters; compressed data reads whole
// units). Sparse runs read nothing. A cluster number that cannot be a
// cluster of the volume counts as in use.
Recoverability RunListRecoverability(ClusterAllocation& allocation, const trunlist& runs,
                                     uint64_t clustersRead);

}  // namespace tarnwell::engine::ntfs
