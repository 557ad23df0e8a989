#include "cli/image_source.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <regex>

#include "cli/collected_log.h"
#include "cli/raw_target.h"
#include "disk/file_sector_source.h"
#include "platform/device_table.h"

namespace tarnwell::cli {
namespace {

using disk::imaging::ImagingSource;

std::optional<ImagingSource> FromDiskRange(int diskIndex, uint64_t start, uint64_t count, const std::string& argument) {
  const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(diskIndex);
  if (disk && disk->needsAuthorisation) {
    std::fprintf(stderr, "tarnwell-cli: %s cannot be opened without authorisation (run with sudo)\n", argument.c_str());
    return std::nullopt;
  }
  std::optional<ImagingSource> source = disk::imaging::OpenDiskForImaging(diskIndex, start, count);
  if (!source) std::fprintf(stderr, "tarnwell-cli: %s names no disk that can be read\n", argument.c_str());
  return source;
}

std::optional<ImagingSource> FromVolume(char letter, const std::string& argument) {
  const platform::VolumeEntry* volume = platform::DeviceTable::Instance().FindVolume(letter);
  if (!volume) {
    std::fprintf(stderr, "tarnwell-cli: no volume %c:\n", letter);
    return std::nullopt;
  }
  return FromDiskRange(volume->diskIndex, volume->startSector, volume->sectorCount, argument);
}

// A partition or gap as the advanced window's drive list numbers it.
std::optional<ImagingSource> FromListEntry(CliContext& context, const std::string& argument) {
  CollectedLog log;
  const std::optional<RawTarget> target = ResolveRawTarget(context, log, argument, false);
  if (!target) return std::nullopt;
  const int16_t code = target->drive->DriveCode();
  // The list holds a volume as one entry without a size: the volume whole.
  if (code < 0) return FromVolume(static_cast<char>(-code), argument);
  return FromDiskRange(code, target->entry->AbsoluteStart(), target->entry->SectorCount(), argument);
}

std::optional<ImagingSource> FromPath(const std::string& path) {
  platform::UniqueFd fd = platform::UniqueFd::OpenReadOnlyNoWait(path.c_str());
  if (!fd.valid()) {
    std::fprintf(stderr, "tarnwell-cli: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
    return std::nullopt;
  }
  const std::optional<uint64_t> size = platform::SizeOfOpenFile(fd.get());
  if (!size) {
    std::fprintf(stderr, "tarnwell-cli: %s is no disk, partition or image file\n", path.c_str());
    return std::nullopt;
  }
  ImagingSource source;
  source.spot = platform::SpotOfDescriptor(fd.get());
  source.sectors = disk::FileSectorSource::FromDescriptor(std::move(fd), 0, *size);
  return source;
}

}  // namespace

std::optional<ImagingSource> ResolveImageSource(CliContext& context, const std::string& argument) {
  if (!context.Prepare()) return std::nullopt;
  if (std::regex_match(argument, std::regex("[A-Za-z]:?")))
    return FromVolume(static_cast<char>(std::toupper(static_cast<unsigned char>(argument[0]))), argument);
  if (std::regex_match(argument, std::regex(".+:[0-9]{1,6}"))) return FromListEntry(context, argument);
  if (std::regex_match(argument, std::regex("[0-9]{1,5}"))) {
    const int index = std::stoi(argument);
    const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(index);
    return FromDiskRange(index, 0, disk ? disk->sizeBytes / disk::kSectorSize : 0, argument);
  }
  // A disk or image named by its path is read as it is: probing it for
  // partitions first would only add reads of a failing disk.
  return FromPath(argument);
}

}  // namespace tarnwell::cli
