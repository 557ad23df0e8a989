// Not a test: shows the windows the way a user drives them into the states
// that the window fixes changed, under a real X server and window manager,
// and saves what the screen shows (decorations and message boxes included):
//   xvfb-run -s "-screen 0 800x600x24" sh -c 'openbox & tarnwell_fault_shots OUT DEMO.img'
// With "--only=health FILE.smart..." it shoots the health window over the
// recorded drives instead; "--only=shell" the launcher, the about box and
// a file chooser; "--only=pictures" the two recovery windows' pictures.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTableView>
#include <QThread>
#include <QToolTip>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <cerrno>
#include <functional>

#include "advanced/adv_main.h"
#include "app/about.h"
#include "app/application_icon.h"
#include "app/frmain.h"
#include "app/start_up.h"
#include "health/window/smart_main.h"
#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "controls/event_log_view.h"
#include "controls/file_list_model.h"
#include "controls/properties_page.h"
#include "controls/scanmode.h"
#include "disk/read_error_reporter.h"
#include "platform/text_codec.h"
#include "controls/scan_config.h"
#include "controls/remembered_destination.h"
#include "controls/search_panel.h"
#include "controls/seldir.h"
#include "controls/ui_fonts.h"
#include "platform/device_table.h"
#include "standard/quick_main.h"

namespace {

QString g_folder;
// The name under which the next box the window shows is saved (then it is
// closed); boxes shown while it is empty stay for GrabModal.
QString g_nextBoxShot;

void Settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(15);
  }
}

void GrabScreen(const QString& name) {
  Settle();
  QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(g_folder).filePath(name));
}

// Runs a command that opens a modal box, saves the screen while the box is
// up, then closes the box.
void GrabModal(const QString& name, const std::function<void()>& command) {
  QTimer::singleShot(400, [name] {
    GrabScreen(name);
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  command();
}

QTreeWidgetItem* Child(QTreeWidgetItem* node, const QString& caption) {
  for (int i = 0; node && i < node->childCount(); ++i)
    if (node->child(i)->text(0) == caption) return node->child(i);
  return nullptr;
}

int RowNamed(tarnwell::standard::TfrmQuickMain& w, const QString& name) {
  for (int i = 0; i < w.ListModel->RowCount(); ++i)
    if (w.ListModel->Row(i).name == name) return i;
  return -1;
}

void SelectRowNamed(tarnwell::standard::TfrmQuickMain& w, const QString& name) {
  const int row = RowNamed(w, name);
  if (row >= 0) w.ListView1->setCurrentIndex(w.ListModel->index(row, 0));
}

void Tick(tarnwell::standard::TfrmQuickMain& w, const QString& name) {
  for (int i = 0; i < w.ListModel->RowCount(); ++i)
    if (w.ListModel->Row(i).name == name) w.ListModel->SetChecked(i, true);
}

// The health window over recorded drives: the list of every drive, the
// menus once, and the CD drive's reason.
int ShootHealth(const QStringList& replays) {
  using namespace tarnwell;
  app::AttachSmartReplays(replays, controls::ShowBox);
  // The window is shown as the launcher shows it; the first failing drive's
  // box comes over the painted window.
  health::window::TfrmSmart smart;
  GrabModal("health_first_box.png", [&] {
    smart.show();
    Settle();
  });
  Settle();
  GrabScreen("health_window.png");
  smart.ComboBox1->showPopup();
  GrabScreen("health_drive_list.png");
  smart.ComboBox1->hidePopup();
  smart.ComboBox1->setCurrentIndex(smart.ComboBox1->count() - 1);
  GrabModal("health_cd_drive_box.png", [&] { smart.ComboBox1Change(); });
  GrabScreen("health_cd_drive.png");
  return 0;
}

// The launcher, the about box and Qt's own file chooser.
int ShootShell() {
  using namespace tarnwell;
  app::TfrmFrMain launcher(nullptr, [](const std::string&) { return true; });
  launcher.show();
  GrabScreen("launcher.png");
  GrabModal("about.png", [&] { launcher.SpeedButton7Click(); });
  QFileDialog chooser(&launcher, QStringLiteral("选择目录"), QDir::homePath());
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setFileMode(QFileDialog::Directory);
  GrabModal("file_chooser.png", [&] { chooser.exec(); });
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarnwell;
  QApplication application(argc, argv);
  application.setFont(controls::UiFont());
  g_folder = application.arguments().value(1, QStringLiteral("."));
  QDir().mkpath(g_folder);
  app::InstallQtTranslations(application);
  // The icon the program shows, from the build tree's painted icons (this
  // tool sits two folders below them).
  application.setWindowIcon(app::ApplicationIcon(
      {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../../packaging/icons"))}));
  const QString only = application.arguments().value(3);
  if (only == QStringLiteral("--only=health")) return ShootHealth(application.arguments().mid(4));
  if (only == QStringLiteral("--only=shell")) return ShootShell();
  const bool picturesOnly = only == QStringLiteral("--only=pictures");
  std::string error;
  if (argc < 3 || !platform::DeviceTable::Instance().AttachImage(argv[2], &error)) return 1;
  // A memory card image to open from the window (argv[3]), and a disk the
  // user may not read, listed after the demo disk.
  const QString card = only.startsWith(QStringLiteral("--only=")) ? QString() : only;
  platform::BlockDeviceInfo locked;
  locked.kernelName = "sdz";
  locked.devicePath = "/dev/sdz";
  locked.model = "USB Disk";
  locked.sizeBytes = 16ull << 30;
  platform::DeviceTable::Instance().AddBlockDevices({locked}, [](const std::string&) {
    errno = EACCES;
    return platform::UniqueFd();
  });

  const QString out = QDir(g_folder).filePath("recovered");
  QDir(out).removeRecursively();
  QDir().mkpath(out);
  standard::QuickMainServices services;
  // The destination dialog is the user's; here it answers at once.
  services.selectDestination = [out](QWidget*, std::string* folder) {
    *folder = out.toStdString();
    return true;
  };
  services.opener = [](const std::string&) { return true; };
  services.settingsPath = QDir(g_folder).filePath("Tarnwell.ini").toStdString();
  services.wait = [](int) {};
  services.showBox = [](QWidget* parent, controls::BoxKind kind, const QString& text) {
    if (!g_nextBoxShot.isEmpty()) {
      const QString name = g_nextBoxShot;
      g_nextBoxShot.clear();
      QTimer::singleShot(400, [name] {
        GrabScreen(name);
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
      });
    }
    controls::ShowBox(parent, kind, text);
  };
  services.lockedDisks.asRoot = false;
  services.lockedDisks.request = [](const QString&) {
    controls::DiskServiceAnswer answer;
    answer.error = QStringLiteral("无法连接系统总线 (D-Bus)");
    return answer;
  };
  services.chooseImage = [card](QWidget*, const QString&) { return card; };
  standard::TfrmQuickMain w(services);
  w.FormShow();
  w.showMaximized();
  Settle();
  w.Treeview2->setCurrentItem(w.DriveNode('C'));
  w.TreeView1->setCurrentItem(Child(w.ScanRootNode, "Photos"));
  Tick(w, "family dinner.jpg");
  w.TreeView1->setCurrentItem(Child(w.ScanRootNode, "Music"));
  Tick(w, "?ld");
  w.TabSet1->setCurrentIndex(0);
  GrabScreen("standard_ticks.png");
  if (picturesOnly) {
    // The same picture set in both windows, sharp at any scale.
    w.hide();
    advanced::TfrmAdvMain adv;
    adv.SetSettingsFile(QDir(g_folder).filePath("advrec.ini").toStdString(), 800);
    adv.showMaximized();
    Settle();
    adv.Timer1->stop();
    adv.TreeView2->expandAll();
    GrabScreen("advanced_pictures.png");
    return 0;
  }
  w.PopupMenu1->popup(w.ListView1->mapToGlobal(QPoint(60, 60)));
  GrabScreen("standard_ticks_menu.png");
  w.PopupMenu1->close();

  w.TabSet1->setCurrentIndex(2);
  w.SearchPage->CheckBox2->setChecked(true);
  w.SearchPage->Edit1->setText("*.txt,*.m3u");
  w.Button1Click();
  w.SearchPage->AllFiles->setChecked(true);
  w.Button1Click();
  GrabScreen("standard_search_again.png");

  // Search results of several folders recovered: paths kept, counts, a
  // renamed copy named.
  w.Checkall1Click(true);
  w.N4->setChecked(false);
  // Mid-way, the bar counts files and bytes; at the end a box sums up.
  bool progressShot = false;
  auto progressConnection = QObject::connect(w.ProgressBar1, &QProgressBar::valueChanged, [&](int) {
    if (progressShot || !w.ProgressBar1->text().startsWith(QStringLiteral("2 / "))) return;
    progressShot = true;
    GrabScreen("standard_recovery_progress.png");
  });
  g_nextBoxShot = "standard_recovery_summary.png";
  w.RecoverExecute();
  QObject::disconnect(progressConnection);
  g_nextBoxShot = "standard_recovery_summary_again.png";
  w.RecoverExecute();
  GrabScreen("standard_recovery_log.png");
  // The next recovery's dialog opens on the folder of the last one.
  GrabModal("destination_remembered.png", [&] {
    std::string folder = controls::RememberedDestination(controls::SharedSettingsFile(services.settingsPath));
    controls::SelectDestinationFolder(&w, &folder);
  });

  // The disk the user may not read: listed with its reason, and chosen, it
  // offers the disk service (the question is closed: "否").
  QTreeWidgetItem* lockedNode = w.LockedDiskNode(1);
  if (lockedNode) {
    w.Treeview2->scrollToItem(lockedNode);
    const QRect at = w.Treeview2->visualItemRect(lockedNode);
    QToolTip::showText(w.Treeview2->viewport()->mapToGlobal(at.center()), lockedNode->toolTip(0), w.Treeview2);
    GrabScreen("standard_locked_disk_tooltip.png");
    QToolTip::hideText();
    GrabModal("standard_locked_disk_question.png", [&] { w.Treeview2->setCurrentItem(lockedNode); });
    w.TabSet1->setCurrentIndex(3);
    GrabScreen("standard_locked_disk_log.png");
  }

  // A memory card image opened from the file menu, then the recent list.
  if (!card.isEmpty()) {
    w.OpenImage->trigger();
    Settle();
    emit w.RecentImages->aboutToShow();
    w.RecentImages->popup(w.mapToGlobal(QPoint(40, 40)));
    GrabScreen("standard_recent_images.png");
    w.RecentImages->close();
    // Its pictures and text on the preview page.
    w.TabSet1->setCurrentIndex(4);
    SelectRowNamed(w, "canon.jpg");
    GrabScreen("standard_preview_picture.png");
    SelectRowNamed(w, "gradient.png");
    GrabScreen("standard_preview_deleted_png.png");
    SelectRowNamed(w, "notes.txt");
    GrabScreen("standard_preview_text.png");
    SelectRowNamed(w, "song.mp3");
    GrabScreen("standard_preview_none.png");
    w.Treeview2->setCurrentItem(w.DriveNode('C'));
  }

  w.TreeView1->setCurrentItem(Child(w.ScanRootNode, "Photos"));
  GrabModal("standard_scan32_nothing.png", [&] { w.acScan32Execute(); });
  GrabModal("standard_read_error.png",
            [&] { disk::ReportReadError(platform::SystemText("读取驱动器 C: 的扇区 2048 时出错。")); });
  GrabScreen("standard_read_error_log.png");

  GrabModal("standard_close_question.png", [&] { w.acClose->trigger(); });
  Settle();

  controls::TfrmScanMode mode;
  mode.show();
  GrabScreen("scan_mode.png");
  mode.close();

  controls::TfrmScanConfig config;
  config.Prepare(8 * 1024 * 1024);
  config.show();
  GrabScreen("scan_range_whole_disk.png");
  config.Edit2->setText("0");
  config.Edit1->setText("0");
  GrabModal("scan_range_empty.png", [&] { config.Button1Click(); });
  config.close();
  w.hide();

  advanced::TfrmAdvMain adv;
  advanced::TfrmAdvMain::Choosers choosers;
  choosers.scanMode = [](QWidget*) { return 101; };
  choosers.scanRange = [](QWidget*, uint32_t total, int64_t* start, int64_t* count) {
    *start = 0;
    *count = total;
    return true;
  };
  choosers.destination = [](QWidget*, std::string*) { return false; };
  adv.SetChoosers(choosers);
  adv.SetBoxShower([](QWidget*, controls::BoxKind, const QString&) {});
  adv.SetQuestionAsker([](QWidget*, const QString&) { return true; });
  adv.SetSettingsFile(QDir(g_folder).filePath("advrec.ini").toStdString(), 800);
  controls::LockedDiskSeams advLocked;
  advLocked.request = [](const QString&) {
    controls::DiskServiceAnswer answer;
    answer.error = QStringLiteral("无法连接系统总线 (D-Bus)");
    return answer;
  };
  adv.SetLockedDiskSeams(advLocked);
  adv.showMaximized();
  Settle();
  adv.Timer1->stop();
  GrabScreen("advanced_locked_disk.png");
  adv.TabSet1->setCurrentIndex(advanced::kPageLog);
  GrabScreen("advanced_locked_disk_log.png");
  // The physical disk itself, which holds both volumes.
  QTreeWidgetItem* disk = nullptr;
  QTreeWidgetItem* computer = adv.TreeView2->topLevelItem(0);
  for (int i = 0; i < computer->childCount() && !disk; ++i)
    if (computer->child(i)->text(0).startsWith(QStringLiteral("物理驱动器"))) disk = computer->child(i);
  if (!disk) return 2;
  adv.TreeView2->setCurrentItem(disk);
  Settle();
  adv.RadioButton2->click();
  adv.TreeView1->setCurrentIndex(adv.FolderModel()->FolderIndex(0));
  GrabScreen("advanced_ntfs_list.png");
  adv.RadioButton1->click();
  for (size_t f = 0; f < adv.FolderModel()->FolderCount(); ++f) {
    adv.TreeView1->setCurrentIndex(adv.FolderModel()->FolderIndex(f));
    bool deleted = false;
    for (int r = 0; r < adv.FileModel()->RowCount(); ++r)
      deleted = deleted || !adv.FileModel()->CellText(r, advanced::kColumnState).isEmpty();
    if (deleted) break;
  }
  adv.TabSet1->setCurrentIndex(0);
  if (adv.FileModel()->RowCount() > 0)
    adv.ListView1->setCurrentIndex(adv.FileModel()->index(0, 0));
  GrabScreen("advanced_fat_list_state.png");
  adv.TabSet1->setCurrentIndex(advanced::kPagePreview);
  for (int r = 0; r < adv.FileModel()->RowCount(); ++r)
    if (adv.FileModel()->Row(r).name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)) {
      adv.ListView1->setCurrentIndex(adv.FileModel()->index(r, 0));
      break;
    }
  GrabScreen("advanced_preview_text.png");

  // A drive caption cut at the pane's width, with the pointer resting on it.
  QTreeWidgetItem* cut = disk->childCount() ? disk->child(disk->childCount() - 1) : disk;
  const QPoint at = adv.TreeView2->visualItemRect(cut).center();
  QHelpEvent hover(QEvent::ToolTip, at, adv.TreeView2->viewport()->mapToGlobal(at));
  QApplication::sendEvent(adv.TreeView2->viewport(), &hover);
  GrabScreen("advanced_cut_caption_tip.png");

  // The log page and its pop-up menu.
  adv.TabSet1->setCurrentIndex(advanced::kPageLog);
  Settle();
  QContextMenuEvent menuAsked(QContextMenuEvent::Mouse, QPoint(60, 40),
                              adv.ListView3->viewport()->mapToGlobal(QPoint(60, 40)));
  QTimer::singleShot(400, [] {
    GrabScreen("advanced_log_menu.png");
    if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
  });
  QApplication::sendEvent(adv.ListView3->viewport(), &menuAsked);
  adv.close();
  platform::DeviceTable::Instance().Reset();
  return 0;
}
