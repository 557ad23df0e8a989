#pragma once
// The sector source of an image a library decodes: sector arithmetic, the
// short read at the disk's end and the error of a failed read, once for
// every format. A format says only how to read bytes at an offset.
//
// It is also the image's content for the device table (which probes
// partitions and labels through it), so that the table and every reader
// share one open image.
#include <cstddef>
#include <cstdint>
#include <string>

#include "disk/sector_source.h"
#include "platform/image_content.h"

namespace tarnwell::disk::formats {

class DecodedSectorSource : public SectorSource, public platform::ImageContent {
 public:
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) final;
  uint64_t SectorCount() const final { return sizeBytes_ / kSectorSize; }
  int LastError() const final { return lastError_; }

  std::string FormatName() const final { return formatName_; }
  uint64_t SizeBytes() const final { return sizeBytes_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t length) final;

 protected:
  DecodedSectorSource(std::string formatName, uint64_t sizeBytes)
      : formatName_(std::move(formatName)), sizeBytes_(sizeBytes) {}
  // Reads exactly length bytes at offset, which lie inside the disk. False
  // when the image cannot give them (a read error, a damaged chunk).
  virtual bool ReadBytes(uint64_t offset, void* buffer, size_t length) = 0;

 private:
  std::string formatName_;
  uint64_t sizeBytes_;
  int lastError_ = 0;
};

}  // namespace tarnwell::disk::formats
