#pragma once
// Display labels of partitions: the FAT volume label from the first root
// directory entry, the NTFS volume name, and the drive letter in front when
// the running system has the partition mounted.
#include <cstddef>
#include <cstdint>
#include <string>

#include "disk/device_reader.h"

namespace tarnwell::physical {

class TPhysicalDrive;
struct TPartiEntry;

// Sets entry.Label from the file system at the entry's start; errors are
// swallowed and leave the label as far as it got. Used for table entries and
// for partitions found by the search.
bool ReadPartitionLabel(TPhysicalDrive& drive, disk::DiskHandle handle, TPartiEntry& entry);

// The label of a FAT root directory's first 32-byte entry: the name part
// trimmed, then the extension part trimmed ("ABC     DEF" gives "ABCDEF").
// Empty when the entry is no volume label or its name part is blank.
std::string FatLabelOfRootEntry(const uint8_t* entry);

// The volume name held in NTFS record 3 ($Volume), 1024 bytes as read from
// disk. Answers empty for now: the name lives in the record's volume-name
// attribute (type 0x60), and finding it needs the NTFS engine's attribute
// walk (ParseRecordAttribute), which this unit will call once it exists.
std::string NtfsVolumeNameOfRecord(const uint8_t* record, size_t size);

}  // namespace tarnwell::physical
