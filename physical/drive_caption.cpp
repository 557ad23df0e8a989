#include "physical/drive_caption.h"

#include <cstdio>

#include "disk/source_opener.h"
#include "physical/physical_drive.h"
#include "platform/device_table.h"
#include "platform/text_codec.h"

namespace tarnwell::physical {

std::string FormatSectorSize(uint64_t sectors) {
  const double m = static_cast<double>(sectors) / 2048.0;
  char text[64];
  if (m > 1000.0)
    std::snprintf(text, sizeof text, "%.2f GB", m / 1024.0);
  else
    std::snprintf(text, sizeof text, "%.2f MB", m);
  return text;
}

std::string DriveCaption(const TPhysicalDrive& drive) {
  const TPartiEntry& disk = drive.WholeDisk();
  // The size comes from the 64-bit total: the whole-disk slot holds 32 bits
  // and would show a disk of 2 TiB or more as 2 TiB.
  if (drive.IsVolume())
    return "(" + std::string(1, disk::LetterOfDriveCode(drive.DriveCode())) + ":) " + disk.Label;
  char code[16];
  std::snprintf(code, sizeof code, "%02X", static_cast<unsigned>(drive.DriveCode()));
  return platform::SystemText("物理驱动器 ") + code + "H (" + FormatSectorSize(drive.TotalSectors()) +
         ")";
}

std::string DriveKindNote(const TPhysicalDrive& drive) {
  const platform::PhysicalDisk* disk =
      drive.IsVolume() ? nullptr : platform::DeviceTable::Instance().Disk(drive.DriveCode());
  if (!disk) return {};
  if (disk->isImage) return disk->format == "raw" ? std::string() : disk->format + " image";
  if (disk->kind == platform::DiskKind::kDisk) return {};
  return std::string(platform::DiskKindName(disk->kind)) + ": " + disk->kindDetail;
}

}  // namespace tarnwell::physical
