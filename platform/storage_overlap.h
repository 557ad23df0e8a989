#pragma once
// Whether writing a file somewhere could write to a disk that is being
// copied, and how much room a folder has left: the checks before a failing
// disk is copied to an image.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tarnwell::platform {

struct PhysicalDisk;

// Where the bytes of a disk, a partition or an image file live.
struct StorageSpot {
  bool blockDevice = false;
  dev_t device = 0;  // the device itself, or the device of a file's file system
  ino_t inode = 0;   // a file's inode
};

std::optional<StorageSpot> SpotOfDescriptor(int fd);
// The spot of a disk of the device table (through its descriptor or path);
// nullopt for a disk held in memory or one that cannot be opened.
std::optional<StorageSpot> SpotOfDisk(const PhysicalDisk& disk);

// Where the kernel shows its devices and mounts; tests build their own.
struct SystemTables {
  std::string sysfs = "/sys";
  std::string mountinfo = "/proc/self/mountinfo";
};

enum class Overlap {
  kNone,
  kSameFile,  // the path is the source (an image, or a loop device's file),
              // or lies on a file system kept inside it
  kSameDisk,  // the path's file system rests on the disk the source is on
};

// Whether a file written at `path` (existing or not) could write to what
// `source` reads. A file system rests on every device below it: a
// partition on its disk, a device-mapper or md device on its members, a
// loop device on the file system that holds its backing file. The source
// counts as its own device and, when a partition, its whole disk, so a
// destination on any partition of the disk being copied is refused. A loop
// device or an image file as the source is a file: only that file itself
// is refused, not the rest of the file system it lies on.
Overlap DestinationOverlap(const StorageSpot& source, const std::string& path, const SystemTables& tables = {});
// The same for a file system known by its device.
Overlap DeviceOverlap(const StorageSpot& source, dev_t fileSystem, const SystemTables& tables = {});

// The bytes a new file in `folder` may still take, nullopt when unknown.
std::optional<uint64_t> FreeBytesIn(const std::string& folder);

// The folder a path's file lies in ("a/b.img" -> "a", "b.img" -> ".").
std::string FolderOf(const std::string& path);

}  // namespace tarnwell::platform
