#include "cli/drive_argument.h"

#include <cstdio>
#include <regex>

#include "disk/formats/attach_image.h"
#include "platform/device_table.h"

namespace tarnwell::cli {

std::optional<int16_t> ResolveDriveCode(const std::string& argument) {
  if (std::regex_match(argument, std::regex("-?[0-9]{1,5}"))) {
    const long code = std::stol(argument);
    if (code >= INT16_MIN && code <= INT16_MAX) return static_cast<int16_t>(code);
  }
  auto& table = platform::DeviceTable::Instance();
  std::string error;
  if (!disk::AttachImage(argument, &error)) {
    std::fprintf(stderr, "tarnwell-cli: cannot open image %s\n", error.c_str());
    return std::nullopt;
  }
  return static_cast<int16_t>(table.Disks().size() - 1);
}

}  // namespace tarnwell::cli
