#pragma once
// A DRIVE argument of the disk commands: a drive code, or the path of a disk
// image attached for this run.
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwell::cli {

// Prints the reason and returns nullopt when an image cannot be attached.
std::optional<int16_t> ResolveDriveCode(const std::string& argument);

}  // namespace tarnwell::cli
