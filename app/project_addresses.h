#pragma once
// The project's own addresses, opened by the launcher and the about box.
// Both are given when the program is built (-DTARNWELL_HOMEPAGE=URL,
// -DTARNWELL_SUPPORT_EMAIL=ADDRESS) and are empty otherwise: a build never
// ships an address nobody answers at.
#include <string>

namespace tarnwell::app {

// The web site this build was given, "" when none.
std::string WebSiteAddress();
// The support mail address this build was given, "" when none.
std::string SupportMailAddress();

// What the web-site button and link open: the web site, or without one the
// help's about page, which is installed with the program and always there.
std::string WebSiteTarget(const std::string& webSite = WebSiteAddress());
// A new message to the support address with a subject line, "" when there
// is no address (the link is then not shown).
std::string SupportMailTarget(const std::string& mailAddress = SupportMailAddress());

}  // namespace tarnwell::app
