#pragma once
// "目录" (F1) of the tool windows: the help page of the window's topic,
// handed to the desktop's browser. A missing page or browser is not
// reported, as the launcher does not report it either.
#include <string>

#include "controls/desktop_opener.h"

namespace tarnwell::controls {

// topic: a page of the help folder, such as "Smart.htm".
bool OpenHelpTopic(const DesktopOpener& opener, const std::string& topic);

}  // namespace tarnwell::controls
