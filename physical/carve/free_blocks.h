#pragma once
// Which blocks of a volume its file system leaves free: on a volume the
// signature scan looks for files only there, where deleted files lie;
// what the file system still holds is recovered through it instead.
#include <cstdint>

namespace tarnwell::physical::carve {

class FreeBlocks {
 public:
  virtual ~FreeBlocks() = default;
  // True when the block beginning at this sector of the volume lies in a
  // cluster the file system does not use. Asked in ascending order during
  // the scan, so an implementation may read its map a window at a time.
  virtual bool IsFree(uint64_t sector) = 0;
};

}  // namespace tarnwell::physical::carve
