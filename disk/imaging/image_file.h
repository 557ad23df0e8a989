#pragma once
// The image a disk is copied into: a regular file, created new and as large
// as the disk from the start (sectors never read stay zero), or an image
// made earlier that its map lets us continue.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/unique_fd.h"

namespace tarnwell::disk::imaging {

// Writes all `bytes` at `offset`, going on after short writes; false with
// errno set (ENOSPC for a write that moves nothing).
bool WriteFully(int fd, const uint8_t* data, size_t bytes, uint64_t offset);

class ImageFile {
 public:
  // A new image of `bytes` at path, all zero; nullopt with *errorNumber
  // when the name is taken (EEXIST) or the file cannot be made.
  static std::optional<ImageFile> Create(const std::string& path, uint64_t bytes, int* errorNumber);
  // The existing image at path, opened for writing without truncating and
  // grown to `bytes` when shorter. nullopt with *errorNumber: EINVAL when
  // it is not a regular file (a link, a device), EFBIG when it is larger
  // than `bytes` (it copies some other disk).
  static std::optional<ImageFile> Resume(const std::string& path, uint64_t bytes, int* errorNumber);

  // Writes count sectors at sector lba. A piece of zeros over a part of the
  // image that holds no data yet is not written, so an empty area of the
  // disk stays a hole in the image. False with errno on failure.
  bool Write(uint64_t lba, uint32_t count, const uint8_t* data);
  // Makes what was written durable, before a map claims it.
  bool Sync();
  int Descriptor() const { return fd_.get(); }

 private:
  explicit ImageFile(platform::UniqueFd fd) : fd_(std::move(fd)) {}
  bool HoleAt(uint64_t offset, uint64_t bytes) const;

  platform::UniqueFd fd_;
};

}  // namespace tarnwell::disk::imaging
