// The launcher, the about box, the hover label and the start-up steps.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <fstream>

#include "app/about.h"
#include "app/frmain.h"
#include "app/label_ex.h"
#include "app/project_addresses.h"
#include "app/start_up.h"
#include "disk/source_opener.h"
#include "platform/device_table.h"
#include "tests/support/fixtures.h"

namespace tarnwell::app {
using controls::DesktopOpener;
namespace {

struct RecordingOpener {
  std::vector<std::string> targets;
  DesktopOpener Opener() {
    return [this](const std::string& target) {
      targets.push_back(target);
      return true;
    };
  }
};

TEST(Launcher, CaptionCarriesTheProductVersion) {
  TfrmFrMain launcher(nullptr, [](const std::string&) { return true; });
  EXPECT_EQ(launcher.windowTitle(), QStringLiteral("Tarnwell " TARNWELL_EXPECTED_VERSION));
}

TEST(Launcher, FixedWindowWithButtonsWhereTheyBelong) {
  TfrmFrMain launcher(nullptr, [](const std::string&) { return true; });
  EXPECT_EQ(launcher.minimumSize(), QSize(551, 377));
  EXPECT_EQ(launcher.maximumSize(), QSize(551, 377));
  EXPECT_FALSE(launcher.windowFlags() & Qt::WindowMaximizeButtonHint);
  struct Case {
    QToolButton* button;
    QRect geometry;
  } cases[] = {
      {launcher.SpeedButton1, QRect(20, 100, 60, 60)},  {launcher.SpeedButton2, QRect(20, 193, 60, 60)},
      {launcher.SpeedButton3, QRect(20, 286, 60, 60)},  {launcher.SpeedButton4, QRect(289, 100, 60, 60)},
      {launcher.SpeedButton6, QRect(289, 193, 60, 60)}, {launcher.SpeedButton7, QRect(514, 341, 25, 25)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.button->geometry(), c.geometry);
  EXPECT_EQ(launcher.SpeedButton7->toolTip(), QStringLiteral("关于 Tarnwell"));

  QStringList texts;
  for (QLabel* label : launcher.findChildren<QLabel*>()) texts << label->text();
  for (const char* text : {"标准恢复", "从逻辑驱动器恢复已删除的文", "件。", "高级恢复",
                           "从被格式化、被删除的分区中", "恢复文件；恢复在标准模式中",
                           "无法找到的文件。", "IDE 硬盘健康诊断", "通过分析 S.M.A.R.T 报告硬盘",
                           "的健康状况。", "帮助与使用指南", "Tarnwell 的帮助文件。", "Tarnwell 网站"}) {
    EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
  }
}

TEST(Launcher, HelpAndWebSiteGoToTheDesktop) {
  RecordingOpener opener;
  TfrmFrMain launcher(nullptr, opener.Opener());
  launcher.SpeedButton4->click();
  launcher.SpeedButton6->click();
  ASSERT_EQ(opener.targets.size(), 2u);
  EXPECT_EQ(opener.targets[0].front(), '/');
  EXPECT_TRUE(opener.targets[0].ends_with("help/index.html")) << opener.targets[0];
  // Without a web site given to the build the button opens the help's
  // about page, which is installed with the program, never a made-up
  // address.
  EXPECT_EQ(opener.targets[1], WebSiteTarget());
  if (WebSiteAddress().empty()) {
    EXPECT_TRUE(opener.targets[1].ends_with("help/about.html")) << opener.targets[1];
  }
}

TEST(ProjectAddresses, OnlyWhatTheBuildWasGiven) {
  EXPECT_EQ(WebSiteAddress(), TARNWELL_EXPECTED_HOMEPAGE);
  EXPECT_EQ(SupportMailAddress(), TARNWELL_EXPECTED_SUPPORT_EMAIL);
  EXPECT_EQ(WebSiteTarget("https://tarnwell.test/"), "https://tarnwell.test/");
  EXPECT_TRUE(WebSiteTarget("").ends_with("help/about.html"));
  EXPECT_EQ(SupportMailTarget(""), "");
  EXPECT_EQ(SupportMailTarget("help@tarnwell.test"), "mailto:help@tarnwell.test?subject=Tarnwell%20support");
}

TEST(AboutBox, ShowsTheVersionAndOpensItsLinks) {
  RecordingOpener opener;
  TfrmAbout about(nullptr, opener.Opener());
  EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 Tarnwell"));
  EXPECT_EQ(about.size(), QSize(396, 237));
  EXPECT_EQ(about.VersionLabel->text(), QStringLiteral("Version " TARNWELL_EXPECTED_VERSION));
  about.show();
  QTest::mouseClick(about.WebLink, Qt::LeftButton);
  ASSERT_EQ(opener.targets.size(), 1u);
  EXPECT_EQ(opener.targets[0], WebSiteTarget());
  EXPECT_TRUE(about.WebLink->isVisible());
  // A build without a support address shows no mail link.
  EXPECT_EQ(about.MailLink->isVisible(), !SupportMailAddress().empty());
  QTest::keyClick(&about, Qt::Key_Escape);
  EXPECT_FALSE(about.isVisible());
}

TEST(AboutBox, EnterCloses) {
  TfrmAbout about(nullptr, [](const std::string&) { return true; });
  about.show();
  QTest::keyClick(&about, Qt::Key_Return);
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(LabelEx, HoverSwapsToTheActiveColourAndBack) {
  TLabelEx label(QStringLiteral("link"));
  QPalette pal = label.palette();
  pal.setColor(QPalette::WindowText, QColor(10, 20, 30));
  label.setPalette(pal);
  label.Loaded();
  label.ActiveColor = QColor(0, 0, 255);
  int entered = 0, left = 0;
  label.OnMouseEnter = [&] { ++entered; };
  label.OnMouseLeave = [&] { ++left; };
  label.MouseEnter();
  EXPECT_EQ(label.CurrentColor(), QColor(0, 0, 255));
  label.MouseLeave();
  EXPECT_EQ(label.CurrentColor(), QColor(10, 20, 30));
  EXPECT_EQ(entered, 1);
  EXPECT_EQ(left, 1);
}

TEST(StartUp, ImagesAreAttachedAndUnopenableOnesReported) {
  testing::ScopedDeviceTable table;
  std::string dir = testing::MakeTempFolder("startup");
  {
    std::ofstream image(dir + "/disk.img", std::ios::binary);
    image << std::string(1 << 20, '\0');
  }
  std::vector<QString> boxes;
  auto recorder = [&boxes](QWidget*, controls::BoxKind kind, const QString& text) {
    EXPECT_EQ(kind, controls::BoxKind::kError);
    boxes.push_back(text);
  };
  int attached = AttachDisks({QString::fromStdString(dir + "/disk.img"),
                              QString::fromStdString(dir + "/missing.img")},
                             recorder, false);
  EXPECT_EQ(attached, 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].contains(QStringLiteral("missing.img"))) << boxes[0].toStdString();
  ASSERT_EQ(platform::DeviceTable::Instance().Disks().size(), 1u);
  EXPECT_EQ(platform::DeviceTable::Instance().Disks()[0].name, "disk.img");

  // With the map it was copied with, an image reads only what the copy
  // read; a damaged map keeps it out with the reason.
  std::ofstream(dir + "/disk.map") << "0 + 1\n0 0x80000 +\n0x80000 0x80000 -\n";
  std::ofstream(dir + "/damaged.map") << "0 + 1\n0 512 +\n0 512 +\n";
  boxes.clear();
  attached = AttachDisks({QString::fromStdString(dir + "/disk.img"), QString::fromStdString(dir + "/disk.img")},
                         recorder, false,
                         {QString::fromStdString(dir + "/disk.map"), QString::fromStdString(dir + "/damaged.map")});
  EXPECT_EQ(attached, 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].contains(QStringLiteral("第 3 行"))) << boxes[0].toStdString();
  ASSERT_EQ(platform::DeviceTable::Instance().Disks().size(), 2u);
  ASSERT_TRUE(platform::DeviceTable::Instance().Disks()[1].origin.readable);
  const std::unique_ptr<disk::SectorSource> source = disk::OpenSourceForDriveCode(1);
  ASSERT_TRUE(source);
  std::vector<uint8_t> buffer(2 * 512);
  uint32_t got = 0;
  EXPECT_TRUE(source->Read(1022, 2, buffer.data(), got));
  EXPECT_FALSE(source->Read(1023, 2, buffer.data(), got));
}

}  // namespace
}  // namespace tarnwell::app
