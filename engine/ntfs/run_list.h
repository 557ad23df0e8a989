#pragma once
#include <cstdint>
#include <span>

#include "engine/records.h"

namespace tarnwell::engine::ntfs {

// Decodes an NTFS run list and appends its runs to runs. Each run is a
// header byte (low nibble L = size of the length field, high nibble O = size
// of the offset field), L bytes of unsigned cluster count, then O bytes of
// signed cluster offset from the previous run's first cluster. O = 0 is a
// sparse run (Lcn 0). A zero header ends the list. Example:
//   21 18 34 56  00        one run of 0x18 clusters at cluster 0x5634
//   11 30 60  01 10  11 08 E0  00
//                          0x30 at 0x60, 0x10 sparse, 8 at 0x60 - 0x20 = 0x40
// A run that would extend past the bytes, a length field wider than 4 bytes
// or an offset field wider than 8 bytes ends the list early; the runs
// decoded so far stay, and the result is false so the caller can say the
// data is damaged.
[[nodiscard]] bool DecodeRunList(std::span<const uint8_t> bytes, trunlist& runs);

// Keeps at most maxClusters allocated (non-sparse) clusters: the run that
// crosses the limit is shortened and every run after it dropped. True when
// something was cut, which only a damaged run list needs.
[[nodiscard]] bool LimitAllocatedClusters(trunlist& runs, int64_t maxClusters);

// Walks a run list cluster by cluster in file order, handing out pieces of
// at most a requested number of clusters. Lets compressed data be cut into
// units without caring where the runs begin and end.
class RunCursor {
 public:
  explicit RunCursor(const trunlist& runs) : runs_(runs) {}
  struct Piece {
    int64_t lcn = 0;  // first cluster, 0 when sparse
    int64_t count = 0;
    bool sparse = true;
  };
  // The next piece of at most maxClusters clusters; count 0 at the end.
  Piece Next(int64_t maxClusters);
  [[nodiscard]] bool AtEnd() const;
  // Sparse clusters left in the current run before anything else; 0 when
  // the next cluster is allocated or the list has ended.
  int64_t SparseAhead();

 private:
  const trunlist& runs_;
  size_t run_ = 0;
  int64_t offset_ = 0;  // clusters of runs_[run_] already handed out
};

}  // namespace tarnwell::engine::ntfs
