#include "engine/recovery/output_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tarnwell::engine {

size_t OutputFile::Write(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd_.get(), p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  position_ += done;
  return done;
}

size_t OutputFile::WriteZeros(size_t size) {
  static const uint8_t zeros[65536] = {};
  size_t done = 0;
  while (done < size) {
    const size_t chunk = std::min(size - done, sizeof zeros);
    const size_t n = Write(zeros, chunk);
    done += n;
    if (n < chunk) break;
  }
  return done;
}

bool OutputFile::SetSize(uint64_t size) {
  if (::ftruncate(fd_.get(), static_cast<off_t>(size)) != 0) return false;
  if (::lseek(fd_.get(), static_cast<off_t>(size), SEEK_SET) < 0) return false;
  position_ = size;
  return true;
}

}  // namespace tarnwell::engine
