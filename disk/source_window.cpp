#include "disk/source_window.h"

#include <algorithm>

namespace tarnwell::disk {

bool SourceWindow::Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) {
  bytesRead = 0;
  if (count > kMaxSectorsPerRead) return false;
  // Past the window nothing arrives, as past the end of a disk.
  if (lba > length_ / kSectorSize) return true;
  const uint64_t wanted = std::min<uint64_t>(static_cast<uint64_t>(count) * kSectorSize, length_ - lba * kSectorSize);
  if (wanted == 0) return true;
  const auto sectors = static_cast<uint32_t>((wanted + kSectorSize - 1) / kSectorSize);
  uint32_t got = 0;
  if (!base_->Read(offset_ / kSectorSize + lba, sectors, buffer, got)) return false;
  bytesRead = static_cast<uint32_t>(std::min<uint64_t>(got, wanted));
  return true;
}

}  // namespace tarnwell::disk
