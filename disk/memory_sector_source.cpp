#include "disk/memory_sector_source.h"

#include <algorithm>
#include <cstring>

namespace tarnwell::disk {

MemorySectorSource::MemorySectorSource(std::shared_ptr<const std::vector<uint8_t>> bytes,
                                       uint64_t offsetBytes, uint64_t lengthBytes)
    : bytes_(std::move(bytes)), offset_(offsetBytes), length_(lengthBytes) {
  const uint64_t size = bytes_ ? bytes_->size() : 0;
  offset_ = std::min(offset_, size);
  length_ = std::min(length_, size - offset_);
}

bool MemorySectorSource::Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) {
  bytesRead = 0;
  if (count > kMaxSectorsPerRead) return false;
  if (lba > length_ / kSectorSize) return true;
  const uint64_t start = lba * kSectorSize;
  const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(count) * kSectorSize, length_ - start);
  if (n) std::memcpy(buffer, bytes_->data() + offset_ + start, n);
  bytesRead = static_cast<uint32_t>(n);
  return true;
}

}  // namespace tarnwell::disk
