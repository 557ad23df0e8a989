#include "platform/probe_view.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace tarnwell::platform {
namespace {

// Regions are copied in pieces of this size, so that a large region never
// needs a large buffer.
constexpr uint64_t kCopyPiece = 1 << 20;

}  // namespace

std::unique_ptr<ProbeView> ProbeView::Create(ImageContent& content, uint64_t offset, uint64_t size) {
  if (offset > content.SizeBytes() || size > content.SizeBytes() - offset) return nullptr;
  UniqueFd fd(::memfd_create("tarnwell-probe", MFD_CLOEXEC));
  if (!fd.valid() || ::ftruncate(fd.get(), static_cast<off_t>(size)) != 0) return nullptr;
  return std::unique_ptr<ProbeView>(new ProbeView(content, std::move(fd), offset, size));
}

void ProbeView::Copy(uint64_t offset, uint64_t length) {
  if (offset >= size_) return;
  length = std::min(length, size_ - offset);
  std::vector<uint8_t> piece(static_cast<size_t>(std::min(length, kCopyPiece)));
  for (uint64_t done = 0; done < length;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(length - done, piece.size()));
    if (content_.ReadAt(offset_ + offset + done, piece.data(), n)) {
      for (size_t written = 0; written < n;) {
        const ssize_t w = ::pwrite(fd_.get(), piece.data() + written, n - written,
                                   static_cast<off_t>(offset + done + written));
        if (w <= 0) return;  // the in-memory file is full: probe what it holds
        written += static_cast<size_t>(w);
      }
    }
    done += n;
  }
}

bool ProbeView::Read(uint64_t offset, void* buffer, size_t length) {
  if (offset > size_ || length > size_ - offset) return false;
  return content_.ReadAt(offset_ + offset, buffer, length);
}

}  // namespace tarnwell::platform
