#pragma once
// The scan-range rule: a start and an end in megabytes of 2048 sectors,
// either order, kept inside an entry of `total` sectors.
#include <cstdint>

namespace tarnwell::physical {

inline constexpr int64_t kSectorsPerMegabyte = 2048;

struct ScanRange {
  enum class Verdict { kOk, kOutOfLimits, kEmpty };
  Verdict verdict = Verdict::kEmpty;
  int64_t startSector = 0;
  int64_t sectorCount = 0;
};

// Megabyte counts whose sector number does not fit 31 bits are out of
// limits, as are a start and an end both at or past the end.
ScanRange ScanRangeFromMegabytes(uint64_t total, int64_t startMb, int64_t endMb);

// Megabytes the entry spans, rounded up (the largest end a user can pick).
int64_t MegabytesOf(uint64_t total);

}  // namespace tarnwell::physical
