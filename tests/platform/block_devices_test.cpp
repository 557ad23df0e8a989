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
  for (const char* name : {"loop0", "loop12", "dm-0", "dm-13", "md0", "md127"})
    EXPECT_TRUE(IsListedDiskName(name)) << name;
  for (const char* name : {"sda1", "sd", "hda2", "vd1", "xvda1", "nvme0n1p2", "nvme0", "nvmen1",
                           "mmcblk0p1", "mmcblk", "mmcblk0boot0", "loop", "loop0p1", "ram0", "sr0", "dm-",
                           "dm0", "md", "md0p1", "md_d0", "zram0", "sdA", ""})
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
  WriteFile(root / "loop0/size", "100");  // a loop with nothing attached
  WriteFile(root / "sdb1/size", "100");

  const auto devices = ListBlockDevices(root.string());
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].kind, DiskKind::kDisk);
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

// The block devices Linux builds over other storage, as /sys/block shows
// them: each listed with its kind and what tells it apart, those that hold
// nothing left out.
TEST(BlockDevices, LoopMapperAndRaidDevicesCarryTheirKind) {
  const fs::path root = testing::MakeTempFolder("sys");
  WriteFile(root / "loop0/size", "131072");
  WriteFile(root / "loop0/loop/backing_file", "/home/ann/card.img");
  WriteFile(root / "loop0/loop0p1/partition", "1");
  WriteFile(root / "loop0/loop0p1/start", "2048");
  WriteFile(root / "loop0/loop0p1/size", "129024");
  WriteFile(root / "loop1/size", "0");  // free: no backing file
  WriteFile(root / "loop2/size", "0");
  WriteFile(root / "loop2/loop/backing_file", "");
  WriteFile(root / "dm-0/size", "409600");
  WriteFile(root / "dm-0/dm/name", "luks-3f2a");
  WriteFile(root / "dm-0/dm/uuid", "CRYPT-LUKS2-3f2a9c0e1d2b4c5a8e7f6a5b4c3d2e1f-luks-3f2a");
  WriteFile(root / "dm-1/size", "204800");
  WriteFile(root / "dm-1/dm/name", "vg0-home");
  WriteFile(root / "dm-1/dm/uuid", "LVM-abcdefabcdef");
  WriteFile(root / "dm-2/size", "0");  // a mapping without a table
  WriteFile(root / "dm-2/dm/name", "pending");
  WriteFile(root / "md0/size", "1048576");
  WriteFile(root / "md0/md/level", "raid1");
  WriteFile(root / "md1/size", "0");  // not assembled
  WriteFile(root / "md1/md/level", "raid5");
  WriteFile(root / "zram0/size", "8388608");
  WriteFile(root / "ram0/size", "8192");

  const auto devices = ListBlockDevices(root.string());
  const struct {
    const char* name;
    DiskKind kind;
    const char* detail;
    size_t partitions;
  } expected[] = {{"dm-0", DiskKind::kDeviceMapper, "luks-3f2a (LUKS)", 0},
                  {"dm-1", DiskKind::kDeviceMapper, "vg0-home (LVM)", 0},
                  {"loop0", DiskKind::kLoop, "/home/ann/card.img", 1},
                  {"md0", DiskKind::kRaid, "raid1", 0}};
  ASSERT_EQ(devices.size(), std::size(expected));
  for (size_t i = 0; i < devices.size(); ++i) {
    EXPECT_EQ(devices[i].kernelName, expected[i].name);
    EXPECT_EQ(devices[i].devicePath, std::string("/dev/") + expected[i].name);
    EXPECT_EQ(devices[i].kind, expected[i].kind) << expected[i].name;
    EXPECT_EQ(devices[i].kindDetail, expected[i].detail);
    EXPECT_EQ(devices[i].partitions.size(), expected[i].partitions) << expected[i].name;
  }
  EXPECT_STREQ(DiskKindName(DiskKind::kDeviceMapper), "dm");
  EXPECT_STREQ(DiskKindName(DiskKind::kRaid), "md");
}

}  // namespace
}  // namespace tarnwell::platform
