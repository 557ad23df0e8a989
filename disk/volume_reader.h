#pragma once
// The volume reader of the standard engine: the sectors of one volume,
// through the source the engine was handed for it. Every read the engine
// makes goes through here, so bounds, read errors and the read-error
// message live in one place.
#include <cstdint>
#include <string>
#include <string_view>

#include "disk/sector_source.h"

namespace tarnwell::disk {

// Why a read of a volume failed.
enum class ReadFailure : uint8_t {
  kNone,
  kNoSource,    // the volume could not be opened
  kOutOfRange,  // the request reaches past the volume's last sector
  kReadError,   // the source failed (errno in ReadResult::error)
  kShortRead,   // fewer bytes arrived than the volume holds there: it shrank
};

// The outcome of one read: which request failed, and why.
struct [[nodiscard]] ReadResult {
  ReadFailure failure = ReadFailure::kNone;
  uint64_t sector = 0;  // first sector of the failed request
  uint32_t count = 0;   // its sector count
  int error = 0;        // errno of a read error, else 0

  bool Ok() const { return failure == ReadFailure::kNone; }
  explicit operator bool() const { return Ok(); }
};

// A volume as the engine reads it: a sector source with 64-bit addresses,
// the count of sectors it holds and the drive letter that names it in the
// read-error message (0: no message). A thin view: it owns nothing and is
// copied freely; the source must outlive it. A null source is a volume that
// could not be opened: every read of it fails.
class VolumeReader {
 public:
  VolumeReader() = default;
  VolumeReader(SectorSource* source, char letter) : source_(source), letter_(letter) {}

  uint64_t SectorCount() const { return source_ ? source_->SectorCount() : 0; }
  // True when count sectors at lba lie inside the volume.
  bool Holds(uint64_t lba, uint64_t count) const {
    return lba <= SectorCount() && count <= SectorCount() - lba;
  }
  // Reads count sectors at lba into buffer (count x 512 bytes). Succeeds
  // only when every byte arrived. A read error shows the read-error message
  // through the reporter; a request outside the volume, a volume that could
  // not be opened or a short read fail without one.
  ReadResult Read(uint64_t lba, uint32_t count, void* buffer) const;

 private:
  SectorSource* source_ = nullptr;
  char letter_ = 0;
};

// Reads count sectors at lba of the volume named "C:" into buffer, looking
// the volume up in the device table: the name-keyed form for the callers
// that name a volume rather than hold one. True only when all count x 512
// bytes arrived; failures as VolumeReader::Read.
bool ReadVolumeSectors(std::string_view driveName, uint32_t lba, uint16_t count, void* buffer);

// The read-error text, exactly as the user sees it, in the system code page.
std::string FormatVolumeReadError(int errorCode, char letter, uint64_t lba, uint32_t count);

// Drops the open sources the name-keyed reader keeps between calls (tests;
// a rebuilt device table is noticed by itself).
void CloseVolumeSources();

}  // namespace tarnwell::disk
