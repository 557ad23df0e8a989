#pragma once
// Puts a fuzz input's volume image in place of every attached disk, with
// read errors silenced (a hostile image fails reads on purpose). True when
// the image became a volume the engine can scan.
#include <memory>
#include <string>
#include <vector>

#include "disk/read_error_reporter.h"
#include "disk/volume_reader.h"
#include "platform/device_table.h"

namespace tarnwell::fuzzing {

inline bool AttachFuzzVolume(std::vector<uint8_t> image) {
  static const bool quiet = [] {
    disk::SetReadErrorReporter([](const std::string&) {});
    return true;
  }();
  (void)quiet;
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  disk::CloseVolumeSources();
  table.AttachMemoryImage("fuzz", std::make_shared<const std::vector<uint8_t>>(std::move(image)));
  return !table.Volumes().empty();
}

}  // namespace tarnwell::fuzzing
