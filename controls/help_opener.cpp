#include "controls/help_opener.h"

#include "platform/program_paths.h"

namespace tarnwell::controls {

bool OpenHelpTopic(const DesktopOpener& opener, const std::string& page) {
  return opener && opener(platform::HelpPagePath(page));
}

QString HelpNotOpenedText() {
  return QStringLiteral("无法打开帮助页面：桌面没有打开它 (xdg-open 失败)。请确认已安装网页浏览器。");
}

}  // namespace tarnwell::controls
