#include "physical/partition_label.h"

#include <array>
#include <exception>
#include <vector>

#include "engine/boot_sector.h"
#include "engine/exfat/entry_set.h"
#include "engine/exfat/exfat_boot.h"
#include "engine/identify.h"
#include "engine/ntfs/record_attribute.h"
#include "engine/records.h"
#include "physical/drive_letter.h"
#include "physical/physical_drive.h"
#include "platform/text_codec.h"

namespace tarnwell::physical {
namespace {

// $Volume keeps the volume name in an attribute of this type.
constexpr uint32_t kNtfsVolumeNameAttribute = 0x60;

std::string TrimmedField(const uint8_t* p, size_t n) {
  size_t first = 0, last = n;
  while (first < last && p[first] <= ' ') ++first;
  while (last > first && p[last - 1] <= ' ') --last;
  return std::string(reinterpret_cast<const char*>(p + first), last - first);
}

bool ReadSectors(TPhysicalDrive& drive, disk::DiskHandle handle, uint64_t lba, uint16_t count,
                 uint8_t* buffer) {
  uint32_t bytesRead = 0;
  return disk::ReadDiskSectors(handle, count, buffer, drive.DriveCode(), bytesRead, lba) &&
         bytesRead == count * 512u;
}

// The label stored in the file system at the entry's start, empty if none.
std::string FileSystemLabel(TPhysicalDrive& drive, disk::DiskHandle handle, uint64_t start) {
  std::array<uint8_t, 512> boot{};
  if (!ReadSectors(drive, handle, start, 1, boot.data())) return {};
  const engine::BootSectorView view(boot.data());
  switch (engine::IdentifyFileSystem(boot.data())) {
    case engine::kFat12:
    case engine::kFat16:
    case engine::kFat32: {
      const bool fat32 = engine::IdentifyFileSystem(boot.data()) == engine::kFat32;
      const uint64_t perFat = fat32 ? view.SectorsPerFat32() : view.SectorsPerFat16();
      // The first root directory sector; on FAT32 the first data sector.
      const uint64_t root = start + view.ReservedSectors() + uint64_t{view.FatCount()} * perFat;
      std::array<uint8_t, 512> dir{};
      if (!ReadSectors(drive, handle, root, 1, dir.data())) return {};
      return FatLabelOfRootEntry(dir.data());
    }
    case engine::kNtfs: {
      // Record 3 of the MFT ($Volume), two sectors.
      const uint64_t record =
          start + 6 + uint64_t{view.SectorsPerCluster()} * view.MftCluster();
      std::array<uint8_t, 1024> bytes{};
      if (!ReadSectors(drive, handle, record, 2, bytes.data())) return {};
      return NtfsVolumeNameOfRecord(bytes.data(), bytes.size());
    }
    case engine::kExfat: {
      // The label entry leads the root folder; its first sector is enough.
      const engine::ExfatBootView exfat(boot.data());
      const uint32_t root = exfat.RootCluster();
      if (root < 2 || exfat.SectorsPerClusterShift() > 16) return {};
      const uint64_t sector =
          start + exfat.ClusterHeapOffset() + (uint64_t{root - 2} << exfat.SectorsPerClusterShift());
      std::array<uint8_t, 512> dir{};
      if (!ReadSectors(drive, handle, sector, 1, dir.data())) return {};
      return engine::ExfatVolumeLabel(dir.data(), dir.size());
    }
    default:
      return {};
  }
}

}  // namespace

std::string FatLabelOfRootEntry(const uint8_t* entry) {
  const uint8_t attributes = entry[11];
  // A long-name piece carries the label bit too (0x0F), but holds UTF-16
  // name characters, not a label.
  if ((attributes & engine::kFatAttrVolumeLabel) == 0 || attributes == engine::kFatAttrLongName)
    return {};
  const std::string name = TrimmedField(entry, 8);
  if (name.empty()) return {};
  return name + TrimmedField(entry + 8, 3);
}

std::string NtfsVolumeNameOfRecord(const uint8_t* record, size_t size) {
  // The walk applies the update sequence in place, so it works on a copy.
  std::vector<uint8_t> copy(record, record + size);
  engine::TAttribute name;
  if (!engine::ntfs::ParseRecordAttribute(copy, kNtfsVolumeNameAttribute, name)) return {};
  if (name.IsNonResident() || name.Content.empty()) return {};
  return platform::Utf16LeToSystem(name.Content.data(), name.Content.size());
}

bool ReadPartitionLabel(TPhysicalDrive& drive, disk::DiskHandle handle, TPartiEntry& entry) {
  try {
    std::string label = FileSystemLabel(drive, handle, entry.AbsoluteStart());
    if (!label.empty()) entry.Label = label;
    if (WindowsVersionClass() > 2) {
      const std::string letter = FindPartitionDriveLetter(entry);
      if (!letter.empty()) entry.Label = "(" + letter + ":) " + entry.Label;
    }
    return true;
  } catch (const std::exception&) {
    return false;  // a label is never worth failing the caller for
  }
}

}  // namespace tarnwell::physical
