#include "engine/ntfs/run_list.h"

#include <algorithm>

namespace tarnwell::engine::ntfs {
namespace {

// Little-endian value of width bytes; signed ones are sign-extended from
// their top bit, for every width from 1 to 8.
uint64_t LoadUnsigned(const uint8_t* p, unsigned width) {
  uint64_t v = 0;
  for (unsigned i = 0; i < width; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
  return v;
}
int64_t LoadSigned(const uint8_t* p, unsigned width) {
  uint64_t v = LoadUnsigned(p, width);
  if (width < 8 && (p[width - 1] & 0x80)) v |= ~uint64_t{0} << (8 * width);
  return static_cast<int64_t>(v);
}

}  // namespace

bool DecodeRunList(std::span<const uint8_t> bytes, trunlist& runs) {
  if (bytes.empty()) return true;
  size_t pos = 1;
  uint8_t header = bytes[0];
  int64_t running = 0;
  while (header != 0) {
    const unsigned lengthBytes = header & 0x0F;
    const unsigned offsetBytes = header >> 4;
    if (lengthBytes > 4 || offsetBytes > 8) return false;
    if (pos + lengthBytes + offsetBytes > bytes.size()) return false;
    const int64_t length = static_cast<int64_t>(LoadUnsigned(&bytes[pos], lengthBytes));
    pos += lengthBytes;
    int64_t lcn = 0;
    if (offsetBytes != 0) {
      // Wrapping arithmetic: a hostile offset must not be undefined behaviour.
      lcn = static_cast<int64_t>(static_cast<uint64_t>(running) +
                                 static_cast<uint64_t>(LoadSigned(&bytes[pos], offsetBytes)));
      running = lcn;
      pos += offsetBytes;
    }
    runs.push_back({lcn, length});
    if (pos >= bytes.size()) break;
    header = bytes[pos++];
  }
  return true;
}

bool LimitAllocatedClusters(trunlist& runs, int64_t maxClusters) {
  int64_t left = std::max<int64_t>(maxClusters, 0);
  for (size_t i = 0; i < runs.size(); ++i) {
    TRun& run = runs[i];
    if (run.Lcn == 0) continue;
    if (run.Length > left) {
      run.Length = left;
      runs.resize(left > 0 ? i + 1 : i);
      return true;
    }
    left -= run.Length;
  }
  return false;
}

int64_t RunCursor::SparseAhead() {
  while (run_ < runs_.size() && offset_ >= runs_[run_].Length) {
    ++run_;
    offset_ = 0;
  }
  if (run_ >= runs_.size() || runs_[run_].Lcn != 0) return 0;
  return runs_[run_].Length - offset_;
}

bool RunCursor::AtEnd() const {
  size_t r = run_;
  int64_t off = offset_;
  while (r < runs_.size() && off >= runs_[r].Length) {
    ++r;
    off = 0;
  }
  return r >= runs_.size();
}

RunCursor::Piece RunCursor::Next(int64_t maxClusters) {
  while (run_ < runs_.size() && offset_ >= runs_[run_].Length) {
    ++run_;
    offset_ = 0;
  }
  if (run_ >= runs_.size() || maxClusters <= 0) return {0, 0, true};
  const TRun& run = runs_[run_];
  Piece piece;
  piece.count = std::min(run.Length - offset_, maxClusters);
  piece.sparse = run.Lcn == 0;
  piece.lcn = piece.sparse ? 0
                           : static_cast<int64_t>(static_cast<uint64_t>(run.Lcn) +
                                                  static_cast<uint64_t>(offset_));
  offset_ += piece.count;
  return piece;
}

}  // namespace tarnwell::engine::ntfs
