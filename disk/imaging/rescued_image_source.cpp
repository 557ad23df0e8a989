#include "disk/imaging/rescued_image_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tarnwell::disk::imaging {

RescuedImageSource::RescuedImageSource(std::unique_ptr<SectorSource> image,
                                       std::shared_ptr<const platform::ReadableSectors> readable,
                                       uint64_t windowStart, uint64_t windowSectors)
    : image_(std::move(image)), readable_(std::move(readable)), windowStart_(windowStart), windowSectors_(windowSectors) {}

uint64_t RescuedImageSource::ReadableFrom(uint64_t lba, uint64_t count) const {
  if (!readable_ || lba >= windowSectors_) return 0;
  count = std::min(count, windowSectors_ - lba);
  const uint64_t sector = windowStart_ + lba;
  const auto& runs = readable_->runs;
  // The run that holds the sector, if any: the last one starting at or
  // before it.
  auto it = std::upper_bound(runs.begin(), runs.end(), sector,
                             [](uint64_t s, const std::pair<uint64_t, uint64_t>& run) { return s < run.first; });
  if (it == runs.begin()) return 0;
  --it;
  if (sector >= it->second) return 0;
  return std::min(count, it->second - sector);
}

bool RescuedImageSource::Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) {
  bytesRead = 0;
  if (count > kMaxSectorsPerRead) return false;
  if (lba >= windowSectors_) return true;
  const auto wanted = static_cast<uint32_t>(std::min<uint64_t>(count, windowSectors_ - lba));
  const auto readable = static_cast<uint32_t>(ReadableFrom(lba, wanted));
  if (readable > 0) {
    uint32_t got = 0;
    if (!image_->Read(lba, readable, buffer, got)) {
      bytesRead = got;
      lastError_ = image_->LastError();
      return false;
    }
    const uint32_t bytes = readable * kSectorSize;
    if (got < bytes) std::memset(static_cast<uint8_t*>(buffer) + got, 0, bytes - got);
    bytesRead = bytes;
  }
  if (readable < wanted) {
    lastError_ = EIO;
    return false;
  }
  return true;
}

std::unique_ptr<MappedSectors> RescuedImageSource::Map(uint64_t lba, uint64_t count) {
  if (lba >= windowSectors_ || count == 0) return nullptr;
  count = std::min(count, windowSectors_ - lba);
  if (ReadableFrom(lba, count) < count) return nullptr;
  std::unique_ptr<MappedSectors> mapped = image_->Map(lba, count);
  if (!mapped || mapped->size() < count * kSectorSize) return nullptr;
  return mapped;
}

}  // namespace tarnwell::disk::imaging
