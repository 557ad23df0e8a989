#pragma once
// The SOURCE of `image`: a physical disk by its drive code, a partition or
// gap as DRIVE:INDEX (as `disks` numbers them), a volume letter, or the
// path of a disk, partition or image file, opened read-only as it is.
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_context.h"
#include "disk/sector_source.h"
#include "platform/storage_overlap.h"

namespace tarnwell::cli {

struct ImageSource {
  std::unique_ptr<disk::SectorSource> sectors;
  std::optional<platform::StorageSpot> spot;  // where it lives
};

// Prints the reason and returns nullopt when the argument names nothing
// that can be read.
std::optional<ImageSource> ResolveImageSource(CliContext& context, const std::string& argument);

}  // namespace tarnwell::cli
