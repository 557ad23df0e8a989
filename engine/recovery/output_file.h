#pragma once
// A recovered file being written: sequential writes that report how many
// bytes were stored, and a final size cut.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/unique_fd.h"

namespace tarnwell::engine {

class OutputFile {
 public:
  OutputFile(platform::UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}
  // Writes all bytes unless the file system refuses; returns how many were stored.
  size_t Write(const void* data, size_t size);
  // Writes size zero bytes (sparse runs); returns how many were stored.
  size_t WriteZeros(size_t size);
  [[nodiscard]] bool SetSize(uint64_t size);
  uint64_t Position() const { return position_; }
  const std::string& Path() const { return path_; }
  void Close() { fd_.reset(); }

 private:
  platform::UniqueFd fd_;
  std::string path_;
  uint64_t position_ = 0;
};

}  // namespace tarnwell::engine
