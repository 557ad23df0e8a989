#pragma once
// Whole-disk block devices of this machine, from /sys/block.
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell::platform {

struct BlockDeviceInfo {
  std::string kernelName;   // "sda"
  std::string devicePath;   // "/dev/sda"
  std::string model;
  bool removable = false;
  uint64_t sizeBytes = 0;
  struct Partition {
    uint64_t startSector, sectorCount;
  };
  std::vector<Partition> partitions;  // kernel partitions, in start order
};

// True for the kernel names of whole disks we list (sd*, hd*, vd*, xvd*,
// nvme*n*, mmcblk*), false for partitions, loops, ram disks and the like.
bool IsListedDiskName(const std::string& kernelName);

// Lists the whole-disk block devices under sysRoot ("/sys/block").
std::vector<BlockDeviceInfo> ListBlockDevices(const std::string& sysRoot = "/sys/block");

}  // namespace tarnwell::platform
