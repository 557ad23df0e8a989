#include "controls/help_opener.h"

#include "platform/program_paths.h"

namespace tarnwell::controls {

bool OpenHelpTopic(const DesktopOpener& opener, const std::string& page) {
  return opener && opener(platform::HelpPagePath(page));
}

}  // namespace tarnwell::controls
