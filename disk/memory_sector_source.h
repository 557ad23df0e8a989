#pragma once
#include <memory>
#include <vector>

#include "disk/sector_source.h"

namespace tarnwell::disk {

// Sectors held in memory: crafted images in tests and fuzz targets.
class MemorySectorSource final : public SectorSource {
 public:
  MemorySectorSource(std::shared_ptr<const std::vector<uint8_t>> bytes, uint64_t offsetBytes,
                     uint64_t lengthBytes);
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override;
  uint64_t SectorCount() const override { return length_ / kSectorSize; }

 private:
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
  uint64_t offset_;
  uint64_t length_;
};

}  // namespace tarnwell::disk
