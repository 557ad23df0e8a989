#pragma once
// How the windows hand a file or address to the desktop. Tests replace it
// so that nothing is really opened.
#include <functional>
#include <string>

namespace tarnwell::controls {

using DesktopOpener = std::function<bool(const std::string& target)>;
DesktopOpener DefaultDesktopOpener();

}  // namespace tarnwell::controls
