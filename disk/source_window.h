#pragma once
// A window [offset, offset + length) of a sector source that others share:
// a volume of a decoded image, read through the one open image.
#include <memory>

#include "disk/sector_source.h"

namespace tarnwell::disk {

class SourceWindow final : public SectorSource {
 public:
  // offsetBytes is a whole number of sectors.
  SourceWindow(std::shared_ptr<SectorSource> base, uint64_t offsetBytes, uint64_t lengthBytes)
      : base_(std::move(base)), offset_(offsetBytes), length_(lengthBytes) {}
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override;
  uint64_t SectorCount() const override { return length_ / kSectorSize; }
  void ExpectSequentialReads() override { base_->ExpectSequentialReads(); }
  int LastError() const override { return base_->LastError(); }

 private:
  std::shared_ptr<SectorSource> base_;
  uint64_t offset_;
  uint64_t length_;
};

}  // namespace tarnwell::disk
