#pragma once
// The error objects of the image libraries (libewf, libvhdi, libvmdk,
// libqcow share one shape): owned, freed on every way out, and turned
// into the one line a person can act on.
#include <cstdint>
#include <string>

namespace tarnwell::disk::formats {

// The libraries stack one line per call ("function: what failed."), the
// call that met the fault first; that first line without its function name
// is the cause ("unable to open file: x.vmdk").
std::string CauseOfBacktrace(const std::string& backtrace);

template <typename Error, void (*Free)(Error**), int (*Backtrace)(Error*, char*, size_t)>
class LibraryError {
 public:
  LibraryError() = default;
  LibraryError(const LibraryError&) = delete;
  LibraryError& operator=(const LibraryError&) = delete;
  ~LibraryError() { Reset(); }

  // Where a library call puts its error; an earlier one is dropped.
  Error** Out() {
    Reset();
    return &error_;
  }
  std::string Cause() const {
    if (!error_) return "unknown error";
    char text[2048] = {};
    if (Backtrace(error_, text, sizeof text) < 0) return "unknown error";
    return CauseOfBacktrace(text);
  }

 private:
  void Reset() {
    if (error_) Free(&error_);
    error_ = nullptr;
  }
  Error* error_ = nullptr;
};

}  // namespace tarnwell::disk::formats
