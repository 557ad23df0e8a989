#pragma once
// Opens a page of the help in the desktop's browser.
#include <QString>
#include <string>

#include "controls/desktop_opener.h"

namespace tarnwell::controls {

// "StdRecovery.htm", "AdvRecovery.htm", ...; false when the desktop could
// not open it.
bool OpenHelpTopic(const DesktopOpener& opener, const std::string& page);
// What a window says when the desktop could not show a help page.
QString HelpNotOpenedText();

}  // namespace tarnwell::controls
