#pragma once
// The one question everything above this folder asks: read N sectors at
// address L into this buffer, did it work, how many bytes arrived.
#include <cstdint>
#include <memory>

#include "disk/mapped_sectors.h"

namespace tarnwell::disk {

inline constexpr uint32_t kSectorSize = 512;
// One call moves at most a 16-bit count of sectors, as the readers' callers
// have always asked.
inline constexpr uint32_t kMaxSectorsPerRead = 65535;

class SectorSource {
 public:
  virtual ~SectorSource() = default;
  // Reads count sectors at lba straight into buffer. Returns false when the
  // source failed (an I/O error); a read that runs past the end succeeds
  // with fewer bytes, as a file read at the end of a disk does.
  virtual bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) = 0;
  virtual uint64_t SectorCount() const = 0;
  // A hint that the caller reads from here on in order, in large pieces
  // (a scan of a whole range): a file or device reads further ahead.
  virtual void ExpectSequentialReads() {}
  // count sectors at lba mapped read-only into memory, for a pass that
  // tests a few bytes of each; null where the source cannot map them (the
  // caller then reads). Only TouchGuarded code may touch the bytes.
  virtual std::unique_ptr<MappedSectors> Map(uint64_t /*lba*/, uint64_t /*count*/) { return nullptr; }
  // errno of the last failed read, for the read-error message.
  virtual int LastError() const { return 0; }
};

}  // namespace tarnwell::disk
