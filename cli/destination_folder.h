#pragma once
// The --out folder of the recovering commands: made when missing, and it
// must be a folder we can write into; held open so that everything made
// inside is made relative to it.
#include <optional>
#include <string>

#include "engine/recovery/output_path.h"

namespace tarnwell::cli {

// Says why not on stderr.
std::optional<engine::OutputFolder> OpenDestination(const std::string& path);

}  // namespace tarnwell::cli
