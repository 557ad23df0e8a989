// The disk list marks what each disk is: a loop device with its backing
// file, a device-mapper device with its name, an md array with its level,
// an image with its format; in the text header and in the JSON.
#include <gtest/gtest.h>

#include "cli/partition_listing.h"
#include "physical/drive_caption.h"
#include "physical/physical_drive_list.h"
#include "platform/block_devices.h"
#include "platform/device_table.h"
#include "tests/support/fixtures.h"
#include "tests/support/recording_window.h"

namespace tarnwell::cli {
namespace {

using platform::BlockDeviceInfo;
using platform::DiskKind;

// Every device reads the same fixture (later readers open the path as it
// is): what matters is how it is named.
BlockDeviceInfo Device(const char* name, DiskKind kind, const char* detail) {
  BlockDeviceInfo info;
  info.kernelName = name;
  info.devicePath = testing::FixturePath("partitions/extended.img");
  info.kind = kind;
  info.kindDetail = detail;
  info.sizeBytes = 64 << 20;
  return info;
}

TEST(DiskKinds, EachDiskSaysWhatItIs) {
  testing::ScopedDeviceTable scope;
  auto& table = platform::DeviceTable::Instance();
  const std::string image = testing::FixturePath("partitions/extended.img");
  scope.AttachImage(image);
  table.AddBlockDevices({Device("loop0", DiskKind::kLoop, "/home/ann/card.img"),
                         Device("dm-1", DiskKind::kDeviceMapper, "cryptdata (LUKS)"),
                         Device("md0", DiskKind::kRaid, "raid1"), Device("sda", DiskKind::kDisk, "")});

  testing::RecordingLog log;
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
  const physical::TPhysicalDriveList list({log, boxes, pump});
  const struct {
    const char* kind;
    const char* key;
    const char* value;
    std::string header;
    const char* note;
  } expected[] = {
      {"image", "format", "raw", "  [raw image " + image + "]\n", ""},
      {"loop", "detail", "/home/ann/card.img", "  [loop " + image + ": /home/ann/card.img]\n",
       "loop: /home/ann/card.img"},
      {"dm", "detail", "cryptdata (LUKS)", "  [dm " + image + ": cryptdata (LUKS)]\n", "dm: cryptdata (LUKS)"},
      {"md", "detail", "raid1", "  [md " + image + ": raid1]\n", "md: raid1"},
      {"disk", nullptr, nullptr, "  [disk " + image + "]\n", ""},
  };
  std::vector<const physical::TPhysicalDrive*> disks;
  for (const auto& drive : list.Items)
    if (!drive->IsVolume()) disks.push_back(drive.get());
  ASSERT_EQ(disks.size(), std::size(expected));
  for (size_t i = 0; i < disks.size(); ++i) {
    const auto& e = expected[i];
    SCOPED_TRACE(e.kind);
    const nlohmann::json json = DriveJson(*disks[i]);
    EXPECT_EQ(json["disk_kind"], e.kind);
    EXPECT_EQ(json["path"], image);
    if (e.key) EXPECT_EQ(json[e.key], e.value);
    else EXPECT_FALSE(json.contains("detail") || json.contains("format")) << json;
    ::testing::internal::CaptureStdout();
    PrintDriveHeader(*disks[i]);
    const std::string header = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(header.find(e.header), std::string::npos) << header;
    EXPECT_EQ(physical::DriveKindNote(*disks[i]), e.note);
  }
}

}  // namespace
}  // namespace tarnwell::cli
