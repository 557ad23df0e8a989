#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/block_devices.h"
#include "tests/support/fixtures.h"

namespace tarnwell::platform {
namespace {

namespace fs = std::filesystem;

TEST(BlockDevices, OnlyWholeDisksAreListed) {
  for (const char* name : {"sda", "sdab", "hdb", "vdc", "xvda", "nvme0n1", "nvme12n3", "mmcblk0", "mmcblk10"})
    EXPECT_TRUE(IsListedDiskName(name)) << name;
  for (const char* name : {"sda1", "sd", "hda2", "vd1", "xvda1", "nvme0n1p2", "nvme0", "nvmen1",
                           "mmcblk0p1", "mmcblk", "mmcblk0boot0", "loop0", "ram0", "sr0", "dm-0",
                           "md0", "zram0", "sdA", ""})
    EXPECT_FALSE(IsListedDiskName(name)) << name;
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text << "\n";
}

// A made-up /sys/block: partitions come in start order, the 1 KiB stub of
// an extended container is left out, loops and partitions are not disks.
TEST(BlockDevices, ReadsSizesRemovabilityAndPartitionsFromSys) {
  const fs::path root = testing::MakeTempFolder("sys");
  WriteFile(root / "sdb/size", "2097152");
  WriteFile(root / "sdb/removable", "1");
  WriteFile(root / "sdb/device/model", "USB Stick   ");
  WriteFile(root / "sdb/sdb5/partition", "5");
  WriteFile(root / "sdb/sdb5/start", "600000");
  WriteFile(root / "sdb/sdb5/size", "1000");
  WriteFile(root / "sdb/sdb2/partition", "2");
  WriteFile(root / "sdb/sdb2/start", "500000");
  WriteFile(root / "sdb/sdb2/size", "2");
  WriteFile(root / "sdb/sdb1/partition", "1");
  WriteFile(root / "sdb/sdb1/start", "2048");
  WriteFile(root / "sdb/sdb1/size", "400000");
  WriteFile(root / "sda/size", "garbage");
  WriteFile(root / "sda/removable", "0");
  WriteFile(root / "loop0/size", "100");
  WriteFile(root / "sdb1/size", "100");

  const auto devices = ListBlockDevices(root.string());
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].kernelName, "sda");
  EXPECT_EQ(devices[0].sizeBytes, 0u);
  EXPECT_FALSE(devices[0].removable);
  EXPECT_TRUE(devices[0].partitions.empty());
  const BlockDeviceInfo& stick = devices[1];
  EXPECT_EQ(stick.devicePath, "/dev/sdb");
  EXPECT_EQ(stick.sizeBytes, 2097152ull * 512);
  EXPECT_TRUE(stick.removable);
  EXPECT_EQ(stick.model, "USB Stick");
  ASSERT_EQ(stick.partitions.size(), 2u);
  EXPECT_EQ(stick.partitions[0].startSector, 2048u);
  EXPECT_EQ(stick.partitions[0].sectorCount, 400000u);
  EXPECT_EQ(stick.partitions[1].startSector, 600000u);

  EXPECT_TRUE(ListBlockDevices((root / "missing").string()).empty());
}

}  // namespace
}  // namespace tarnwell::platform
