#include "disk/source_opener.h"

#include <algorithm>
#include <cctype>

#include "disk/file_sector_source.h"
#include "disk/formats/decoded_sector_source.h"
#include "disk/imaging/rescued_image_source.h"
#include "disk/memory_sector_source.h"
#include "disk/source_window.h"
#include "platform/device_table.h"

namespace tarnwell::disk {
namespace {

std::unique_ptr<SectorSource> OpenBytes(const platform::PhysicalDisk& disk, uint64_t offset, uint64_t length) {
  if (disk.origin.memory)
    return std::make_unique<MemorySectorSource>(disk.origin.memory, offset, length);
  // An image format: a window of the one open image the table keeps.
  if (disk.origin.content) {
    auto image = std::dynamic_pointer_cast<formats::DecodedSectorSource>(disk.origin.content);
    return image ? std::make_unique<SourceWindow>(std::move(image), offset, length) : nullptr;
  }
  return FileSectorSource::FromDescriptor(platform::OpenDiskReadOnly(disk), offset, length);
}

std::unique_ptr<SectorSource> OpenWindow(const platform::PhysicalDisk& disk, uint64_t offset,
                                         uint64_t length) {
  std::unique_ptr<SectorSource> source = OpenBytes(disk, offset, length);
  if (!source || !disk.origin.readable) return source;
  return std::make_unique<imaging::RescuedImageSource>(std::move(source), disk.origin.readable,
                                                       offset / kSectorSize, length / kSectorSize);
}

}  // namespace

int16_t DriveCodeOfLetter(char letter) {
  return static_cast<int16_t>(-std::toupper(static_cast<unsigned char>(letter)));
}

char LetterOfDriveCode(int16_t driveCode) {
  if (driveCode >= 0) return 0;
  const int code = -driveCode;
  return (code >= 'A' && code <= 'Z') ? static_cast<char>(code) : 0;
}

std::unique_ptr<SectorSource> OpenSourceForDriveCode(int16_t driveCode) {
  const auto& table = platform::DeviceTable::Instance();
  if (driveCode >= 0) {
    const platform::PhysicalDisk* disk = table.Disk(driveCode);
    return disk ? OpenWindow(*disk, 0, disk->sizeBytes) : nullptr;
  }
  const char letter = LetterOfDriveCode(driveCode);
  const platform::VolumeEntry* volume = letter ? table.FindVolume(letter) : nullptr;
  if (!volume) return nullptr;
  const platform::PhysicalDisk* disk = table.Disk(volume->diskIndex);
  if (!disk) return nullptr;
  return OpenWindow(*disk, volume->startSector * kSectorSize, volume->sectorCount * kSectorSize);
}

std::unique_ptr<SectorSource> OpenDiskRange(int diskIndex, uint64_t startSector, uint64_t sectorCount) {
  const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(diskIndex);
  const uint64_t diskSectors = disk ? disk->sizeBytes / kSectorSize : 0;
  if (startSector >= diskSectors) return nullptr;
  return OpenWindow(*disk, startSector * kSectorSize, std::min(sectorCount, diskSectors - startSector) * kSectorSize);
}

}  // namespace tarnwell::disk
