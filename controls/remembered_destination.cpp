#include "controls/remembered_destination.h"

#include <filesystem>

#include "platform/profile_file.h"

namespace tarnwell::controls {
namespace {

const std::string kDestinationSection = "Recovery";
const std::string kDestinationKey = "Destination";

}  // namespace

std::string SharedSettingsFile(const std::string& windowSettingsPath) {
  return (std::filesystem::path(windowSettingsPath).parent_path() / "Tarnwell.ini").string();
}

std::string RememberedDestination(const std::string& settingsPath) {
  return platform::ProfileFile(settingsPath).ReadString(kDestinationSection, kDestinationKey, "");
}

void RememberDestination(const std::string& settingsPath, const std::string& folder) {
  if (folder.empty() || folder == RememberedDestination(settingsPath)) return;
  // A settings folder that cannot be written costs only the suggestion.
  (void)platform::ProfileFile(settingsPath).WriteString(kDestinationSection, kDestinationKey, folder);
}

}  // namespace tarnwell::controls
