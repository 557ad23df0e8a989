// "创建磁盘映像..." in the health window: offered only for a drive whose
// verdict is warning or danger and that the disk list can read, saying
// why otherwise; a failing drive copied through the dialogs and attached.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "health/replay_drive.h"
#include "health/window/smart_main.h"
#include "platform/device_table.h"
#include "tests/health/smart_test_support.h"
#include "tests/support/fixtures.h"

namespace tarnwell::health::window {
namespace {

using controls::BoxKind;

struct Box {
  BoxKind kind;
  QString text;
};

struct ImagingHarness {
  explicit ImagingHarness(DiskOfDrive diskOf) {
    controls::ImagingSeams seams;
    seams.chooseFile = [this](QWidget*, const QString& offered, std::string* path) {
      suggested.push_back(offered);
      *path = imagePath;
      return true;
    };
    window.SetImaging(seams, std::move(diskOf));
    window.show();
    // The drive list is read once the window is painted.
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.DriveListRead(); }, 10000));
  }
  void Choose(int index) {
    window.ComboBox1->setCurrentIndex(index);
    window.ComboBox1Change();
  }

  std::vector<Box> boxes;
  std::vector<QString> suggested;
  std::string imagePath = testing::MakeTempFolder("smartimage") + "/drive.img";
  TfrmSmart window{nullptr, [](const std::string&) { return true; },
                   [this](QWidget*, BoxKind kind, const QString& text) { boxes.push_back({kind, text}); }};
};

TEST(SmartImaging, OfferedForWarningAndDangerWithTheReasonOtherwise) {
  testing::ScopedSmartDrives drives;
  testing::ScopedDeviceTable table;
  table.AttachImage(testing::FixturePath("partitions/at63.img"));
  for (const char* recording : {"healthy", "warning", "danger", "enable-fails"}) {
    std::string error;
    ASSERT_TRUE(AttachReplayFile(testing::FixtureSourcePath(std::string("health/") + recording + ".smart"), &error));
  }
  bool listed = true;
  ImagingHarness h([&listed](uint8_t) { return listed ? 0 : -1; });
  QAction* image = h.window.ImageAction;
  EXPECT_EQ(image->text(), QStringLiteral("创建磁盘映像..."));
  EXPECT_TRUE(h.window.MainMenu1->actions()[0]->menu()->actions().contains(image));

  struct Case {
    int drive;
    bool listed;
    bool enabled;
    const char* tip;
  };
  const Case cases[] = {
      {0, true, false, "该硬盘状态良好"},
      {1, true, true, "先把该硬盘复制成映像文件"},
      {2, true, true, "先把该硬盘复制成映像文件"},
      {3, true, false, "没有 S.M.A.R.T. 报告"},
      {2, false, false, "磁盘列表中没有该驱动器"},
  };
  for (const Case& c : cases) {
    listed = c.listed;
    h.Choose(c.drive);
    EXPECT_EQ(image->isEnabled(), c.enabled) << c.drive;
    EXPECT_TRUE(image->toolTip().contains(QString::fromUtf8(c.tip))) << c.drive << ": " << image->toolTip().toStdString();
  }
  // A disabled command does nothing, even when triggered from elsewhere.
  h.window.ImageExecute();
  EXPECT_TRUE(h.suggested.empty());
  EXPECT_TRUE(h.boxes.empty());
}

TEST(SmartImaging, FailingDriveIsCopiedAndAttached) {
  testing::ScopedSmartDrives drives;
  testing::ScopedDeviceTable table;
  table.AttachImage(testing::FixturePath("partitions/at63.img"));
  std::string error;
  ASSERT_TRUE(AttachReplayFile(testing::FixtureSourcePath("health/danger.smart"), &error)) << error;
  ImagingHarness h([](uint8_t) { return 0; });
  ASSERT_TRUE(h.window.ImageAction->isEnabled());
  h.window.ImageAction->trigger();

  ASSERT_EQ(h.suggested.size(), 1u);
  EXPECT_TRUE(h.suggested[0].endsWith(QStringLiteral("/at63.img"))) << h.suggested[0].toStdString();
  ASSERT_EQ(h.boxes.size(), 1u);
  EXPECT_EQ(h.boxes[0].kind, BoxKind::kInformation);
  EXPECT_TRUE(h.boxes[0].text.startsWith(QStringLiteral("映像完成：已复制 40.0 MB / 40.0 MB"))) << h.boxes[0].text.toStdString();
  EXPECT_TRUE(h.boxes[0].text.contains(QString::fromStdString(h.imagePath + ".map")));
  EXPECT_TRUE(testing::ReadBinaryFile(h.imagePath) == testing::ReadBinaryFile(testing::FixturePath("partitions/at63.img")));
  // The recovery windows opened from now on list it, and its volume.
  const auto& disks = platform::DeviceTable::Instance().Disks();
  ASSERT_EQ(disks.size(), 2u);
  EXPECT_EQ(disks[1].origin.path, h.imagePath);
  EXPECT_TRUE(disks[1].origin.readable);
  ASSERT_TRUE(platform::DeviceTable::Instance().FindVolume('D'));
  EXPECT_EQ(platform::DeviceTable::Instance().FindVolume('D')->diskIndex, 1);
}

}  // namespace
}  // namespace tarnwell::health::window
