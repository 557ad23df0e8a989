#include "physical/scan_range.h"

#include <algorithm>
#include <limits>

namespace tarnwell::physical {

int64_t MegabytesOf(uint64_t total) {
  return static_cast<int64_t>((total + kSectorsPerMegabyte - 1) / kSectorsPerMegabyte);
}

ScanRange ScanRangeFromMegabytes(uint64_t sectors, int64_t startMb, int64_t endMb) {
  // Disk sizes stay far below 2^63 sectors.
  const int64_t total = static_cast<int64_t>(sectors);
  ScanRange range;
  constexpr int64_t kLimit = std::numeric_limits<int32_t>::max() / kSectorsPerMegabyte;
  if (startMb < 0 || endMb < 0 || startMb > kLimit || endMb > kLimit) {
    range.verdict = ScanRange::Verdict::kOutOfLimits;
    return range;
  }
  const int64_t start = startMb * kSectorsPerMegabyte;
  const int64_t end = endMb * kSectorsPerMegabyte;
  if (start >= total && end >= total) {
    range.verdict = ScanRange::Verdict::kOutOfLimits;
    return range;
  }
  range.startSector = std::min(start, end);
  range.sectorCount = std::max(start, end) - range.startSector;
  if (range.startSector + range.sectorCount > total) range.sectorCount = total - range.startSector;
  range.verdict = range.sectorCount > 0 ? ScanRange::Verdict::kOk : ScanRange::Verdict::kEmpty;
  return range;
}

}  // namespace tarnwell::physical
