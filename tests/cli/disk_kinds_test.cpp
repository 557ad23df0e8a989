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

BlockDeviceInfo Device(const char* name, DiskKind kind, const char* detail) {
  BlockDeviceInfo info;
  info.kernelName = name;
  info.devicePath = std::string("/dev/") + name;
  info.kind = kind;
  info.kindDetail = detail;
  info.sizeBytes = 64 << 20;
  return info;
}

TEST(DiskKinds, EachDiskSaysWhatItIs) {
  testing::ScopedDeviceTable scope;
  auto& table = platform::DeviceTable::Instance();
  scope.AttachImage(testing::FixturePath("partitions/extended.img"));
  // Every device reads the same fixture: what matters is how it is named.
  const std::string image = testing::FixturePath("partitions/extended.img");
  table.AddBlockDevices({Device("loop0", DiskKind::kLoop, "/home/ann/card.img"),
                         Device("dm-1", DiskKind::kDeviceMapper, "cryptdata (LUKS)"),
                         Device("md0", DiskKind::kRaid, "raid1"), Device("sda", DiskKind::kDisk, "")},
                        [&](const std::string&) { return platform::UniqueFd::OpenReadOnly(image.c_str()); });

  testing::RecordingLog log;
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
  const physical::TPhysicalDriveList list({log, boxes, pump});
  const struct {
    const char* kind;
    std::string path;
    const char* key;
    const char* value;
    const char* header;
    const char* note;
  } expected[] = {
      {"image", image, "format", "raw", "[raw image ", ""},
      {"loop", "/dev/loop0", "detail", "/home/ann/card.img", "[loop /dev/loop0: /home/ann/card.img]",
       "loop: /home/ann/card.img"},
      {"dm", "/dev/dm-1", "detail", "cryptdata (LUKS)", "[dm /dev/dm-1: cryptdata (LUKS)]", "dm: cryptdata (LUKS)"},
      {"md", "/dev/md0", "detail", "raid1", "[md /dev/md0: raid1]", "md: raid1"},
      {"disk", "/dev/sda", nullptr, nullptr, "[disk /dev/sda]", ""},
  };
  std::vector<const physical::TPhysicalDrive*> disks;
  for (const auto& drive : list.Items)
    if (!drive->IsVolume()) disks.push_back(drive.get());
  ASSERT_EQ(disks.size(), std::size(expected));
  for (size_t i = 0; i < disks.size(); ++i) {
    const auto& e = expected[i];
    SCOPED_TRACE(e.path);
    const nlohmann::json json = DriveJson(*disks[i]);
    EXPECT_EQ(json["disk_kind"], e.kind);
    EXPECT_EQ(json["path"], e.path);
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
