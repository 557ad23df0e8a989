#pragma once
// The folder the last recovery wrote into, offered again by the next one in
// either recovery window and across runs. Kept in "Tarnwell.ini" beside the
// window's own settings file, section [Recovery], key Destination (UTF-8).
#include <string>

namespace tarnwell::controls {

// "Tarnwell.ini" in the folder of a window's settings file, where what
// both recovery windows share (the destination, the recent images) lives.
std::string SharedSettingsFile(const std::string& windowSettingsPath);

// Empty when no recovery has chosen one yet.
std::string RememberedDestination(const std::string& settingsPath);
void RememberDestination(const std::string& settingsPath, const std::string& folder);

}  // namespace tarnwell::controls
