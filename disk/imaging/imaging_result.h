#pragma once
// What a copy to an image has done so far, and how it ended.
#include <cstdint>
#include <string>

#include "disk/imaging/map_file.h"
#include "disk/imaging/rescue_map.h"

namespace tarnwell::disk::imaging {

struct ImagingFigures {
  uint64_t diskBytes = 0;
  // By status, over the whole disk (earlier runs included).
  uint64_t finishedBytes = 0;
  uint64_t nonTriedBytes = 0;
  uint64_t nonTrimmedBytes = 0;
  uint64_t nonScrapedBytes = 0;
  uint64_t badSectorBytes = 0;
  uint64_t badAreas = 0;  // runs of tried sectors that could not be read
  // This run only.
  uint64_t copiedBytes = 0;
  uint64_t reads = 0;
  uint64_t failedReads = 0;
  double seconds = 0;
  double secondsLeft = -1;  // -1 while there is nothing to estimate from
  MapPosition position;

  uint64_t UnreadBytes() const { return diskBytes - finishedBytes; }
  // Tried and not read.
  uint64_t FailedBytes() const { return nonTrimmedBytes + nonScrapedBytes + badSectorBytes; }
  // The share of the disk that is copied or known to be bad, 0 to 100.
  int Percent() const {
    if (diskBytes == 0) return 100;
    return static_cast<int>(static_cast<double>(finishedBytes + badSectorBytes) * 100 / static_cast<double>(diskBytes));
  }
  double BytesPerSecond() const { return seconds > 0 ? static_cast<double>(copiedBytes) / seconds : 0; }
};

enum class ImagingFault {
  kNone,
  kBusy,                   // another copy is running
  kEmptySource,            // the source holds no sector
  kImageExists,            // the image is there, its map is not
  kMapWithoutImage,        // the map is there, its image is not
  kMapUnreadable,          // errorNumber
  kMapDamaged,             // mapError
  kImageNotRegular,        // a device, a link, a folder
  kImageLargerThanSource,  // it copies some other disk
  kDestinationIsSource,    // path is the source itself
  kDestinationOnSource,    // path lies on the disk being copied
  kNotEnoughSpace,         // neededBytes, freeBytes
  kCannotCreateImage,      // errorNumber
  kCannotCreateMap,        // errorNumber
  kWriteFailed,            // errorNumber
  kMapSaveFailed,          // errorNumber
};

struct [[nodiscard]] ImagingResult {
  ImagingFault fault = ImagingFault::kNone;
  std::string path;  // the file the fault concerns
  int errorNumber = 0;
  MapFileError mapError;
  uint64_t neededBytes = 0;
  uint64_t freeBytes = 0;
  bool stopped = false;  // by a stop request; the map holds where it stood
  ImagingFigures figures;

  bool Failed() const { return fault != ImagingFault::kNone; }
  // Ran to its end and read every sector.
  bool Complete() const { return !Failed() && !stopped && figures.finishedBytes == figures.diskBytes; }
};

}  // namespace tarnwell::disk::imaging
