#include "disk/formats/decoded_sector_source.h"

#include <algorithm>
#include <cerrno>

namespace tarnwell::disk::formats {

bool DecodedSectorSource::Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) {
  bytesRead = 0;
  if (count > kMaxSectorsPerRead) return false;
  // As a file read at the end of a disk: past the end nothing arrives, and
  // a read that crosses it brings what lies before.
  if (lba > sizeBytes_ / kSectorSize) return true;
  const uint64_t start = lba * kSectorSize;
  const uint64_t wanted = std::min<uint64_t>(static_cast<uint64_t>(count) * kSectorSize, sizeBytes_ - start);
  if (wanted == 0) return true;
  if (!ReadBytes(start, buffer, static_cast<size_t>(wanted))) {
    // The libraries keep no errno: an unreadable chunk is an I/O error.
    lastError_ = EIO;
    return false;
  }
  bytesRead = static_cast<uint32_t>(wanted);
  return true;
}

bool DecodedSectorSource::ReadAt(uint64_t offset, void* buffer, size_t length) {
  if (offset > sizeBytes_ || length > sizeBytes_ - offset) return false;
  return length == 0 || ReadBytes(offset, buffer, length);
}

}  // namespace tarnwell::disk::formats
