#pragma once
// An image copied from a failing disk, read through its map: a sector the
// copy never read fails like the disk's read did, so a scan or a recovery
// reports the files on it as incomplete instead of handing out the zeros
// the image holds in its place.
#include <memory>

#include "disk/sector_source.h"
#include "platform/device_table.h"

namespace tarnwell::disk::imaging {

class RescuedImageSource final : public SectorSource {
 public:
  // `image` reads the window [windowStart, windowStart + windowSectors) of
  // the image (a partition, or the whole disk); `readable` is in sectors of
  // the whole disk.
  RescuedImageSource(std::unique_ptr<SectorSource> image,
                     std::shared_ptr<const platform::ReadableSectors> readable, uint64_t windowStart,
                     uint64_t windowSectors);

  // Reads the sectors before the first unread one; fails (EIO) when it
  // meets one. Sectors past the image file's end that the copy read were
  // zeros it did not write.
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override;
  uint64_t SectorCount() const override { return windowSectors_; }
  void ExpectSequentialReads() override { image_->ExpectSequentialReads(); }
  // Only a range read whole, and present whole in the file, is mapped.
  std::unique_ptr<MappedSectors> Map(uint64_t lba, uint64_t count) override;
  int LastError() const override { return lastError_; }

 private:
  // How many of the `count` sectors from window sector lba on were read.
  uint64_t ReadableFrom(uint64_t lba, uint64_t count) const;

  std::unique_ptr<SectorSource> image_;
  std::shared_ptr<const platform::ReadableSectors> readable_;
  uint64_t windowStart_;
  uint64_t windowSectors_;
  int lastError_ = 0;
};

}  // namespace tarnwell::disk::imaging
