#pragma once
// Where the clusters of NTFS data come from, for the copiers that write it
// out: the standard recovery and the raw-range recovery differ only in how
// a cluster is read and in what happens between two reads.
#include <cstdint>
#include <functional>

namespace tarnwell::engine::ntfs {

struct ClusterSource {
  uint32_t clusterBytes = 0;
  // Reads count clusters from lcn into buffer.
  std::function<bool(int64_t lcn, int64_t count, uint8_t* buffer)> readClusters;
  // Runs before each read (a compression unit, or a piece of a plain run);
  // false stops the copy.
  std::function<bool()> beforeStep;
  // Runs after each piece is written, with the bytes written so far.
  std::function<void(uint64_t written)> afterStep;
};

}  // namespace tarnwell::engine::ntfs
