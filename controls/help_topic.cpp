#include "controls/help_topic.h"

#include "platform/program_paths.h"

namespace tarnwell::controls {

bool OpenHelpTopic(const DesktopOpener& opener, const std::string& topic) {
  return opener && opener(platform::HelpPagePath(topic));
}

}  // namespace tarnwell::controls
