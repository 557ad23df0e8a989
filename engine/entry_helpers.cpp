#include "engine/entry_helpers.h"

#include <algorithm>

#include "engine/boot_sector.h"
#include "engine/exfat/exfat_boot.h"

namespace tarnwell::engine {
namespace {

std::string TrimmedField(const uint8_t* p, size_t width) {
  size_t length = 0;
  while (length < width && p[length] != 0) ++length;
  size_t first = 0;
  while (first < length && p[first] == ' ') ++first;
  while (length > first && p[length - 1] == ' ') --length;
  return std::string(reinterpret_cast<const char*>(p + first), length - first);
}

}  // namespace

bool IsFatFile(const TMidEntry& entry) { return (entry.DirEntry.Attributes() & kFatAttrDirectory) == 0; }

std::string NtfsOutputName(const tntfsfilerecord& record, std::string name) {
  if (!record.StreamName.empty()) std::replace(name.begin(), name.end(), ':', '_');
  return name;
}

bool IsNtfsFile(const tntfsfilerecord& record) {
  return record.FileName.Attributes() < kNtfsAttrDirectory;
}

std::string FatBaseName(const RawDirEntry& entry) { return TrimmedField(&entry.bytes[0], 8); }
std::string FatExtension(const RawDirEntry& entry) { return TrimmedField(&entry.bytes[8], 3); }

std::string FatEntryName(const TMidEntry& entry, bool forOutput) {
  if (!entry.LongName.empty()) return entry.LongName;
  std::string name = FatBaseName(entry.DirEntry);
  const std::string ext = FatExtension(entry.DirEntry);
  if (!ext.empty()) name += "." + ext;
  // Only a short name carries the deletion mark 0xE5 in its first byte. In
  // a long name (GB18030) 0xE5 is the lead byte of many Chinese characters,
  // which must stay as they are.
  if (!name.empty() && static_cast<uint8_t>(name[0]) == 0xE5) name[0] = forOutput ? '@' : '?';
  return name;
}

uint64_t FatEntrySize(const TMidEntry& entry) {
  return entry.Exfat && IsFatFile(entry) ? entry.Exfat->DataLength : entry.DirEntry.FileSize();
}

uint32_t FatFolderKey(const TMidEntry& entry, uint8_t fsKind) {
  return fsKind == kFat32 || fsKind == kExfat ? entry.DirEntry.FirstCluster32()
                                              : entry.DirEntry.FirstClusterLow();
}

uint32_t NtfsFolderKey(const tntfsfilerecord& record) {
  return static_cast<uint32_t>(record.RecordNumber);
}

uint32_t RootFolderKey(const TLogiDrive& drive) {
  switch (drive.FsKind) {
    case kFat32:
      return BootSectorView(drive.BootSector).RootCluster();
    case kExfat:
      return ExfatBootView(drive.BootSector.data()).RootCluster();
    case kNtfs:
      return kNtfsRootRecord;
    default:
      return 0;
  }
}

}  // namespace tarnwell::engine
