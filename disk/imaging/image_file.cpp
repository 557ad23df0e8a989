#include "disk/imaging/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "disk/sector_source.h"

namespace tarnwell::disk::imaging {
namespace {

std::optional<ImageFile> Failed(int* errorNumber, int value) {
  if (errorNumber) *errorNumber = value;
  return std::nullopt;
}

bool AllZero(const uint8_t* data, size_t bytes) {
  // Word by word; the buffers are page-aligned reads.
  size_t i = 0;
  for (; i + sizeof(uint64_t) <= bytes; i += sizeof(uint64_t)) {
    uint64_t word;
    std::memcpy(&word, data + i, sizeof word);
    if (word != 0) return false;
  }
  for (; i < bytes; ++i)
    if (data[i] != 0) return false;
  return true;
}

}  // namespace

bool WriteFully(int fd, const uint8_t* data, size_t bytes, uint64_t offset) {
  size_t done = 0;
  while (done < bytes) {
    const ssize_t n = ::pwrite(fd, data + done, bytes - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::optional<ImageFile> ImageFile::Create(const std::string& path, uint64_t bytes, int* errorNumber) {
  platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!fd.valid()) return Failed(errorNumber, errno);
  if (::ftruncate(fd.get(), static_cast<off_t>(bytes)) != 0) {
    const int error = errno;
    ::unlink(path.c_str());
    return Failed(errorNumber, error);
  }
  return ImageFile(std::move(fd));
}

std::optional<ImageFile> ImageFile::Resume(const std::string& path, uint64_t bytes, int* errorNumber) {
  // Looked at before it is opened: opening a device for writing is what
  // must never happen, even for a moment.
  struct stat before {};
  if (::lstat(path.c_str(), &before) != 0) return Failed(errorNumber, errno);
  if (!S_ISREG(before.st_mode)) return Failed(errorNumber, EINVAL);
  platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return Failed(errorNumber, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return Failed(errorNumber, errno);
  // Swapped for something else in between.
  if (!S_ISREG(st.st_mode) || st.st_dev != before.st_dev || st.st_ino != before.st_ino)
    return Failed(errorNumber, EINVAL);
  if (static_cast<uint64_t>(st.st_size) > bytes) return Failed(errorNumber, EFBIG);
  if (static_cast<uint64_t>(st.st_size) < bytes && ::ftruncate(fd.get(), static_cast<off_t>(bytes)) != 0)
    return Failed(errorNumber, errno);
  return ImageFile(std::move(fd));
}

bool ImageFile::HoleAt(uint64_t offset, uint64_t bytes) const {
  const off_t data = ::lseek(fd_.get(), static_cast<off_t>(offset), SEEK_DATA);
  // ENXIO: no data from offset to the end of the file.
  if (data < 0) return errno == ENXIO;
  return static_cast<uint64_t>(data) >= offset + bytes;
}

bool ImageFile::Write(uint64_t lba, uint32_t count, const uint8_t* data) {
  const uint64_t offset = lba * kSectorSize;
  const size_t bytes = size_t{count} * kSectorSize;
  if (AllZero(data, bytes) && HoleAt(offset, bytes)) return true;
  return WriteFully(fd_.get(), data, bytes, offset);
}

bool ImageFile::Sync() { return ::fdatasync(fd_.get()) == 0; }

}  // namespace tarnwell::disk::imaging
