#include "engine/drive_list.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

#include "disk/source_opener.h"
#include "platform/device_table.h"
#include "platform/text_codec.h"
#include "platform/volume_queries.h"

namespace tarnwell::engine {
namespace {

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string SizeText(int64_t totalBytes) {
  const double m = static_cast<double>(totalBytes) / 1048576.0;
  char text[64];
  if (m >= 1000.0)
    std::snprintf(text, sizeof text, "%.2f GB", m / 1024.0);
  else
    std::snprintf(text, sizeof text, "%.2f MB", m);
  return text;
}

bool DriveReady(char letter) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (upper < 'A' || upper > 'Z')
    throw std::invalid_argument(platform::SystemText("不是有效的驱动器 ID"));
  return platform::QueryDriveReady(upper);
}

std::unique_ptr<TLogiDrive> BuildDrive(char letter) {
  try {
    auto drive = std::make_unique<TLogiDrive>();
    drive->DriveName = std::string(1, letter) + ":";
    drive->DriveType = platform::QueryDriveType(letter);
    if (drive->DriveType != platform::kDriveRemovable && drive->DriveType != platform::kDriveFixed) return nullptr;
    std::string label;
    if (DriveReady(letter)) {
      if (auto total = platform::QueryTotalBytes(letter)) {
        drive->TotalBytes = static_cast<int64_t>(*total);
        label = platform::Utf8ToSystem(platform::QueryVolumeLabel(letter).value_or(""));
      }
    }
    drive->VolumeLabel = Trim(label);
    if (drive->VolumeLabel.empty()) drive->VolumeLabel = platform::SystemText("无名称");
    drive->SizeText = SizeText(drive->TotalBytes);
    // The one lookup of the volume by its letter: from here on the drive
    // is read through the source it holds.
    drive->Source = disk::OpenSourceForDriveCode(disk::DriveCodeOfLetter(letter));
    return drive;
  } catch (const std::exception&) {
    // A failed query drops the letter, as the drive list always has.
    return nullptr;
  }
}

std::vector<std::unique_ptr<TLogiDrive>> BuildDriveList() {
  std::vector<std::unique_ptr<TLogiDrive>> drives;
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (auto drive = BuildDrive(letter)) drives.push_back(std::move(drive));
  return drives;
}

std::unique_ptr<TLogiDrive> MakeDrive(char letter, std::unique_ptr<disk::SectorSource> source,
                                      uint8_t driveType) {
  auto drive = std::make_unique<TLogiDrive>();
  drive->DriveName = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))) + ":";
  drive->DriveType = driveType;
  if (source) drive->TotalBytes = static_cast<int64_t>(source->SectorCount() * disk::kSectorSize);
  drive->SizeText = SizeText(drive->TotalBytes);
  drive->VolumeLabel = platform::SystemText("无名称");
  drive->Source = std::move(source);
  return drive;
}

}  // namespace tarnwell::engine
