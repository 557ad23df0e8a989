#pragma once
// A fuzz input's volume image as the one drive of an engine, read from
// memory, with read errors silenced (a hostile image fails reads on
// purpose).
#include <memory>
#include <string>
#include <vector>

#include "disk/memory_sector_source.h"
#include "disk/read_error_reporter.h"
#include "engine/drive_list.h"

namespace tarnwell::fuzzing {

inline std::vector<std::unique_ptr<engine::TLogiDrive>> FuzzDrives(std::vector<uint8_t> image) {
  static const bool quiet = [] {
    disk::SetReadErrorReporter([](const std::string&) {});
    return true;
  }();
  (void)quiet;
  const uint64_t length = image.size();
  auto bytes = std::make_shared<const std::vector<uint8_t>>(std::move(image));
  std::vector<std::unique_ptr<engine::TLogiDrive>> drives;
  drives.push_back(engine::MakeDrive('C', std::make_unique<disk::MemorySectorSource>(bytes, 0, length)));
  return drives;
}

}  // namespace tarnwell::fuzzing
