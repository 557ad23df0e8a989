// The desktop program's command line, and the health window opened from
// the launcher with recorded drives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QToolButton>

#include "app/frmain.h"
#include "app/start_up.h"
#include "health/window/smart_main.h"
#include "platform/smart_device.h"
#include "tests/support/fixtures.h"

namespace tarnwell::app {
namespace {

// Leaves the S.M.A.R.T. drive table empty and the machine's disks unasked.
struct ScopedSmartTable {
  ScopedSmartTable() { Clear(); }
  ~ScopedSmartTable() { Clear(); }
  static void Clear() {
    platform::SmartDriveTable::Instance().Reset();
    platform::SmartDriveTable::Instance().SetProbeDevices(false);
  }
};

QString Recording(const char* name) {
  return QString::fromStdString(testing::FixtureSourcePath(std::string("health/") + name + ".smart"));
}

TEST(StartOptions, RecordingsAndImagesInAnyOrder) {
  const StartOptions options = ParseStartOptions(
      {"a.img", "--smart-replay", "one.smart", "--smart-replay=two.smart", "b.img", "--", "--smart-replay"});
  EXPECT_EQ(options.imagePaths, (QStringList{"a.img", "b.img", "--smart-replay"}));
  EXPECT_EQ(options.smartReplays, (QStringList{"one.smart", "two.smart"}));
  EXPECT_TRUE(options.error.isEmpty());

  const StartOptions missing = ParseStartOptions({"a.img", "--smart-replay"});
  EXPECT_EQ(missing.imagePaths, QStringList{"a.img"});
  EXPECT_TRUE(missing.smartReplays.isEmpty());
  EXPECT_FALSE(missing.error.isEmpty());
}

TEST(StartOptions, AMapBelongsToTheImageBeforeIt) {
  const StartOptions options = ParseStartOptions({"a.img", "--map", "a.map", "b.img", "c.img", "--map=c.map"});
  EXPECT_EQ(options.imagePaths, (QStringList{"a.img", "b.img", "c.img"}));
  EXPECT_EQ(options.imageMaps, (QStringList{"a.map", "", "c.map"}));
  EXPECT_TRUE(options.error.isEmpty());
  for (const QStringList& wrong : {QStringList{"--map", "a.map", "a.img"}, QStringList{"a.img", "--map", "x", "--map", "y"},
                                   QStringList{"a.img", "--map"}})
    EXPECT_FALSE(ParseStartOptions(wrong).error.isEmpty()) << wrong.join(' ').toStdString();
}

TEST(StartOptions, RecordingsStandInForTheMachinesDrives) {
  ScopedSmartTable table;
  platform::SmartDriveTable::Instance().SetProbeDevices(true);
  std::vector<QString> boxes;
  auto recorder = [&boxes](QWidget*, controls::BoxKind kind, const QString& text) {
    EXPECT_EQ(kind, controls::BoxKind::kError);
    boxes.push_back(text);
  };
  EXPECT_EQ(AttachSmartReplays({Recording("danger"), "/nonexistent/gone.smart", Recording("healthy")}, recorder), 2);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].contains(QStringLiteral("gone.smart"))) << boxes[0].toStdString();
  auto& drives = platform::SmartDriveTable::Instance();
  EXPECT_FALSE(drives.LastProbe().probed);  // recordings only, never this machine's disks
  EXPECT_EQ(drives.DriveCount(), 2);
  EXPECT_EQ(drives.DriveName(1), Recording("healthy").toStdString());

  // Without a recording the machine's drives are asked as before.
  ScopedSmartTable::Clear();
  drives.SetProbeDevices(true);
  EXPECT_EQ(AttachSmartReplays({}, recorder), 0);
  EXPECT_TRUE(drives.LastProbe().probed);
}

TEST(Launcher, HealthButtonOpensTheHealthWindow) {
  ScopedSmartTable table;
  AttachSmartReplays({Recording("danger")}, controls::ShowBox);
  TfrmFrMain launcher(nullptr, [](const std::string&) { return true; });
  QString caption;
  int entries = -1;
  int tries = 0;
  // The window is modal: look at it from inside its own event loop, then
  // close it (after two seconds at the latest, so that a fault cannot hang
  // the run).
  std::function<void()> inspect = [&] {
    auto* window = qobject_cast<health::window::TfrmSmart*>(QApplication::activeModalWidget());
    if ((!window || window->ComboBox1->count() == 0) && ++tries < 200) {
      QTimer::singleShot(10, inspect);
      return;
    }
    if (!window) {
      if (QWidget* other = QApplication::activeModalWidget()) other->close();
      return;
    }
    caption = window->windowTitle();
    entries = window->ComboBox1->count();
    window->CloseExecute();
  };
  QTimer::singleShot(0, inspect);
  launcher.SpeedButton3->click();
  EXPECT_EQ(caption, QStringLiteral("Tarnwell - IDE 硬盘健康诊断"));
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace tarnwell::app
