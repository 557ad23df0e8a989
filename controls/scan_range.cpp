#include "controls/scan_range.h"

#include <algorithm>
#include <optional>

namespace tarnwell::controls {
namespace {

// The largest megabyte count whose sector number fits in a signed 32-bit
// value, as the range has always been computed.
constexpr int64_t kMaxMb = (int64_t{1} << 31) / kSectorsPerMb - 1;

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

ScanRangeScale ScanRangeScaleFor(uint32_t totalSectors) {
  ScanRangeScale scale;
  scale.sizeMb = static_cast<int>((int64_t{totalSectors} + kSectorsPerMb - 1) / kSectorsPerMb);
  scale.tickFrequency = std::max(1, scale.sizeMb / 40);
  return scale;
}

ScanRangeResult EvaluateScanRange(const std::string& startMb, const std::string& endMb,
                                  uint32_t totalSectors) {
  ScanRangeResult result;
  std::optional<int64_t> start = FieldSectors(startMb);
  std::optional<int64_t> end = FieldSectors(endMb);
  const int64_t total = totalSectors;
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
