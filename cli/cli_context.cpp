#include "cli/cli_context.h"

#include <cctype>
#include <cstdio>

#include "disk/formats/attach_image.h"
#include "disk/imaging/attach_rescued_image.h"
#include "disk/read_error_reporter.h"
#include "platform/device_table.h"

namespace tarnwell::cli {

void RouteReadErrorsTo(TerminalBoxes& boxes) {
  disk::SetReadErrorReporter([&boxes](const std::string& message) { boxes.Error(message); });
}

bool CliContext::Prepare() {
  if (prepared_) return *prepared_;
  prepared_ = false;
  RouteReadErrorsTo(boxes);
  auto& table = platform::DeviceTable::Instance();
  for (size_t i = 0; i < images.size(); ++i) {
    const std::string& image = images[i];
    const std::string map = i < imageMaps.size() ? imageMaps[i] : std::string();
    std::string error;
    const bool attached = map.empty() ? disk::AttachImage(image, &error)
                                      : disk::imaging::AttachRescuedImage(image, map, &error);
    if (!attached) {
      std::fprintf(stderr, "tarnwell-cli: cannot open image %s\n", error.c_str());
      return false;
    }
  }
  if (!noDevices) table.AddBlockDevices();
  prepared_ = true;
  return true;
}

std::optional<char> CliContext::ResolveVolume(const std::string& argument) {
  if (!Prepare()) return std::nullopt;
  const bool letterForm = (argument.size() == 1 || (argument.size() == 2 && argument[1] == ':')) &&
                          std::isalpha(static_cast<unsigned char>(argument[0]));
  auto& table = platform::DeviceTable::Instance();
  if (letterForm) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(argument[0])));
    if (!table.FindVolume(letter)) {
      std::fprintf(stderr, "tarnwell-cli: no volume %c:\n", letter);
      return std::nullopt;
    }
    return letter;
  }
  const size_t before = table.Disks().size();
  std::string error;
  if (!disk::AttachImage(argument, &error)) {
    std::fprintf(stderr, "tarnwell-cli: cannot open image %s\n", error.c_str());
    return std::nullopt;
  }
  // Less than a sector cannot hold a boot sector: said here, as nothing
  // later would say it.
  if (table.Disks().size() > before && table.Disks()[before].sizeBytes < 512) {
    std::fprintf(stderr, "tarnwell-cli: %s is too small to hold a volume (%llu bytes)\n", argument.c_str(),
                 static_cast<unsigned long long>(table.Disks()[before].sizeBytes));
    return std::nullopt;
  }
  for (const auto& v : table.Volumes())
    if (v.diskIndex == static_cast<int>(before)) return v.letter;
  std::fprintf(stderr, "tarnwell-cli: %s holds no volume that can get a drive letter\n",
               argument.c_str());
  return std::nullopt;
}

}  // namespace tarnwell::cli
