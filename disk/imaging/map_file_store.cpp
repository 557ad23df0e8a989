#include "disk/imaging/map_file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "disk/imaging/image_file.h"
#include "platform/storage_overlap.h"
#include "platform/unique_fd.h"

namespace tarnwell::disk::imaging {
namespace {

bool Fail(int* errorNumber, int value) {
  if (errorNumber) *errorNumber = value;
  return false;
}

// Writes the whole text into a file created new at path and makes it
// durable; the file is removed again when that fails.
bool WriteNewFile(const std::string& path, const std::string& text, int* errorNumber) {
  platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!fd.valid()) return Fail(errorNumber, errno);
  if (!WriteFully(fd.get(), reinterpret_cast<const uint8_t*>(text.data()), text.size(), 0) ||
      ::fsync(fd.get()) != 0) {
    const int error = errno;
    ::unlink(path.c_str());
    return Fail(errorNumber, error);
  }
  return true;
}

// The rename itself reaches the disk only with its folder.
void SyncFolderOf(const std::string& path) {
  platform::UniqueFd dir(::open(platform::FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

}  // namespace

std::optional<std::string> ReadMapText(const std::string& path, int* errorNumber) {
  platform::UniqueFd fd = platform::UniqueFd::OpenReadOnlyNoWait(path.c_str());
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
    Fail(errorNumber, errno);
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    Fail(errorNumber, EINVAL);
    return std::nullopt;
  }
  if (static_cast<uint64_t>(st.st_size) > kMostMapFileBytes) {
    Fail(errorNumber, EFBIG);
    return std::nullopt;
  }
  std::string text(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::read(fd.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Fail(errorNumber, errno);
      return std::nullopt;
    }
    if (n == 0) break;  // shrank while being read: what is there is the map
    done += static_cast<size_t>(n);
  }
  text.resize(done);
  return text;
}

bool CreateMapFile(const std::string& path, const std::string& text, int* errorNumber) {
  if (!WriteNewFile(path, text, errorNumber)) return false;
  SyncFolderOf(path);
  return true;
}

bool SaveMapFile(const std::string& path, const std::string& text, int* errorNumber) {
  // A fresh name beside the map: never a file someone else made.
  std::string temp;
  for (int attempt = 0;; ++attempt) {
    temp = path + ".new" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    int error = 0;
    if (WriteNewFile(temp, text, &error)) break;
    if (error != EEXIST || attempt >= 100) return Fail(errorNumber, error);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return Fail(errorNumber, error);
  }
  SyncFolderOf(path);
  return true;
}

}  // namespace tarnwell::disk::imaging
