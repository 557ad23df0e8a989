#pragma once
// Every drive the advanced window offers: the removable and fixed volumes in
// letter order, then the physical disks in number order. Built once when the
// window opens; it reads each disk's partition tables then.
#include <cstddef>
#include <memory>
#include <vector>

#include "physical/physical_drive.h"

namespace tarnwell::physical {

// Physical disk numbers probed, as on the NT family.
inline constexpr int kPhysicalDiskNumbers = 128;

class TPhysicalDriveList {
 public:
  // An error during enumeration is shown in an error box and ends it; the
  // drives listed before stay. There is no fixed number of slots: a machine
  // with more than 26 drives gets them all.
  explicit TPhysicalDriveList(PhysicalWindow window);

  size_t Count() const { return Items.size(); }
  std::vector<std::unique_ptr<TPhysicalDrive>> Items;

  // The drive with this drive code, nullptr when none is listed.
  TPhysicalDrive* FindDrive(int16_t code) const;
};

}  // namespace tarnwell::physical
