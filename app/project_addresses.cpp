#include "app/project_addresses.h"

#include "platform/program_paths.h"

#ifndef TARNWELL_HOMEPAGE
#define TARNWELL_HOMEPAGE ""
#endif
#ifndef TARNWELL_SUPPORT_EMAIL
#define TARNWELL_SUPPORT_EMAIL ""
#endif

namespace tarnwell::app {

std::string WebSiteAddress() { return TARNWELL_HOMEPAGE; }

std::string SupportMailAddress() { return TARNWELL_SUPPORT_EMAIL; }

std::string WebSiteTarget(const std::string& webSite) {
  return webSite.empty() ? platform::HelpPagePath("about.html") : webSite;
}

std::string SupportMailTarget(const std::string& mailAddress) {
  if (mailAddress.empty()) return {};
  return "mailto:" + mailAddress + "?subject=Tarnwell%20support";
}

}  // namespace tarnwell::app
