// Renders the launcher, the dialogs and a hex dump of a known buffer into
// PNG files, for looking at them (run under xvfb-run or offscreen):
//   tarnwell_screenshots OUTPUT_FOLDER [DISK_IMAGE.img] [SMART_RECORDING...]
// With a disk image (the demo disk), the standard window is shown scanning
// each of its volumes; with recorded drives, the health window showing them.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QSlider>
#include <QProgressBar>
#include <QScreen>
#include <QTreeWidget>
#include <QThread>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/about.h"
#include "app/frmain.h"
#include "app/start_up.h"
#include "controls/hex_dump.h"
#include "controls/status_bar_ex.h"
#include "controls/ui_fonts.h"
#include "health/window/smart_main.h"
#include "platform/text_codec.h"
#include "controls/scan_config.h"
#include "controls/scanmode.h"
#include "controls/seldir.h"

namespace {

void Save(QWidget& widget, const QString& folder, const QString& name) {
  widget.show();
  QApplication::processEvents();
  widget.grab().save(QDir(folder).filePath(name));
}

}  // namespace

namespace tarnwell::app {
void SaveStandardWindowShots(const QString& folder, const std::string& image);
}

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setFont(tarnwell::controls::UiFont());
  QString folder = application.arguments().value(1, QStringLiteral("."));
  QDir().mkpath(folder);

  tarnwell::app::TfrmFrMain launcher(nullptr, [](const std::string&) { return true; });
  Save(launcher, folder, QStringLiteral("launcher.png"));

  QStringList recordings;
  QString diskImage;
  for (const QString& argument : application.arguments().mid(2)) {
    if (argument.endsWith(QStringLiteral(".img")) && diskImage.isEmpty())
      diskImage = argument;
    else
      recordings << argument;
  }
  if (!recordings.isEmpty()) {
    tarnwell::app::AttachSmartReplays(recordings, tarnwell::controls::ShowBox);
    tarnwell::health::window::TfrmSmart smart(nullptr, [](const std::string&) { return true; });
    smart.setWindowState(Qt::WindowNoState);
    smart.resize(1000, 600);
    smart.show();
    // The drive list is read once the window is up.
    for (int i = 0; i < 10; ++i) {
      QApplication::processEvents();
      QThread::msleep(10);
    }
    if (QTreeWidgetItem* first = smart.ListView1->topLevelItem(0)) first->setSelected(true);
    Save(smart, folder, QStringLiteral("smart.png"));
  }

  tarnwell::app::TfrmAbout about(nullptr, [](const std::string&) { return true; });
  Save(about, folder, QStringLiteral("about.png"));

  tarnwell::controls::TfrmScanConfig config;
  config.Prepare(8 * 1024 * 1024);  // 4 GB
  config.TrackBar2->setValue(1500);
  Save(config, folder, QStringLiteral("scan_config.png"));

  tarnwell::controls::TfrmScanMode mode;
  Save(mode, folder, QStringLiteral("scan_mode.png"));

  tarnwell::controls::TfrmSelDir selDir;
  selDir.Edit1->setText(QStringLiteral("/tmp/恢复的文件"));
  Save(selDir, folder, QStringLiteral("seldir.png"));

  // The greeting the standard window starts with, then every byte value,
  // then Chinese text in the system code page.
  std::vector<uint8_t> buffer(2048, 0);
  std::string greeting = std::string(16, '*') + tarnwell::platform::SystemText("感谢您使用 Tarnwell。");
  greeting.resize(56, '*');
  std::memcpy(buffer.data(), greeting.data(), greeting.size());
  for (int i = 0; i < 256; ++i) buffer[64 + i] = static_cast<uint8_t>(i);
  std::string chinese = tarnwell::platform::SystemText("数据恢复：文件名与目录。ABC abc 0123");
  std::memcpy(buffer.data() + 320, chinese.data(), chinese.size());

  QWidget page;
  page.resize(720, 420);
  auto* layout = new QVBoxLayout(&page);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* panel = new QWidget(&page);
  layout->addWidget(panel, 1);
  tarnwell::controls::THexDump* dump = tarnwell::controls::CreateHexDump(panel);
  dump->SetAddressColor(QColor(86, 83, 255));
  dump->SetHexDataColor(QColor(128, 128, 128));
  dump->SetAnsiCharColor(QColor(128, 128, 128));
  dump->SetData(buffer.data());
  dump->SetDataLength(static_cast<int>(buffer.size()));
  auto* status = new tarnwell::controls::TStatusBarEx(&page);
  status->SetPanelWidths({92, 280, 300});
  status->SetPanelText(0, QStringLiteral(" 目录"));
  QProgressBar* progress = status->AddProgressBar(1);
  progress->setValue(40);
  layout->addWidget(status);
  Save(page, folder, QStringLiteral("hexdump.png"));
  dump->SetTopLine(3);
  Save(page, folder, QStringLiteral("hexdump_scrolled.png"));
  // One-line scrolls move pixels on screen; what the screen shows must
  // match a fresh paint.
  for (int i = 0; i < 5; ++i) {
    dump->SetTopLine(dump->TopLine() + 1);
    QApplication::processEvents();
  }
  dump->SetTopLine(dump->TopLine() - 1);
  QApplication::processEvents();
  QThread::msleep(200);
  QApplication::processEvents();
  QImage fresh = page.grab().toImage().convertToFormat(QImage::Format_RGB32);
  fresh.save(QDir(folder).filePath(QStringLiteral("hexdump_fresh.png")));
  if (QScreen* screen = page.screen()) {
    QImage shown = screen->grabWindow(page.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    shown.save(QDir(folder).filePath(QStringLiteral("hexdump_screen.png")));
    std::printf("screen after one-line scrolls %s a fresh paint\n",
                shown == fresh ? "matches" : "DIFFERS from");
  }
  if (!diskImage.isEmpty()) tarnwell::app::SaveStandardWindowShots(folder, diskImage.toStdString());
  return 0;
}
