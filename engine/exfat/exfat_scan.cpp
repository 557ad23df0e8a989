// The exFAT scan: the root checked, then the walk (exfat_walker.h).
#include <array>
#include <exception>

#include "engine/entry_order.h"
#include "engine/exfat/exfat_layout.h"
#include "engine/exfat/exfat_walker.h"
#include "engine/undelete.h"

namespace tarnwell::engine {

// ScanVolume has raised Scanning and emptied the entry and search lists.
disk::Outcome TUndelete::ScanExfatVolume(StatusPanel& status, ProgressBar& progress) {
  // The root is the one folder a scan cannot do without: say why it is
  // unreadable instead of listing nothing.
  {
    const ExfatLayout layout(*CurrentDrive);
    const uint32_t root = layout.RootCluster();
    const std::optional<uint64_t> sector = layout.ClusterSector(root);
    if (!layout.IsDataCluster(root) || !sector)
      return disk::Outcome::Damaged("the root folder", 0,
                                    "its first cluster " + std::to_string(root) + " lies outside the cluster heap");
    std::array<uint8_t, 512> first{};
    if (disk::Outcome read = disk::ReadFor(CurrentDrive->Reader(), "the root folder", *sector, 1, first.data()); !read)
      return read;
  }
  try {
    ExfatWalker walker(*CurrentDrive, pump_, status, StopRequested);
    walker.WalkRoot();
    if (ClusterAllocation* allocation = SearchFreeClusters ? Allocation() : nullptr)
      walker.WalkLost(*allocation, progress);
  } catch (const std::exception& e) {
    boxes_.Error(e.what());
    disk::Outcome failed = disk::Outcome::Damaged("the folder walk", 0, e.what());
    failed.shown = true;
    return failed;
  }
  SortFatEntries(CurrentDrive->FatEntries);
  return disk::Outcome::Success();
}

}  // namespace tarnwell::engine
