#include "platform/version_info.h"

#include <algorithm>
#include <cctype>

namespace tarnwell::platform {

std::string GetVersionInfoString(const std::string& key) {
  std::string lower = key;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "productversion" || lower == "fileversion") return TARNWELL_VERSION;
  return {};
}

}  // namespace tarnwell::platform
