#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace tarnwell::platform {

// Owns a file descriptor; closes it on every way out.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(std::exchange(other.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

  // Opens a disk, image or volume for reading only: nothing we scan is ever
  // opened for writing.
  static UniqueFd OpenReadOnly(const char* path) {
    return UniqueFd(::open(path, O_RDONLY | O_CLOEXEC));
  }
  // The same, but an open that would wait (a FIFO without a writer) fails
  // or returns at once: for looking at a path a user named before trusting
  // it to be a disk or an image.
  static UniqueFd OpenReadOnlyNoWait(const char* path) {
    return UniqueFd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  }

 private:
  int fd_ = -1;
};

}  // namespace tarnwell::platform
