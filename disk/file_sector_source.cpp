#include "disk/file_sector_source.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace tarnwell::disk {

std::unique_ptr<FileSectorSource> FileSectorSource::Open(const std::string& path,
                                                         uint64_t offsetBytes,
                                                         uint64_t lengthBytes) {
  platform::UniqueFd fd = platform::UniqueFd::OpenReadOnly(path.c_str());
  if (!fd.valid()) return nullptr;
  return std::unique_ptr<FileSectorSource>(
      new FileSectorSource(std::move(fd), offsetBytes, lengthBytes));
}

std::unique_ptr<FileSectorSource> FileSectorSource::FromDescriptor(platform::UniqueFd fd,
                                                                   uint64_t offsetBytes,
                                                                   uint64_t lengthBytes) {
  if (!fd.valid()) return nullptr;
  return std::unique_ptr<FileSectorSource>(new FileSectorSource(std::move(fd), offsetBytes, lengthBytes));
}

void FileSectorSource::ExpectSequentialReads() {
  // Only a hint: a source that cannot take it reads as before.
  ::posix_fadvise(fd_.get(), static_cast<off_t>(offset_), static_cast<off_t>(length_), POSIX_FADV_SEQUENTIAL);
}

std::unique_ptr<MappedSectors> FileSectorSource::Map(uint64_t lba, uint64_t count) {
  if (lba >= length_ / kSectorSize || count == 0 || count > UINT64_MAX / kSectorSize) return nullptr;
  const uint64_t start = offset_ + lba * kSectorSize;
  uint64_t wanted = std::min(count * kSectorSize, length_ - lba * kSectorSize);
  // Only what the file or device holds now: a page past its end cannot be
  // touched at all, where a read there would just come back short.
  const off_t end = ::lseek(fd_.get(), 0, SEEK_END);
  if (end < 0 || static_cast<uint64_t>(end) <= start) return nullptr;
  wanted = std::min(wanted, static_cast<uint64_t>(end) - start);
  const long page = ::sysconf(_SC_PAGESIZE);
  if (page <= 0) return nullptr;
  const uint64_t mapStart = start - start % static_cast<uint64_t>(page);
  const uint64_t mapBytes = start - mapStart + wanted;
  if (mapBytes > SIZE_MAX) return nullptr;
  // Read-only and private: nothing written through it could reach the disk.
  void* mapping = ::mmap(nullptr, static_cast<size_t>(mapBytes), PROT_READ, MAP_PRIVATE, fd_.get(),
                         static_cast<off_t>(mapStart));
  if (mapping == MAP_FAILED) return nullptr;
  ::madvise(mapping, static_cast<size_t>(mapBytes), MADV_SEQUENTIAL);
  return std::make_unique<MappedSectors>(mapping, static_cast<size_t>(mapBytes),
                                         static_cast<const uint8_t*>(mapping) + (start - mapStart), wanted);
}

bool FileSectorSource::Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) {
  bytesRead = 0;
  if (count > kMaxSectorsPerRead) return false;
  // Offsets are computed in 64 bits; an address past the window reads
  // nothing, as a read at the end of a disk does.
  if (lba > length_ / kSectorSize) return true;
  const uint64_t start = lba * kSectorSize;
  uint64_t wanted = static_cast<uint64_t>(count) * kSectorSize;
  if (wanted > length_ - start) wanted = length_ - start;
  auto* out = static_cast<uint8_t*>(buffer);
  while (bytesRead < wanted) {
    const ssize_t n = ::pread(fd_.get(), out + bytesRead, wanted - bytesRead,
                              static_cast<off_t>(offset_ + start + bytesRead));
    if (n < 0) {
      if (errno == EINTR) continue;
      lastError_ = errno;
      return false;
    }
    if (n == 0) break;  // the file is shorter than its window
    bytesRead += static_cast<uint32_t>(n);
  }
  return true;
}

}  // namespace tarnwell::disk
