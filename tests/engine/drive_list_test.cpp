#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "engine/drive_list.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"
#include "tests/support/fixtures.h"
#include "tests/support/recording_window.h"

namespace tarnwell::engine {
namespace {

using platform::SystemText;
using testing::FixturePath;

TEST(SizeText, MegabytesBelowAThousandThenGigabytes) {
  const struct {
    int64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0.00 MB"},
      {1474560, "1.41 MB"},
      {16777216, "16.00 MB"},
      {1048565515, "999.99 MB"},  // 999.99 MB stays in MB
      {1048576000, "0.98 GB"},    // exactly 1000 MB already shows in GB
      {1073741824, "1.00 GB"},
      {500107862016, "465.76 GB"},
  };
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}

TEST(DriveReady, BadLettersRaiseTheConversionError) {
  testing::ScopedDeviceTable table;
  for (char bad : {'1', '@', '[', '`', '{', ' ', '\0', static_cast<char>(0xE9)}) {
    try {
      DriveReady(bad);
      ADD_FAILURE() << "no error for " << static_cast<int>(bad);
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), SystemText("不是有效的驱动器 ID"));
      EXPECT_EQ(std::string(e.what()), "\xB2\xBB\xCA\xC7\xD3\xD0\xD0\xA7\xB5\xC4\xC7\xFD\xB6\xAF\xC6\xF7 ID");
    }
  }
  EXPECT_FALSE(DriveReady('c'));
  table.AttachImage(FixturePath("base/fat16.img"));
  EXPECT_TRUE(DriveReady('c'));
  EXPECT_TRUE(DriveReady('C'));
  EXPECT_FALSE(DriveReady('D'));
}

class DriveListTest : public ::testing::Test {
 protected:
  testing::ScopedDeviceTable table;
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
};

TEST_F(DriveListTest, ListsEveryLetteredVolumeWithSizeAndLabel) {
  table.AttachImage(FixturePath("base/mbr-disk.img"));
  table.AttachImage(FixturePath("base/fat12-floppy.img"));
  table.AttachMemory("blank", std::vector<uint8_t>(3 * 1024 * 1024));
  TUndelete engine(boxes, pump);
  const struct {
    const char* name;
    int64_t bytes;
    const char* size;
    std::string label;
  } expected[] = {
      {"A:", 1474560, "1.41 MB", "FLOPPY12"},
      {"C:", 16777216, "16.00 MB", "PRIMARY1"},
      {"D:", 37748736, "36.00 MB", "PRIMARY2"},
      {"E:", 4194304, "4.00 MB", "LOGICAL5"},
      {"F:", 16777216, "16.00 MB", SystemText("资料盘")},
      {"G:", 3145728, "3.00 MB", SystemText("无名称")},
  };
  ASSERT_EQ(engine.Drives.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const TLogiDrive& d = *engine.Drives[i];
    EXPECT_EQ(d.DriveName, expected[i].name);
    EXPECT_EQ(d.DriveType, 3);
    EXPECT_EQ(d.TotalBytes, expected[i].bytes) << d.DriveName;
    EXPECT_EQ(d.SizeText, expected[i].size) << d.DriveName;
    EXPECT_EQ(d.VolumeLabel, expected[i].label) << d.DriveName;
    EXPECT_FALSE(d.Identified);
    EXPECT_EQ(d.FsKind, kUnrecognised);
    EXPECT_EQ(d.EntryCount(), 0u);
  }
  EXPECT_EQ(engine.FindDrive('f'), engine.Drives[4].get());
  EXPECT_EQ(engine.FindDrive('B'), nullptr);
  EXPECT_TRUE(boxes.errors.empty());
}

// A FAT label written in code page 936 (as a Chinese system writes it)
// reaches the drive list as the same bytes, which are GB18030 already.
TEST_F(DriveListTest, CodePageLabelOfAFatVolumeIsKept) {
  const std::string path = testing::MakeTempFolder("gbk") + "/disk.img";
  std::filesystem::copy_file(FixturePath("base/fat16.img"), path);
  {
    // The boot sector's label and the root folder's label entry (sector 68).
    std::fstream image(path, std::ios::in | std::ios::out | std::ios::binary);
    const char label[] = "\xCA\xFD\xBE\xDD\xC5\xCC     ";  // 数据盘
    image.seekp(43).write(label, 11);
    image.seekp(68 * 512).write(label, 11);
  }
  table.AttachImage(path);
  TUndelete engine(boxes, pump);
  ASSERT_EQ(engine.Drives.size(), 1u);
  EXPECT_EQ(engine.Drives[0]->VolumeLabel, "\xCA\xFD\xBE\xDD\xC5\xCC");
  EXPECT_EQ(platform::SystemToUtf8(engine.Drives[0]->VolumeLabel), "数据盘");
}

// A present drive without medium is listed with size 0 and no name.
TEST_F(DriveListTest, DriveThatIsNotReadyIsListedEmpty) {
  const std::string path = testing::MakeTempFolder("gone") + "/disk.img";
  std::filesystem::copy_file(FixturePath("base/fat16.img"), path);
  table.AttachImage(path);
  ASSERT_EQ(::unlink(path.c_str()), 0);
  TUndelete engine(boxes, pump);
  ASSERT_EQ(engine.Drives.size(), 1u);
  const TLogiDrive& d = *engine.Drives[0];
  EXPECT_EQ(d.DriveName, "C:");
  EXPECT_EQ(d.DriveType, 3);
  EXPECT_EQ(d.TotalBytes, 0);
  EXPECT_EQ(d.SizeText, "0.00 MB");
  EXPECT_EQ(d.VolumeLabel, "\xCE\xDE\xC3\xFB\xB3\xC6");  // 无名称
}

TEST_F(DriveListTest, NoVolumesNoDrives) {
  TUndelete engine(boxes, pump);
  EXPECT_TRUE(engine.Drives.empty());
  EXPECT_EQ(engine.CurrentDrive, nullptr);
  EXPECT_EQ(engine.FolderTemplate.FileName.Attributes(), kNtfsAttrDirectory);
  EXPECT_EQ(engine.FolderTemplate.FileName.ModificationTime(), 0x01C2B3E89E384F50ull);
  EXPECT_EQ(engine.FolderTemplate.RecordFlags, 0);
}

}  // namespace
}  // namespace tarnwell::engine
