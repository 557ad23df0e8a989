#include "controls/desktop_opener.h"

#include "platform/desktop_open.h"

namespace tarnwell::controls {

DesktopOpener DefaultDesktopOpener() {
  return [](const std::string& target) { return platform::OpenInDesktop(target); };
}

}  // namespace tarnwell::controls
