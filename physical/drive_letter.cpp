#include "physical/drive_letter.h"

#include "physical/parti_entry.h"
#include "platform/device_table.h"
#include "platform/volume_queries.h"

namespace tarnwell::physical {

uint8_t WindowsVersionClass() { return 7; }

std::string FindPartitionDriveLetter(const TPartiEntry& entry) {
  if (entry.IsFreeSpace() || entry.IsExtended()) return {};
  const auto& table = platform::DeviceTable::Instance();
  // The volume's first extent: the disk it lies on and its byte offset.
  for (const char letter : platform::LogicalDriveLetters()) {
    const platform::VolumeEntry* volume = table.FindVolume(letter);
    if (volume && volume->diskIndex == entry.DriveCode &&
        volume->startSector == entry.AbsoluteStart())
      return std::string(1, letter);
  }
  return {};
}

}  // namespace tarnwell::physical
