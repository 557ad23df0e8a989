// Recorded drives: the text format, and the whole path from drive table to
// rows through the request records and the answering layer.
#include <gtest/gtest.h>

#include "health/drive_identity_text.h"
#include "health/replay_drive.h"
#include "health/smart.h"
#include "health/smart_list.h"
#include "platform/smart_device.h"
#include "platform/text_codec.h"
#include "tests/health/smart_test_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/recording_window.h"

namespace tarnwell::health {
namespace {

using testing::Recording;
using testing::ScopedSmartDrives;

std::string Utf8(const std::string& s) { return platform::SystemToUtf8(s); }

TEST(ReplayFormat, ParsesOffsetsAndRunTogetherBytes) {
  std::string error;
  const auto r = ParseReplay(
      "tarnwell-smart-replay 1\n"
      "# a comment\n"
      "[identify]\n"
      "00 01 # two bytes\n"
      "010: 0A0B0C\n"
      "\n"
      "[ thresholds ]\r\n"
      "1FF: EE\n"
      "[enable-fails]\n",
      &error);
  ASSERT_TRUE(r) << error;
  ASSERT_TRUE(r->identify);
  EXPECT_EQ((*r->identify)[1], 0x01);
  EXPECT_EQ((*r->identify)[0x10], 0x0A);
  EXPECT_EQ((*r->identify)[0x12], 0x0C);
  EXPECT_EQ((*r->identify)[0x13], 0x00);
  EXPECT_EQ((*r->thresholds)[511], 0xEE);
  EXPECT_FALSE(r->attributes);
  EXPECT_FALSE(r->identifyPacket);
  EXPECT_TRUE(r->enableFails);
}

TEST(ReplayFormat, RejectsWhatIsNotARecording) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"", "empty recording"},
      {"[identify]\n00\n", "line 1: not a recording"},
      {"tarnwell-smart-replay 2\n", "line 1: not a recording"},
      {"tarnwell-smart-replay 1\n00 01\n", "line 2: bytes outside a sector section"},
      {"tarnwell-smart-replay 1\n[smart]\n", "line 2: unknown section [smart]"},
      {"tarnwell-smart-replay 1\n[identify]\n[identify]\n", "line 3: section [identify] given twice"},
      {"tarnwell-smart-replay 1\n[identify\n", "line 2: unterminated section name"},
      {"tarnwell-smart-replay 1\n[identify]\n0G\n", "line 3: bad hex byte"},
      {"tarnwell-smart-replay 1\n[identify]\n012\n", "line 3: bad hex byte"},
      {"tarnwell-smart-replay 1\n[identify]\n201: 00\n", "line 3: offset past the 512-byte sector"},
      {"tarnwell-smart-replay 1\n[identify]\n1FF: 00 00\n", "line 3: more than 512 bytes in a sector"},
      {"tarnwell-smart-replay 1\n[identify]\nXYZ: 00\n", "line 3: bad offset"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseReplay(c.text, &error)) << c.text;
    EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << c.text;
  }
}

TEST(ReplayPath, DrivesAreListedWithTheirIdentity) {
  ScopedSmartDrives drives;
  drives.Attach(Recording({}, "FIRST MODEL"));
  ReplayRecording noIdentify = Recording({});
  noIdentify.identify.reset();
  drives.Attach(noIdentify);  // answers no identify: not a drive
  ReplayRecording second = Recording({});
  second.identify = testing::IdentifySector("  SECOND  ", " 12345 ", " 1.0 ", 41943040);
  drives.Attach(second);
  const auto list = ListSmartDrives();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].DriveNumber(), 0);
  EXPECT_EQ(list[1].DriveNumber(), 1);
  EXPECT_EQ(std::string(list[0].Model()), "FIRST MODEL                             ");
  EXPECT_EQ(ModelText(list[1]), "SECOND");
  EXPECT_EQ(SerialText(list[1]), "12345");
  EXPECT_EQ(FirmwareText(list[1]), "1.0");
  EXPECT_EQ(CapacityText(list[1]), "20.00 GB");
}

// A machine with more than four drives has every one listed; the IDE device
// map still holds only the first four, and a packet device past them is
// still asked with the packet identify.
TEST(ReplayPath, EveryDriveGetsANumber) {
  ScopedSmartDrives drives;
  for (int i = 0; i < 5; ++i) drives.Attach(Recording({}, "DRIVE " + std::to_string(i)));
  ReplayRecording cd;
  cd.identifyPacket = testing::IdentifySector("CD DRIVE", "S", "F", 0);
  drives.Attach(cd);
  const auto list = ListSmartDrives();
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(ModelText(list[4]), "DRIVE 4");
  EXPECT_EQ(list[4].DriveNumber(), 4);
  EXPECT_EQ(ModelText(list[5]), "CD DRIVE");
  EXPECT_EQ(platform::SmartDriveTable::Instance().DeviceMap(), 0x0F);
  EXPECT_FALSE(platform::SmartDriveTable::Instance().IsPacketDevice(4));
  EXPECT_TRUE(platform::SmartDriveTable::Instance().IsPacketDevice(5));

  testing::RecordingBoxes boxes;
  std::vector<TSmartRow> rows;
  EXPECT_EQ(FillSmartList(4, rows, boxes), 0);  // a fifth disk has its table read
  EXPECT_TRUE(boxes.errors.empty());
}

TEST(ReplayPath, AtapiDriveIsIdentifiedWithThePacketCommand) {
  ScopedSmartDrives drives;
  drives.Attach(Recording({}, "DISK"));
  ReplayRecording cd;
  cd.identifyPacket = testing::IdentifySector("CD DRIVE", "S", "F", 0);
  cd.enableFails = true;
  drives.Attach(cd);
  EXPECT_EQ(platform::SmartDriveTable::Instance().DeviceMap(), 0x23);
  const auto list = ListSmartDrives();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(ModelText(list[1]), "CD DRIVE");

  // A packet device keeps no attribute table: the list is emptied and the
  // box says why, where it used to stay empty without a word.
  testing::RecordingBoxes boxes;
  std::vector<TSmartRow> rows(3);
  EXPECT_EQ(FillSmartList(1, rows, boxes), -1);
  EXPECT_TRUE(rows.empty());
  ASSERT_EQ(boxes.errors.size(), 1u);
  EXPECT_EQ(platform::SystemToUtf8(boxes.errors[0]), "读取属性错误。");
}

TEST(ReplayPath, FillSmartListThroughTheWholePath) {
  ScopedSmartDrives drives;
  drives.Attach(Recording({{0, 5, 36, 36, {0xD0, 0x07}, 36},
                           {1, 194, 45, 50, {0x2D, 0, 0x12, 0x34, 0, 0}, 0},
                           {3, 12, 100, 100, {0x2C, 0x01}, 20}}));
  testing::RecordingBoxes boxes;
  std::vector<TSmartRow> rows;
  EXPECT_EQ(FillSmartList(0, rows, boxes), 2);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Utf8(rows[0].statusText), "危险");
  EXPECT_EQ(rows[0].rawText, "0000000007D0");
  EXPECT_EQ(Utf8(rows[1].average), "45 摄氏度");
  EXPECT_EQ(Utf8(rows[2].average), "300 次");
  EXPECT_TRUE(boxes.errors.empty());
}

TEST(ReplayPath, FailedReadsSayWhichTableAndEmptyTheList) {
  struct Case {
    bool dropAttributes, dropThresholds;
    const char* message;
  };
  const Case cases[] = {{true, false, "读取属性错误。"}, {false, true, "读取阈值错误。"}};
  for (const Case& c : cases) {
    ScopedSmartDrives drives;
    ReplayRecording r = Recording({{0, 5, 100, 100, {}, 36}});
    if (c.dropAttributes) r.attributes.reset();
    if (c.dropThresholds) r.thresholds.reset();
    drives.Attach(r);
    testing::RecordingBoxes boxes;
    std::vector<TSmartRow> rows(2);
    EXPECT_EQ(FillSmartList(0, rows, boxes), -1);
    EXPECT_TRUE(rows.empty());
    ASSERT_EQ(boxes.errors.size(), 1u);
    EXPECT_EQ(Utf8(boxes.errors[0]), c.message);
    EXPECT_TRUE(boxes.warnings.empty() && boxes.infos.empty());
  }
}

TEST(ReplayPath, DriveThatCannotBeOpenedLeavesTheListAlone) {
  ScopedSmartDrives drives;
  drives.Attach(Recording({}));
  testing::RecordingBoxes boxes;
  std::vector<TSmartRow> rows(2);
  EXPECT_EQ(FillSmartList(1, rows, boxes), -1);
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_FALSE(OpenSmartDevice(3).IsValid());
}

TEST(ReplayPath, CommittedRecordingsLoad) {
  for (const char* name : {"healthy", "warning", "danger", "atapi"}) {
    ScopedSmartDrives drives;
    std::string error;
    EXPECT_TRUE(AttachReplayFile(testing::FixtureSourcePath(std::string("health/") + name + ".smart"),
                                 &error))
        << error;
    EXPECT_EQ(ListSmartDrives().size(), 1u) << name;
  }
  std::string error;
  EXPECT_FALSE(AttachReplayFile("/nonexistent/x.smart", &error));
  EXPECT_NE(error.find("cannot be opened"), std::string::npos);
}

}  // namespace
}  // namespace tarnwell::health
