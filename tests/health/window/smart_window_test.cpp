// The health window offscreen, over the committed recordings and crafted
// drives: what each verdict shows, the boxes, the detail pane, help, and
// the faults of the original it no longer has.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <cerrno>

#include "controls/row_colours.h"
#include "controls/status_bar_ex.h"
#include "health/replay_drive.h"
#include "health/smart_verdict.h"
#include "health/window/smart_main.h"
#include "health/window/smart_pictures.h"
#include "tests/health/smart_test_support.h"
#include "tests/support/fixtures.h"

namespace tarnwell::health::window {
namespace {

using controls::BoxKind;

struct ShownBox {
  BoxKind kind;
  QString text;
};

// A window whose boxes and desktop calls are recorded, not shown.
struct Harness {
  std::vector<ShownBox> boxes;
  std::vector<QString> statusAtBox;  // what the status bar said while each box was up
  std::vector<std::string> opened;
  TfrmSmart window{nullptr,
                   [this](const std::string& target) {
                     opened.push_back(target);
                     return true;
                   },
                   [this](QWidget*, BoxKind kind, const QString& text) {
                     boxes.push_back({kind, text});
                     statusAtBox.push_back(Status());
                   }};

  // As the user opens it: the drive list is read once the window is up.
  void Open() {
    window.show();
    // The drive list is read once the window is painted.
    ASSERT_TRUE(QTest::qWaitFor([this] { return window.DriveListRead(); }, 10000));
  }
  QString Status() const { return window.StatusBar1->PanelText(0); }
  QStringList Row(int row) const {
    QStringList texts;
    const QTreeWidgetItem* item = window.ListView1->topLevelItem(row);
    for (int c = 0; c < window.ListView1->columnCount(); ++c) texts << item->text(c);
    return texts;
  }
  void ClickRow(int row) {
    QTreeWidgetItem* item = window.ListView1->topLevelItem(row);
    const QRect rect = window.ListView1->visualItemRect(item);
    QTest::mouseClick(window.ListView1->viewport(), Qt::LeftButton, {}, rect.center());
  }
  // Chooses the next drop-down entry with the keyboard.
  void ChooseNextDrive() { QTest::keyClick(window.ComboBox1, Qt::Key_Down); }
};

void AttachFile(const std::string& name) {
  std::string error;
  ASSERT_TRUE(AttachReplayFile(testing::FixtureSourcePath("health/" + name + ".smart"), &error)) << error;
}

QImage Argb(const QPixmap& pixmap) { return pixmap.toImage().convertToFormat(QImage::Format_ARGB32); }

// Which of the four row images an item shows, -1 for none of them.
QImage Shown(const QIcon& icon) { return Argb(icon.pixmap(QSize(kRowImageSize, kRowImageSize), 1.0)); }

int RowImage(const QTreeWidgetItem* item) {
  const QImage shown = Shown(item->icon(0));
  for (size_t i = 0; i < SmartRowImages().size(); ++i)
    if (shown == Shown(SmartRowImages()[i])) return static_cast<int>(i);
  return -1;
}

QString Padded(const char* model) { return QString::fromUtf8(model).leftJustified(40, QLatin1Char(' ')); }

TEST(SmartWindow, LayoutMenusAndCaptions) {
  testing::ScopedSmartDrives drives;
  Harness h;
  TfrmSmart& w = h.window;
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Tarnwell - IDE 硬盘健康诊断"));
  EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(w.palette().color(QPalette::Window), QColor(236, 233, 216));

  const QList<QAction*> menus = w.MainMenu1->actions();
  ASSERT_EQ(menus.size(), 2);
  EXPECT_EQ(menus[0]->text(), QStringLiteral("驱动器"));
  EXPECT_EQ(menus[1]->text(), QStringLiteral("帮助"));
  const QList<QAction*> driveItems = menus[0]->menu()->actions();
  ASSERT_EQ(driveItems.size(), 4);
  EXPECT_EQ(driveItems[0], w.RefreshAction);
  EXPECT_EQ(w.RefreshAction->text(), QStringLiteral("刷新驱动器列表"));
  EXPECT_EQ(driveItems[1], w.ImageAction);
  EXPECT_TRUE(driveItems[2]->isSeparator());
  EXPECT_EQ(driveItems[3], w.CloseAction);
  EXPECT_EQ(w.CloseAction->text(), QStringLiteral("关闭"));
  EXPECT_EQ(w.CloseAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
  EXPECT_EQ(menus[1]->menu()->actions(), QList<QAction*>{w.HelpAction});
  EXPECT_EQ(w.HelpAction->text(), QStringLiteral("目录"));
  EXPECT_EQ(w.HelpAction->shortcut(), QKeySequence(Qt::Key_F1));
  // The menus are shown once: no tool bar or button repeats them.
  EXPECT_TRUE(w.findChildren<QToolBar*>().isEmpty());
  for (const QToolButton* button : w.findChildren<QToolButton*>()) EXPECT_EQ(button->menu(), nullptr);

  EXPECT_TRUE(w.GroupBox1->title().startsWith(QStringLiteral(" 检测到的硬盘驱动器:   ")));
  // The drop-down lies over the box's top edge, clear of its caption.
  EXPECT_EQ(w.ComboBox1->y(), 0);
  EXPECT_GT(w.ComboBox1->x(), w.GroupBox1->fontMetrics().horizontalAdvance(QStringLiteral(" 检测到的硬盘驱动器:")));

  QStringList texts;
  for (QLabel* label : w.findChildren<QLabel*>()) texts << label->text();
  for (const char* text : {"容量", "固件版本", "序列号", "S.M.A.R.T.", "属性名称:", "属性 ID:", "简要描述:",
                           "PW 属性:", "正常值", "警告! 备份重要数据", "危险! 更换该硬盘"})
    EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
  EXPECT_EQ(w.Label15->text(), QStringLiteral("无"));
  EXPECT_TRUE(w.Memo1->isReadOnly());

  const struct {
    const char* caption;
    int width;
  } columns[] = {{"属性名称", 240}, {"ID", 35},        {"最差", 60}, {"值", 60},
                 {"阈值", 70},     {"原始数据", 120}, {"平均", 90}, {"状态", 100}};
  ASSERT_EQ(w.ListView1->columnCount(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(w.ListView1->headerItem()->text(i), QString::fromUtf8(columns[i].caption));
    EXPECT_EQ(w.ListView1->columnWidth(i), columns[i].width) << i;
  }
  EXPECT_EQ(w.ListView1->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(w.ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(w.StatusBar1->PanelCount(), 1);

  // The four row images are four different pictures, 16 by 16, and at
  // scale 2 they (and the question mark) are painted in as many pixels as
  // the screen shows, not a 16-pixel picture stretched to blur.
  const auto& images = SmartRowImages();
  ASSERT_EQ(images.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(images[i].pixmap(QSize(16, 16), 1.0).size(), QSize(16, 16));
    EXPECT_EQ(images[i].pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32)) << i;
    for (size_t j = 0; j < i; ++j) EXPECT_NE(Shown(images[i]), Shown(images[j])) << i << " " << j;
  }
  EXPECT_EQ(w.SpeedButton1->icon().pixmap(QSize(14, 14), 2.0).size(), QSize(28, 28));
}

TEST(SmartWindow, DangerRecordingShowsRowsImagesAndVerdict) {
  testing::ScopedSmartDrives drives;
  AttachFile("danger");
  Harness h;
  h.Open();
  TfrmSmart& w = h.window;
  ASSERT_EQ(w.ComboBox1->count(), 1);
  EXPECT_EQ(w.ComboBox1->itemText(0), Padded("TARNWELL REPLAY DISK 80"));  // untrimmed
  EXPECT_EQ(w.ComboBox1->currentIndex(), 0);
  EXPECT_EQ(w.Label5->text(), QStringLiteral("74.53 GB"));
  EXPECT_EQ(w.Label6->text(), QStringLiteral("3.0"));
  EXPECT_EQ(w.Label7->text(), QStringLiteral("TW0000000003"));
  EXPECT_EQ(w.Label8->text(), QStringLiteral("启用"));

  // Slot 2 is empty although the threshold table names an attribute there.
  ASSERT_EQ(w.ListView1->topLevelItemCount(), 3);
  const QStringList expected[] = {
      {"重分配扇区计数", "5", "36", "36", "36", "0000000007D0", "", "危险"},
      {"原始读取错误率", "1", "50", "60", "51", "000000000000", "", "警告"},
      {"未知属性", "E5", "100", "100", "0", "ABCDEF123456", "", "总是通过"},
  };
  const int images[] = {kImageDanger, kImageWarning, kImageTick};
  for (int row = 0; row < 3; ++row) {
    QStringList shown = h.Row(row);
    shown[0] = shown[0].trimmed();  // names are stored with trailing blanks
    EXPECT_EQ(shown, expected[row]) << row;
    EXPECT_EQ(RowImage(w.ListView1->topLevelItem(row)), images[row]) << row;
  }
  // Danger comes first and a later warning does not lower the verdict.
  EXPECT_EQ(h.Status(), QStringLiteral(" S.M.A.R.T. 报告 该硬盘驱动器处于危险状态，您应该考虑更换此硬盘。"));
  EXPECT_TRUE(h.boxes.empty());
}

TEST(SmartWindow, CapacityComesFromThe48BitCount) {
  testing::ScopedSmartDrives drives;
  AttachFile("healthy");
  Harness h;
  h.Open();
  // Words 60-61 stop at 128 GiB; the 48-bit count gives the true size.
  EXPECT_EQ(h.window.Label5->text(), QStringLiteral("465.76 GB"));
}

// For the same file the window shows what the command-line front end prints
// (whose output the committed expected files pin).
TEST(SmartWindow, ShowsWhatTheCommandLineShows) {
  for (const char* name : {"healthy", "warning", "danger"}) {
    SCOPED_TRACE(name);
    const testing::CliRun run =
        testing::RunCli("health --json --replay " + testing::FixtureSourcePath(std::string("health/") + name + ".smart"));
    ASSERT_EQ(run.exitCode, 0);
    const auto cli = nlohmann::json::parse(run.out);
    testing::ScopedSmartDrives drives;
    AttachFile(name);
    Harness h;
    h.Open();
    EXPECT_EQ(h.window.ComboBox1->itemText(0).trimmed().toStdString(), cli["model"]);
    EXPECT_EQ(h.window.Label5->text().toStdString(), cli["capacity"]);
    EXPECT_EQ(h.window.Label6->text().toStdString(), cli["firmware"]);
    EXPECT_EQ(h.window.Label7->text().toStdString(), cli["serial"]);
    EXPECT_EQ(h.Status().toStdString(), cli["report"]);
    const auto& rows = cli["attributes"];
    ASSERT_EQ(static_cast<size_t>(h.window.ListView1->topLevelItemCount()), rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
      const QStringList shown = h.Row(static_cast<int>(r));
      const auto& row = rows[r];
      EXPECT_EQ(shown[0].toStdString(), row["name"]);
      EXPECT_EQ(shown[1].toStdString(), row["id_text"]);
      EXPECT_EQ(shown[2].toStdString(), std::to_string(row["worst"].get<int>()));
      EXPECT_EQ(shown[3].toStdString(), std::to_string(row["value"].get<int>()));
      EXPECT_EQ(shown[4].toStdString(), std::to_string(row["threshold"].get<int>()));
      EXPECT_EQ(shown[5].toStdString(), row["raw"]);
      EXPECT_EQ(shown[6].toStdString(), row["average"]);
      EXPECT_EQ(shown[7].toStdString(), row["status"]);
      EXPECT_EQ(RowImage(h.window.ListView1->topLevelItem(static_cast<int>(r))), row["image"].get<int>());
    }
  }
}

TEST(SmartWindow, DetailPaneFollowsTheSelectedRow) {
  testing::ScopedSmartDrives drives;
  AttachFile("danger");
  Harness h;
  h.Open();
  TfrmSmart& w = h.window;
  EXPECT_EQ(w.Label15->text(), QStringLiteral("无"));
  h.ClickRow(0);
  EXPECT_EQ(w.Label10->text().trimmed(), QStringLiteral("重分配扇区计数"));
  EXPECT_EQ(w.Label12->text(), QStringLiteral("05"));
  EXPECT_TRUE(w.Memo1->toPlainText().startsWith(QStringLiteral("指示发现的损坏扇区个数")));
  EXPECT_EQ(w.Label15->text(), QStringLiteral("是"));
  h.ClickRow(2);
  EXPECT_EQ(w.Label10->text(), QStringLiteral("未知属性"));
  EXPECT_EQ(w.Label12->text(), QStringLiteral("E5"));
  EXPECT_EQ(w.Memo1->toPlainText(), QStringLiteral("未知属性"));
  EXPECT_EQ(w.Label15->text(), QStringLiteral("否"));  // threshold 0
}

TEST(SmartWindow, TemperatureRowShowsItsIdInTwoDigits) {
  testing::ScopedSmartDrives drives;
  drives.Attach(testing::Recording({{0, 194, 45, 55, {0x2D, 0x00, 0x12, 0x34, 0x00, 0x00}, 0}}));
  Harness h;
  h.Open();
  ASSERT_EQ(h.window.ListView1->topLevelItemCount(), 1);
  EXPECT_EQ(h.Row(0)[1], QStringLiteral("C2"));
  EXPECT_EQ(h.Row(0)[6], QStringLiteral("45 摄氏度"));
  h.ClickRow(0);
  EXPECT_EQ(h.window.Label12->text(), QStringLiteral("C2"));
  EXPECT_EQ(h.window.Label10->text().trimmed(), QStringLiteral("温度"));
}

TEST(SmartWindow, DrivesWithoutAnAttributeList) {
  struct Case {
    const char* file;
    const char* entry;
    const char* capacity;
    const char* box;  // error box, or nullptr for none
  };
  const Case cases[] = {
      {"atapi", "TARNWELL REPLAY CD", "0.00 GB", "读取属性错误。"},
      {"enable-fails", "TARNWELL REPLAY DISK 160", "149.05 GB", nullptr},
      {"attributes-fail", "TARNWELL REPLAY DISK 250", "232.89 GB", "读取属性错误。"},
      {"thresholds-fail", "TARNWELL REPLAY DISK 320", "298.09 GB", "读取阈值错误。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    testing::ScopedSmartDrives drives;
    AttachFile(c.file);
    Harness h;
    h.Open();
    ASSERT_EQ(h.window.ComboBox1->count(), 1);
    EXPECT_EQ(h.window.ComboBox1->itemText(0), Padded(c.entry));
    EXPECT_EQ(h.window.Label5->text(), QString::fromUtf8(c.capacity));
    EXPECT_EQ(h.window.Label8->text(), QString());
    EXPECT_EQ(h.window.ListView1->topLevelItemCount(), 0);
    if (c.box) {
      ASSERT_EQ(h.boxes.size(), 1u);
      EXPECT_EQ(h.boxes[0].kind, BoxKind::kError);
      EXPECT_EQ(h.boxes[0].text, QString::fromUtf8(c.box));
      // The reason stays in the status bar once the box is closed.
      EXPECT_EQ(h.Status(), QLatin1Char(' ') + QString::fromUtf8(c.box));
    } else {
      EXPECT_TRUE(h.boxes.empty());
      EXPECT_EQ(h.Status(), QString());
    }
  }
}

// A machine with five disks and a CD drive: every one is in the drop-down,
// and the CD drive says why it has no attributes.
TEST(SmartWindow, EveryDriveIsListed) {
  testing::ScopedSmartDrives drives;
  for (const char* name : {"healthy", "warning", "danger", "enable-fails", "healthy", "atapi"}) AttachFile(name);
  Harness h;
  h.Open();
  TfrmSmart& w = h.window;
  ASSERT_EQ(w.ComboBox1->count(), 6);
  EXPECT_EQ(w.ComboBox1->itemText(4), Padded("TARNWELL REPLAY DISK 500"));
  EXPECT_EQ(w.ComboBox1->itemText(5), Padded("TARNWELL REPLAY CD"));
  EXPECT_TRUE(h.boxes.empty());

  w.ComboBox1->setCurrentIndex(4);
  w.ComboBox1Change();
  EXPECT_EQ(w.ListView1->topLevelItemCount(), 10);
  EXPECT_EQ(h.Status(), QStringLiteral(" S.M.A.R.T. 报告 状态良好。"));

  w.ComboBox1->setCurrentIndex(5);
  w.ComboBox1Change();
  EXPECT_EQ(w.Label7->text(), QStringLiteral("TW0000000004"));
  EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);
  ASSERT_EQ(h.boxes.size(), 1u);
  EXPECT_EQ(h.boxes[0].text, QStringLiteral("读取属性错误。"));
  // The box comes over this drive's window, not the last drive's verdict.
  EXPECT_EQ(h.statusAtBox[0], QStringLiteral(" 读取属性错误。"));
  EXPECT_EQ(h.Status(), QStringLiteral(" 读取属性错误。"));
}

// Counts the window's paints, so that a box can tell whether the user had
// seen the window before it came up.
class PaintCounter final : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST(SmartWindow, ErrorBoxOfAFailingDriveComesAfterTheWindowIsPainted) {
  testing::ScopedSmartDrives drives;
  AttachFile("attributes-fail");
  PaintCounter counter;
  std::vector<int> paintsAtBox;
  TfrmSmart window(nullptr, [](const std::string&) { return true; },
                   [&](QWidget*, BoxKind, const QString&) { paintsAtBox.push_back(counter.paints); });
  window.installEventFilter(&counter);
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.DriveListRead(); }, 10000));
  ASSERT_EQ(paintsAtBox.size(), 1u);
  EXPECT_GT(paintsAtBox[0], 0);
  // Later paints read nothing again.
  window.update();
  QTest::qWait(30);
  EXPECT_EQ(paintsAtBox.size(), 1u);
}

TEST(SmartWindow, QuestionMarkHelpAndClose) {
  testing::ScopedSmartDrives drives;
  Harness h;
  h.Open();
  QTest::mouseClick(h.window.SpeedButton1, Qt::LeftButton);
  ASSERT_EQ(h.boxes.size(), 1u);
  EXPECT_EQ(h.boxes[0].kind, BoxKind::kInformation);
  EXPECT_EQ(h.boxes[0].text, QStringLiteral("PW 属性(预失效担保属性) - 指示一个预\n失效情形(由超过阈值引起)，预计了紧\n急的数据丢失。"));

  QTest::keyClick(&h.window, Qt::Key_F1);
  ASSERT_EQ(h.opened.size(), 1u);
  EXPECT_EQ(h.opened[0].front(), '/');
  EXPECT_TRUE(h.opened[0].ends_with("help/Smart.htm")) << h.opened[0];

  EXPECT_TRUE(h.window.isVisible());
  QTest::keyClick(&h.window, Qt::Key_X, Qt::ControlModifier);
  EXPECT_FALSE(h.window.isVisible());
}

// A drive source the test can take away after the list was made, as a disk
// that is unplugged or whose permission is withdrawn.
class VanishingDrive final : public platform::AtaDriveSource {
 public:
  explicit VanishingDrive(std::shared_ptr<const platform::AtaDriveSource> inner) : inner_(std::move(inner)) {}
  std::string Name() const override { return inner_->Name(); }
  std::unique_ptr<platform::AtaPort> Open() const override { return gone_ ? nullptr : inner_->Open(); }
  bool gone_ = false;

 private:
  std::shared_ptr<const platform::AtaDriveSource> inner_;
};

TEST(SmartWindow, DriveThatCannotBeOpenedShowsNoRowsOfAnother) {
  testing::ScopedSmartDrives drives;
  AttachFile("danger");
  auto vanishing = std::make_shared<VanishingDrive>(
      MakeReplayDrive("second", testing::Recording({{0, 9, 100, 100, {1}, 0}}, "SECOND DISK")));
  platform::SmartDriveTable::Instance().AttachDrive(vanishing);
  Harness h;
  h.Open();
  ASSERT_EQ(h.window.ComboBox1->count(), 2);
  ASSERT_EQ(h.window.ListView1->topLevelItemCount(), 3);
  h.ClickRow(0);
  ASSERT_EQ(h.window.Label12->text(), QStringLiteral("05"));

  vanishing->gone_ = true;
  h.ChooseNextDrive();
  EXPECT_EQ(h.window.ComboBox1->currentIndex(), 1);
  EXPECT_EQ(h.window.Label7->text(), QStringLiteral("SERIAL"));  // the new drive's identity
  EXPECT_EQ(h.window.ListView1->topLevelItemCount(), 0);          // and none of the old rows
  EXPECT_EQ(h.window.Label8->text(), QString());
  EXPECT_EQ(h.window.Label10->text(), QString());
  EXPECT_EQ(h.window.Label12->text(), QString());
  EXPECT_EQ(h.window.Memo1->toPlainText(), QString());
  EXPECT_EQ(h.window.Label15->text(), QStringLiteral("无"));
  EXPECT_EQ(h.Status(), QString());
  EXPECT_TRUE(h.boxes.empty());

  // Back on the first drive, everything is read again.
  QTest::keyClick(h.window.ComboBox1, Qt::Key_Up);
  EXPECT_EQ(h.window.ListView1->topLevelItemCount(), 3);
  EXPECT_EQ(h.window.Label7->text(), QStringLiteral("TW0000000003"));
}

TEST(SmartWindow, RefreshThatFindsNoDriveForgetsTheOldOne) {
  testing::ScopedSmartDrives drives;
  AttachFile("danger");
  Harness h;
  h.Open();
  ASSERT_EQ(h.window.ListView1->topLevelItemCount(), 3);
  h.ClickRow(1);

  platform::SmartDriveTable::Instance().Reset();
  platform::SmartDriveTable::Instance().SetProbeDevices(false);
  h.window.RefreshAction->trigger();
  EXPECT_EQ(h.window.ComboBox1->count(), 0);
  EXPECT_TRUE(h.window.DriveIdentities.empty());
  for (QLabel* label : {h.window.Label5, h.window.Label6, h.window.Label7, h.window.Label8, h.window.Label10,
                        h.window.Label12})
    EXPECT_EQ(label->text(), QString());
  EXPECT_EQ(h.window.Label15->text(), QStringLiteral("无"));
  EXPECT_EQ(h.window.ListView1->topLevelItemCount(), 0);
  EXPECT_EQ(h.Status(), QStringLiteral(" 未找到 IDE 硬盘驱动器。"));

  // A refresh after the drive is back shows it again.
  AttachFile("healthy");
  h.window.RefreshAction->trigger();
  EXPECT_EQ(h.window.ComboBox1->count(), 1);
  EXPECT_EQ(h.Status(), QStringLiteral(" S.M.A.R.T. 报告 状态良好。"));
}

TEST(SmartWindow, NoDriveTextNamesTheReasonItKnows) {
  using Probe = platform::SmartDriveTable::ProbeSummary;
  EXPECT_EQ(NoDriveText(Probe{false, 0, 0}), QStringLiteral(" 未找到 IDE 硬盘驱动器。"));
  EXPECT_EQ(NoDriveText(Probe{true, 0, 0}), QStringLiteral(" 未找到 IDE 硬盘驱动器：本机没有 ATA 硬盘。"));
  EXPECT_EQ(NoDriveText(Probe{true, 3, 0}),
            QStringLiteral(" 未找到 IDE 硬盘驱动器：没有硬盘回应 ATA 识别命令。"));
  EXPECT_EQ(NoDriveText(Probe{true, 3, 1}),
            QStringLiteral(" 未找到 IDE 硬盘驱动器：没有访问硬盘的权限 (需要 root 权限)。"));
}

// Drives the table asks but that refuse: for want of permission, or because
// they are no ATA drives.
class RefusingPort final : public platform::AtaPort {
 public:
  explicit RefusingPort(int error) : error_(error) {}
  bool NonData(const platform::AtaTaskFile&) override { return false; }
  bool ReadSector(const platform::AtaTaskFile&, std::span<uint8_t, 512>) override {
    if (error_) errno = error_;
    return false;
  }

 private:
  int error_;
};

class RefusingDrive final : public platform::AtaDriveSource {
 public:
  RefusingDrive(bool opens, int error) : opens_(opens), error_(error) {}
  std::string Name() const override { return "refusing"; }
  std::unique_ptr<platform::AtaPort> Open() const override {
    if (opens_) return std::make_unique<RefusingPort>(error_);
    errno = error_;
    return nullptr;
  }

 private:
  bool opens_;
  int error_;
};

TEST(SmartWindow, StatusBarSaysPermissionWasDenied) {
  testing::ScopedSmartDrives drives;
  auto& table = platform::SmartDriveTable::Instance();
  table.AttachDrive(std::make_shared<RefusingDrive>(true, 0));  // answers, but not to ATA
  EXPECT_EQ(table.LastProbe().denied, 0);
  table.AttachDrive(std::make_shared<RefusingDrive>(false, EACCES));  // the node is not readable
  EXPECT_EQ(table.LastProbe().denied, 1);
  table.AttachDrive(std::make_shared<RefusingDrive>(true, EPERM));  // pass-through needs privilege
  EXPECT_EQ(table.LastProbe().denied, 2);
  EXPECT_FALSE(table.LastProbe().probed);

  Harness h;
  h.Open();
  EXPECT_EQ(h.window.ComboBox1->count(), 0);
  EXPECT_EQ(h.Status(), QStringLiteral(" 未找到 IDE 硬盘驱动器：没有访问硬盘的权限 (需要 root 权限)。"));
}

TEST(SmartWindow, RowsArePaintedInTheirColours) {
  testing::ScopedSmartDrives drives;
  AttachFile("healthy");
  Harness h;
  h.Open();
  h.ClickRow(2);
  QTreeWidget* list = h.window.ListView1;
  const QImage picture = list->viewport()->grab().toImage();
  const auto colourOf = [&](int row) {
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    // Inside the "最差" column, clear of text and icon.
    return QColor(picture.pixel(list->columnViewportPosition(2) + 2, rect.top() + 1));
  };
  EXPECT_EQ(colourOf(0), QColor(Qt::white));
  EXPECT_EQ(colourOf(1), QColor(244, 244, 255));
  EXPECT_EQ(colourOf(2), QColor(255, 255, 208));  // selected
  EXPECT_EQ(colourOf(3), QColor(244, 244, 255));
  EXPECT_EQ(colourOf(4), QColor(Qt::white));
}

}  // namespace
}  // namespace tarnwell::health::window
