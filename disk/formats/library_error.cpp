#include "disk/formats/library_error.h"

namespace tarnwell::disk::formats {

std::string CauseOfBacktrace(const std::string& backtrace) {
  std::string line = backtrace.substr(0, backtrace.find('\n'));
  // "libvmdk_handle_open: unable to open file: x." -> "unable to open file: x"
  const size_t colon = line.find(": ");
  if (colon != std::string::npos && line.find(' ') > colon) line.erase(0, colon + 2);
  while (!line.empty() && (line.back() == '.' || line.back() == ' ' || line.back() == '\r')) line.pop_back();
  return line.empty() ? "unknown error" : line;
}

}  // namespace tarnwell::disk::formats
