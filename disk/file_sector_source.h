#pragma once
#include <memory>
#include <string>

#include "disk/sector_source.h"
#include "platform/unique_fd.h"

namespace tarnwell::disk {

// A window [offset, offset + length) of an image file or block device,
// opened read-only and read with pread. No data is cached between calls.
class FileSectorSource final : public SectorSource {
 public:
  static std::unique_ptr<FileSectorSource> Open(const std::string& path, uint64_t offsetBytes,
                                                uint64_t lengthBytes);
  // A window of a descriptor already opened read-only; null when it is
  // not valid.
  static std::unique_ptr<FileSectorSource> FromDescriptor(platform::UniqueFd fd, uint64_t offsetBytes,
                                                          uint64_t lengthBytes);
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override;
  uint64_t SectorCount() const override { return length_ / kSectorSize; }
  int LastError() const override { return lastError_; }
  void ExpectSequentialReads() override;
  std::unique_ptr<MappedSectors> Map(uint64_t lba, uint64_t count) override;

 private:
  FileSectorSource(platform::UniqueFd fd, uint64_t offset, uint64_t length)
      : fd_(std::move(fd)), offset_(offset), length_(length) {}
  platform::UniqueFd fd_;
  uint64_t offset_;
  uint64_t length_;
  int lastError_ = 0;
};

}  // namespace tarnwell::disk
