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
ScanRangeScale ScanRangeScaleFor(uint64_t totalSectors);

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
// empty or blank, which count as 0). Sector numbers are 64-bit, so the whole
// of a disk of many terabytes can be chosen; a value of more digits than
// any disk has megabytes is out of range.
ScanRangeResult EvaluateScanRange(const std::string& startMb, const std::string& endMb,
                                  uint64_t totalSectors);

}  // namespace tarnwell::controls
