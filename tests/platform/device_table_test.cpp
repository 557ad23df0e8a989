#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/device_table.h"
#include "platform/volume_queries.h"
#include "tests/support/fixtures.h"

namespace tarnwell::platform {
namespace {

using testing::FixturePath;

constexpr size_t kFloppyBytes = 1474560;
constexpr size_t kHardDiskBytes = 3 * 1024 * 1024;

std::string Letters() { return LogicalDriveLetters(); }

struct Placement {
  char letter;
  int disk;
  uint64_t start, count;
};

void ExpectVolumes(const std::vector<Placement>& expected) {
  const auto& volumes = DeviceTable::Instance().Volumes();
  ASSERT_EQ(volumes.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(volumes[i].letter, expected[i].letter) << i;
    EXPECT_EQ(volumes[i].diskIndex, expected[i].disk) << i;
    EXPECT_EQ(volumes[i].startSector, expected[i].start) << i;
    EXPECT_EQ(volumes[i].sectorCount, expected[i].count) << i;
  }
}

// Partitions of the MBR fixture: two primaries, then the two logical drives
// of the extended partition; the extended container itself gets no letter.
TEST(DeviceTable, PartitionsGetLettersFromCInDiskThenPartitionOrder) {
  testing::ScopedDeviceTable table;
  table.AttachImage(FixturePath("base/fat16.img"));
  table.AttachImage(FixturePath("base/mbr-disk.img"));
  ExpectVolumes({{'C', 0, 0, 32768},
                 {'D', 1, 2048, 32768},
                 {'E', 1, 34816, 73728},
                 {'F', 1, 110592, 8192},
                 {'G', 1, 120832, 32768}});
  EXPECT_EQ(Letters(), "CDEFG");
  EXPECT_EQ(DeviceTable::Instance().Disks().size(), 2u);
  EXPECT_EQ(DeviceTable::Instance().Disk(1)->name, "mbr-disk.img");
  EXPECT_EQ(DeviceTable::Instance().Disk(2), nullptr);
  EXPECT_EQ(DeviceTable::Instance().Disk(-1), nullptr);
}

// The kernel makes no partitions on a device-mapper device (an opened LUKS
// container holding a partitioned disk) or on a loop set up without
// partition scanning: their tables are probed as an image's are. A device
// with kernel partitions keeps them.
TEST(DeviceTable, DevicesWithoutKernelPartitionsHaveTheirTablesProbed) {
  testing::ScopedDeviceTable table;
  BlockDeviceInfo mapper;
  mapper.kernelName = "dm-0";
  mapper.devicePath = FixturePath("base/mbr-disk.img");
  mapper.kind = DiskKind::kDeviceMapper;
  BlockDeviceInfo partitioned = mapper;
  partitioned.kernelName = "sdb";
  partitioned.kind = DiskKind::kDisk;
  partitioned.partitions = {{2048, 32768}};
  DeviceTable::Instance().AddBlockDevices({mapper, partitioned});
  ExpectVolumes({{'C', 0, 2048, 32768},
                 {'D', 0, 34816, 73728},
                 {'E', 0, 110592, 8192},
                 {'F', 0, 120832, 32768},
                 {'G', 1, 2048, 32768}});
  EXPECT_EQ(DeviceTable::Instance().Disk(0)->kind, DiskKind::kDeviceMapper);
}

// A bare floppy-sized volume gets A: (then B:) wherever its disk stands in
// the order; the letters from C: are not disturbed by it.
TEST(DeviceTable, BareFloppiesTakeAAndB) {
  testing::ScopedDeviceTable table;
  table.AttachMemory("hd", std::vector<uint8_t>(kHardDiskBytes));
  table.AttachImage(FixturePath("base/fat12-floppy.img"));
  table.AttachMemory("floppy2", std::vector<uint8_t>(kFloppyBytes));
  table.AttachMemory("floppy3", std::vector<uint8_t>(kFloppyBytes));
  EXPECT_EQ(Letters(), "CABD");
  ASSERT_NE(DeviceTable::Instance().FindVolume('A'), nullptr);
  EXPECT_EQ(DeviceTable::Instance().FindVolume('A')->diskIndex, 1);
  EXPECT_EQ(DeviceTable::Instance().FindVolume('B')->diskIndex, 2);
  // A third floppy finds A: and B: taken and joins the hard-disk letters.
  EXPECT_EQ(DeviceTable::Instance().FindVolume('D')->diskIndex, 3);
  EXPECT_EQ(QueryTotalBytes('A'), kFloppyBytes);
}

TEST(DeviceTable, MoreVolumesThanLettersLeaveTheRestUnlettered) {
  testing::ScopedDeviceTable table;
  for (int i = 0; i < 26; ++i) table.AttachMemory("hd" + std::to_string(i), std::vector<uint8_t>(kHardDiskBytes));
  EXPECT_EQ(Letters(), "CDEFGHIJKLMNOPQRSTUVWXYZ");
  EXPECT_EQ(DeviceTable::Instance().FindVolume('Z')->diskIndex, 23);
  // The disks without a letter are still there for the device reader.
  EXPECT_EQ(DeviceTable::Instance().Disks().size(), 26u);
  EXPECT_EQ(DeviceTable::Instance().FindVolume('['), nullptr);
}

TEST(DeviceTable, AttachRefusesWhatIsNotAnImage) {
  testing::ScopedDeviceTable table;
  std::string error;
  EXPECT_FALSE(DeviceTable::Instance().AttachImage("/nonexistent/disk.img", &error));
  EXPECT_NE(error.find("/nonexistent/disk.img"), std::string::npos);
  error.clear();
  EXPECT_FALSE(DeviceTable::Instance().AttachImage(testing::MakeTempFolder("dir"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(DeviceTable::Instance().Disks().empty());
  EXPECT_EQ(Letters(), "");
}

TEST(DeviceTable, GenerationChangesWithEveryChange) {
  testing::ScopedDeviceTable table;
  const uint64_t before = DeviceTable::Instance().Generation();
  table.AttachMemory("hd", std::vector<uint8_t>(kHardDiskBytes));
  const uint64_t attached = DeviceTable::Instance().Generation();
  EXPECT_NE(attached, before);
  DeviceTable::Instance().Reset();
  EXPECT_NE(DeviceTable::Instance().Generation(), attached);
}

// What GetDriveTypeA, GetDiskFreeSpaceExA and GetVolumeInformationA gave.
TEST(VolumeQueries, TypeSizeAndLabelOfTheFixtureVolumes) {
  testing::ScopedDeviceTable table;
  table.AttachImage(FixturePath("base/mbr-disk.img"));
  table.AttachMemory("blank", std::vector<uint8_t>(kHardDiskBytes));
  const struct {
    char letter;
    uint64_t bytes;
    const char* label;
  } cases[] = {{'C', 32768ull * 512, "PRIMARY1"},
               {'d', 73728ull * 512, "PRIMARY2"},
               {'E', 8192ull * 512, "LOGICAL5"},
               {'F', 32768ull * 512, "资料盘"},
               {'G', kHardDiskBytes, ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(QueryDriveType(c.letter), kDriveFixed) << c.letter;
    EXPECT_TRUE(QueryDriveReady(c.letter)) << c.letter;
    EXPECT_EQ(QueryTotalBytes(c.letter), c.bytes) << c.letter;
    EXPECT_EQ(QueryVolumeLabel(c.letter), std::string(c.label)) << c.letter;
  }
  EXPECT_EQ(QueryDriveType('H'), 0);
  EXPECT_FALSE(QueryDriveReady('H'));
  EXPECT_EQ(QueryTotalBytes('H'), std::nullopt);
  EXPECT_EQ(QueryVolumeLabel('H'), std::nullopt);
}

// An image that went away after it was attached is a drive without medium:
// still listed, not ready, no size.
TEST(VolumeQueries, VanishedImageIsNotReady) {
  const std::string path = testing::MakeTempFolder("gone") + "/disk.img";
  std::filesystem::copy_file(FixturePath("base/fat16.img"), path);
  testing::ScopedDeviceTable table;
  table.AttachImage(path);
  ASSERT_TRUE(QueryDriveReady('C'));
  ASSERT_EQ(::unlink(path.c_str()), 0);
  EXPECT_EQ(QueryDriveType('C'), kDriveFixed);
  EXPECT_FALSE(QueryDriveReady('C'));
  EXPECT_EQ(QueryTotalBytes('C'), std::nullopt);
}

}  // namespace
}  // namespace tarnwell::platform
