#pragma once
#include <string>

namespace tarnwell::platform {

// The version-resource reader: "productversion" and "fileversion" answer
// the compiled-in project version; any other key answers an empty string.
std::string GetVersionInfoString(const std::string& key);

}  // namespace tarnwell::platform
