#include "platform/volume_queries.h"

#include <cctype>

#include "platform/blkid_probe.h"
#include "platform/device_table.h"
#include "platform/unique_fd.h"

namespace tarnwell::platform {
namespace {

const VolumeEntry* Find(char letter) {
  return DeviceTable::Instance().FindVolume(
      static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
}

}  // namespace

uint8_t QueryDriveType(char letter) {
  const VolumeEntry* v = Find(letter);
  return v ? v->driveType : 0;
}

bool QueryDriveReady(char letter) {
  const VolumeEntry* v = Find(letter);
  if (!v) return false;
  const PhysicalDisk* disk = DeviceTable::Instance().Disk(v->diskIndex);
  if (!disk) return false;
  if (disk->origin.memory || disk->origin.content) return v->sectorCount > 0;
  UniqueFd fd = OpenDiskReadOnly(*disk);
  return fd.valid() && v->sectorCount > 0;
}

std::optional<uint64_t> QueryTotalBytes(char letter) {
  const VolumeEntry* v = Find(letter);
  if (!v || !QueryDriveReady(letter)) return std::nullopt;
  return v->sectorCount * kSectorSize;
}

std::optional<std::string> QueryVolumeLabel(char letter) {
  const VolumeEntry* v = Find(letter);
  if (!v) return std::nullopt;
  const PhysicalDisk* disk = DeviceTable::Instance().Disk(v->diskIndex);
  if (!disk || disk->origin.memory) return std::string();
  if (disk->origin.content) {
    const std::optional<std::string> label =
        ProbeLabel(*disk->origin.content, v->startSector * kSectorSize, v->sectorCount * kSectorSize);
    return label ? *label : std::string();
  }
  UniqueFd fd = OpenDiskReadOnly(*disk);
  if (!fd.valid()) return std::nullopt;
  std::optional<std::string> label =
      ProbeLabel(fd.get(), v->startSector * kSectorSize, v->sectorCount * kSectorSize);
  return label ? *label : std::string();
}

std::string LogicalDriveLetters() {
  std::string letters;
  for (const VolumeEntry& v : DeviceTable::Instance().Volumes()) letters.push_back(v.letter);
  return letters;
}

}  // namespace tarnwell::platform
