#pragma once
// The rules of the scan-range dialog: the scale of its track bars and how
// the two megabyte fields become a sector range of the disk.
#include <cstdint>
#include <string>

namespace tarnwell::controls {

inline constexpr int64_t kSectorsPerMb = 2048;

struct ScanRangeScale {
  int sizeMb = 0;         // ceiling(total / 2048): the track bars' maximum
  int tickFrequency = 1;  // sizeMb / 40, at least 1; also the page size
};
ScanRangeScale ScanRangeScaleFor(uint32_t totalSectors);

enum class ScanRangeVerdict {
  kAccept,      // close the dialog with OK
  kOutOfRange,  // show "扇区范围超出限制。" and stay open
  kEmpty,       // start equals end: say so and stay open
};

struct ScanRangeResult {
  ScanRangeVerdict verdict = ScanRangeVerdict::kEmpty;
  int64_t startSector = 0;
  int64_t sectorCount = 0;
};

// startMb and endMb are the texts of the two fields (digits, possibly
// empty or blank, which count as 0). A value of 1,048,576 MB or more (its
// sector number no longer fits in 32 bits) is out of range.
ScanRangeResult EvaluateScanRange(const std::string& startMb, const std::string& endMb,
                                  uint32_t totalSectors);

}  // namespace tarnwell::controls
