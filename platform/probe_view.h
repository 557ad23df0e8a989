#pragma once
// libblkid probes a file descriptor, never a callback. To probe a disk held
// in an image format, it gets a sparse in-memory file as large as the disk
// (or the volume) that holds only the regions a probe reads, copied from
// the decoded image; everything else reads as zeros.
#include <cstdint>
#include <memory>

#include "platform/image_content.h"
#include "platform/unique_fd.h"

namespace tarnwell::platform {

class ProbeView {
 public:
  // A view of [offset, offset + size) of the content; null when no
  // in-memory file can be made.
  static std::unique_ptr<ProbeView> Create(ImageContent& content, uint64_t offset, uint64_t size);

  // Copies [offset, offset + length) of the view's range from the content,
  // cut at the view's end. A range the image cannot give stays zero: a
  // probe then finds nothing there, as it would on a failing disk.
  void Copy(uint64_t offset, uint64_t length);
  // Reads length bytes at offset of the view's range straight from the
  // content (for choosing the next region); false when they cannot be read.
  bool Read(uint64_t offset, void* buffer, size_t length);

  int Descriptor() const { return fd_.get(); }
  uint64_t Size() const { return size_; }

 private:
  ProbeView(ImageContent& content, UniqueFd fd, uint64_t offset, uint64_t size)
      : content_(content), fd_(std::move(fd)), offset_(offset), size_(size) {}
  ImageContent& content_;
  UniqueFd fd_;
  uint64_t offset_;
  uint64_t size_;
};

}  // namespace tarnwell::platform
