#include "disk/read_error_reporter.h"

#include <cstdio>

namespace tarnwell::disk {
namespace {

ReadErrorReporter& Current() {
  static ReadErrorReporter reporter = [](const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
  };
  return reporter;
}

}  // namespace

ReadErrorReporter SetReadErrorReporter(ReadErrorReporter reporter) {
  ReadErrorReporter previous = std::move(Current());
  Current() = std::move(reporter);
  return previous;
}

void ReportReadError(const std::string& message) {
  if (Current()) Current()(message);
}

}  // namespace tarnwell::disk
