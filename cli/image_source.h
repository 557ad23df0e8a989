#pragma once
// The SOURCE of `image`: a physical disk by its drive code, a partition or
// gap as DRIVE:INDEX (as `disks` numbers them), a volume letter, or the
// path of a disk, partition or image file, opened read-only as it is.
#include <optional>
#include <string>

#include "cli/cli_context.h"
#include "disk/imaging/imaging_source.h"

namespace tarnwell::cli {

// Prints the reason and returns nullopt when the argument names nothing
// that can be read.
std::optional<disk::imaging::ImagingSource> ResolveImageSource(CliContext& context, const std::string& argument);

}  // namespace tarnwell::cli
