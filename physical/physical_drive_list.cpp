#include "physical/physical_drive_list.h"

#include <exception>

#include "platform/device_table.h"
#include "platform/volume_queries.h"

namespace tarnwell::physical {

TPhysicalDriveList::TPhysicalDriveList(PhysicalWindow window) {
  try {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      const uint8_t type = platform::QueryDriveType(letter);
      if (type != platform::kDriveRemovable && type != platform::kDriveFixed) continue;
      Items.push_back(std::make_unique<TPhysicalDrive>(VolumeDriveRecord(letter), window));
    }
    // Every number is probed; a gap does not end the loop.
    for (int number = 0; number < kPhysicalDiskNumbers; ++number) {
      const std::optional<TDriveRecord> record =
          QueryPhysicalDriveRecord(static_cast<int16_t>(number));
      if (record) Items.push_back(std::make_unique<TPhysicalDrive>(*record, window));
    }
  } catch (const std::exception& e) {
    window.boxes.Error(e.what());
  }
}

TPhysicalDrive* TPhysicalDriveList::FindDrive(int16_t code) const {
  for (const auto& drive : Items)
    if (drive->DriveCode() == code) return drive.get();
  return nullptr;
}

}  // namespace tarnwell::physical
