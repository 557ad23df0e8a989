// The scan-mode, scan-range and destination dialogs, driven offscreen.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <fstream>

#include "controls/scan_config.h"
#include "controls/scanmode.h"
#include "controls/search_panel.h"
#include "controls/seldir.h"
#include "tests/support/fixtures.h"

namespace tarnwell::controls {
namespace {

struct ShownBox {
  controls::BoxKind kind;
  QString text;
};

controls::BoxShower Recorder(std::vector<ShownBox>* boxes) {
  return [boxes](QWidget*, controls::BoxKind kind, const QString& text) {
    boxes->push_back({kind, text});
  };
}

TEST(ScanModeDialog, EachButtonEndsWithItsResult) {
  TfrmScanMode smart;
  smart.SpeedButton2->click();
  EXPECT_EQ(smart.result(), kScanModeSmart);
  TfrmScanMode normal;
  normal.SpeedButton1->click();
  EXPECT_EQ(normal.result(), kScanModeNormal);
}

TEST(ScanConfigDialog, PrepareScalesTheTrackBarsToTheDisk) {
  TfrmScanConfig dialog;
  dialog.Prepare(2047);
  EXPECT_EQ(dialog.TrackBar1->maximum(), 1);
  EXPECT_EQ(dialog.TrackBar2->maximum(), 1);
  EXPECT_EQ(dialog.TrackBar2->tickInterval(), 1);
  EXPECT_EQ(dialog.GroupBox2->title(), QStringLiteral(" 结束 (最大 1 MB) "));

  dialog.Prepare(8u * 1024 * 1024);  // 4096 MB
  EXPECT_EQ(dialog.TrackBar1->maximum(), 4096);
  EXPECT_EQ(dialog.TrackBar1->pageStep(), 102);
  EXPECT_EQ(dialog.GroupBox2->title(), QStringLiteral(" 结束 (最大 4096 MB) "));
}

TEST(ScanConfigDialog, TrackBarsWriteTheirFieldsAndFieldsTakeDigitsOnly) {
  TfrmScanConfig dialog;
  dialog.Prepare(8u * 1024 * 1024);
  dialog.TrackBar2->setValue(1500);
  EXPECT_EQ(dialog.Edit2->text(), QStringLiteral("1500"));
  EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("0"));

  dialog.Edit1->clear();
  dialog.Edit1->setFocus();
  QTest::keyClicks(dialog.Edit1, QStringLiteral("1a2-3 "));
  EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("123"));
  EXPECT_EQ(dialog.TrackBar1->value(), 0);  // typing does not move the bar
}

TEST(ScanConfigDialog, OkAcceptsAUsableRangeAndRefusesOneBeyondTheDisk) {
  std::vector<ShownBox> boxes;
  TfrmScanConfig dialog;
  dialog.SetBoxShower(Recorder(&boxes));
  dialog.Prepare(100 * 2048);

  dialog.Edit1->setText(QStringLiteral("7"));
  dialog.Edit2->setText(QStringLiteral("7"));
  dialog.Button1Click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);  // still open, and says why
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, controls::BoxKind::kWarning);
  EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("扫描范围为空"))) << boxes[0].text.toStdString();

  dialog.Edit1->setText(QStringLiteral("100"));
  dialog.Edit2->setText(QStringLiteral("150"));
  dialog.Button1Click();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].kind, controls::BoxKind::kError);
  EXPECT_EQ(boxes[1].text, QStringLiteral("扇区范围超出限制。"));
  EXPECT_EQ(dialog.result(), QDialog::Rejected);

  dialog.Edit1->setText(QStringLiteral("10"));
  dialog.Edit2->setText(QStringLiteral("5"));
  dialog.Button1Click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.StartSector(), 10240);
  EXPECT_EQ(dialog.SectorCount(), 10240);
  EXPECT_EQ(boxes.size(), 2u);
}

TEST(ScanConfigDialog, WholeDiskIsTheRangeItOpensWithAndOkScansIt) {
  std::vector<ShownBox> boxes;
  TfrmScanConfig dialog;
  dialog.SetBoxShower(Recorder(&boxes));
  dialog.Prepare(100 * 2048 + 5);  // 100 MB and a few sectors: 101 MB shown
  EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("0"));
  EXPECT_EQ(dialog.Edit2->text(), QStringLiteral("101"));
  EXPECT_EQ(dialog.TrackBar2->value(), 101);
  dialog.Button1Click();
  EXPECT_TRUE(boxes.empty());
  ASSERT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.StartSector(), 0);
  EXPECT_EQ(dialog.SectorCount(), 100 * 2048 + 5) << "every sector, the last partial megabyte included";
}

TEST(SelDirDialog, UpOneLevelWalksTowardsTheRoot) {
  TfrmSelDir dialog;
  dialog.SpeedButton1Click();
  EXPECT_EQ(dialog.Edit1->text(), QString());  // empty stays empty
  dialog.Edit1->setText(QStringLiteral("/数据/a/b"));
  dialog.SpeedButton1Click();
  EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("/数据/a"));
  dialog.SpeedButton1Click();
  dialog.SpeedButton1Click();
  EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("/"));
  dialog.SpeedButton1Click();
  EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("/"));
}

TEST(SelDirDialog, OkRunsTheChecksAndStaysOpenOnFailure) {
  std::string dir = testing::MakeTempFolder("seldir");
  std::ofstream(dir + "/file") << "x";
  std::vector<ShownBox> boxes;
  TfrmSelDir dialog;
  dialog.SetBoxShower(Recorder(&boxes));
  dialog.show();

  dialog.Edit1->setText(QStringLiteral("  "));
  dialog.Button2->click();
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(boxes.size(), 1u) << "OK on no folder says what is missing";
  EXPECT_EQ(boxes[0].text, QStringLiteral("请输入或选择保存恢复文件的目录。"));
  boxes.clear();

  dialog.Edit1->setText(QStringLiteral("out"));
  dialog.Button2->click();
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes.back().kind, controls::BoxKind::kError);
  EXPECT_EQ(boxes.back().text, QStringLiteral("不是有效的驱动器 ID"));

  dialog.Edit1->setText(QString::fromStdString(dir + "/file"));
  dialog.Button2->click();
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_TRUE(boxes.back().text.endsWith(QStringLiteral("/file' 已存在，请选择另一个目录。")));

  dialog.Edit1->setText(QStringLiteral("/proc/tarnwell-dest"));
  dialog.Button2->click();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes.back().kind, controls::BoxKind::kWarning);

  dialog.Edit1->setText(QString::fromStdString(" " + dir + "/新 "));
  QTest::keyClick(dialog.Edit1, Qt::Key_Return);  // Enter in the field is OK
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Path(), dir + "/新");
  EXPECT_EQ(boxes.size(), 3u);
}

TEST(SelDirDialog, CancelClosesAtOnceWhateverThePath) {
  std::vector<ShownBox> boxes;
  TfrmSelDir dialog;
  dialog.SetBoxShower(Recorder(&boxes));
  dialog.show();
  dialog.Edit1->setText(QStringLiteral("not a path"));
  dialog.Button3->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(dialog.Path().empty());
}



// Captions a user reads to decide what to do; each was once written wrong.
TEST(DialogCaptions, ReadAsTheyMean) {
  SearchPanel panel;
  EXPECT_EQ(panel.CheckBox1->text(), QStringLiteral("区分大小写"));
  TfrmScanMode mode;
  QStringList texts;
  for (const QLabel* label : mode.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains(QStringLiteral("正常扫描: 扫描物理驱动器以找回丢失的文件"))) << texts.join('|').toStdString();
}

}  // namespace
}  // namespace tarnwell::controls
