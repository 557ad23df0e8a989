// Not a test: shows the windows the way a user drives them into the states
// that the window fixes changed, under a real X server and window manager,
// and saves what the screen shows (decorations and message boxes included):
//   xvfb-run -s "-screen 0 800x600x24" sh -c 'openbox & tarnwell_fault_shots OUT DEMO.img'
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "controls/file_list_model.h"
#include "controls/scan_config.h"
#include "controls/search_panel.h"
#include "controls/ui_fonts.h"
#include "platform/device_table.h"
#include "standard/quick_main.h"

namespace {

QString g_folder;

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

void Tick(tarnwell::standard::TfrmQuickMain& w, const QString& name) {
  for (int i = 0; i < w.ListModel->RowCount(); ++i)
    if (w.ListModel->Row(i).name == name) w.ListModel->SetChecked(i, true);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarnwell;
  QApplication application(argc, argv);
  application.setFont(controls::UiFont());
  g_folder = application.arguments().value(1, QStringLiteral("."));
  QDir().mkpath(g_folder);
  std::string error;
  if (argc < 3 || !platform::DeviceTable::Instance().AttachImage(argv[2], &error)) return 1;

  standard::QuickMainServices services;
  services.opener = [](const std::string&) { return true; };
  services.settingsPath = QDir(g_folder).filePath("Tarnwell.ini").toStdString();
  services.wait = [](int) {};
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

  GrabModal("standard_close_question.png", [&] { w.acClose->trigger(); });
  Settle();

  controls::TfrmScanConfig config;
  config.Prepare(8 * 1024 * 1024);
  config.show();
  GrabScreen("scan_range_whole_disk.png");
  config.Edit2->setText("0");
  config.Edit1->setText("0");
  GrabModal("scan_range_empty.png", [&] { config.Button1Click(); });
  config.close();
  w.hide();
  platform::DeviceTable::Instance().Reset();
  return 0;
}
