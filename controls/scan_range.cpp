#include "controls/scan_range.h"

#include <algorithm>
#include <optional>

namespace tarnwell::controls {
namespace {

// The largest megabyte count the fields take: 2^40 MB (an exbibyte) is
// beyond any disk, and its sector number is far from overflowing.
constexpr int64_t kMaxMb = int64_t{1} << 40;

// Sector number of a field's text; nullopt when it is not a usable number.
std::optional<int64_t> FieldSectors(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return 0;
  size_t last = text.find_last_not_of(" \t");
  int64_t mb = 0;
  for (size_t i = first; i <= last; ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    mb = mb * 10 + (c - '0');
    if (mb > kMaxMb) return std::nullopt;
  }
  return mb * kSectorsPerMb;
}

}  // namespace

ScanRangeScale ScanRangeScaleFor(uint64_t totalSectors) {
  ScanRangeScale scale;
  // The track bars count in int: 2^31 MB is 2 PiB, past any disk.
  const uint64_t mb = (totalSectors + kSectorsPerMb - 1) / kSectorsPerMb;
  scale.sizeMb = static_cast<int>(std::min<uint64_t>(mb, INT32_MAX));
  scale.tickFrequency = std::max(1, scale.sizeMb / 40);
  return scale;
}

ScanRangeResult EvaluateScanRange(const std::string& startMb, const std::string& endMb,
                                  uint64_t totalSectors) {
  ScanRangeResult result;
  std::optional<int64_t> start = FieldSectors(startMb);
  std::optional<int64_t> end = FieldSectors(endMb);
  const int64_t total = static_cast<int64_t>(std::min<uint64_t>(totalSectors, INT64_MAX));
  if (!start || !end || (*start >= total && *end >= total)) {
    result.verdict = ScanRangeVerdict::kOutOfRange;
    return result;
  }
  result.startSector = std::min(*start, *end);
  result.sectorCount = std::max(*start, *end) - result.startSector;
  if (result.startSector + result.sectorCount > total) {
    result.sectorCount = total - result.startSector;
  }
  result.verdict = result.sectorCount > 0 ? ScanRangeVerdict::kAccept : ScanRangeVerdict::kEmpty;
  return result;
}

}  // namespace tarnwell::controls
