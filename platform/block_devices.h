#pragma once
// Whole-disk block devices of this machine, from /sys/block.
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell::platform {

// What stands behind a listed disk: a drive of the machine, or one of the
// block devices Linux builds over other storage (an image attached to a
// loop device, an opened LUKS container or LVM volume, an assembled RAID
// array), where a person recovers from what the layer below holds.
enum class DiskKind { kDisk, kLoop, kDeviceMapper, kRaid };

// "disk", "loop", "dm", "md".
const char* DiskKindName(DiskKind kind);

struct BlockDeviceInfo {
  std::string kernelName;   // "sda"
  std::string devicePath;   // "/dev/sda"
  std::string model;
  DiskKind kind = DiskKind::kDisk;
  // The backing file of a loop device, the name of a device-mapper device
  // with what made it ("cryptdata (LUKS)"), the level of an md array.
  std::string kindDetail;
  bool removable = false;
  uint64_t sizeBytes = 0;
  struct Partition {
    uint64_t startSector, sectorCount;
  };
  std::vector<Partition> partitions;  // kernel partitions, in start order
};

// True for the kernel names of whole disks we list (sd*, hd*, vd*, xvd*,
// nvme*n*, mmcblk*, loop*, dm-*, md*), false for partitions, ram disks,
// zram and the like.
bool IsListedDiskName(const std::string& kernelName);

// Lists the whole-disk block devices under sysRoot ("/sys/block"). Loop
// devices without a backing file and arrays or mappings of size 0 hold
// nothing and are left out.
std::vector<BlockDeviceInfo> ListBlockDevices(const std::string& sysRoot = "/sys/block");

}  // namespace tarnwell::platform
