// Renders the advanced window into PNG files for a look by eye (run under
// xvfb-run or offscreen):
//   tarnwell_adv_screenshots OUTPUT_FOLDER SCAN_IMAGE [MORE_IMAGES...]
// The first image is scanned as physical disk 0; the others are only listed.
#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "advanced/adv_main.h"
#include "advanced/disk_tree.h"
#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "controls/type_names.h"
#include "controls/ui_fonts.h"
#include "physical/physical_drive.h"
#include "physical/physical_drive_list.h"
#include "platform/device_table.h"

namespace {

using namespace tarnwell;

void Save(QWidget& widget, const QString& folder, const QString& name) {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  widget.grab().save(QDir(folder).filePath(name));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setFont(controls::UiFont());
  const QStringList args = application.arguments();
  if (args.size() < 3) return 2;
  const QString folder = args[1];
  QDir().mkpath(folder);
  for (int i = 2; i < args.size(); ++i) platform::DeviceTable::Instance().AttachImage(args[i].toStdString());

  advanced::TfrmAdvMain window;
  window.SetSettingsFile(QDir(folder).filePath("advrec.ini").toStdString(), 1280);
  window.SetTypeNames(std::make_unique<controls::PlainTypeNames>());
  advanced::TfrmAdvMain::Choosers choosers;
  choosers.scanMode = [](QWidget*) { return 101; };
  choosers.scanRange = [](QWidget*, uint32_t total, int64_t* start, int64_t* count) {
    *start = 0;
    *count = total;
    return true;
  };
  choosers.destination = [](QWidget*, std::string*) { return false; };
  window.SetChoosers(choosers);
  window.SetBoxShower([](QWidget*, controls::BoxKind, const QString&) {});
  window.resize(1200, 760);
  window.show();
  window.Timer1->stop();
  Save(window, folder, QStringLiteral("adv_disk_tree.png"));

  QTreeWidgetItem* computer = window.TreeView2->topLevelItem(0);
  for (int i = 0; i < computer->childCount(); ++i) {
    const advanced::DiskNode node = advanced::NodeOf(computer->child(i));
    if (window.DriveList()->Items[static_cast<size_t>(node.driveSlot)]->DriveCode() == 0) {
      window.TreeView2->setCurrentItem(computer->child(i));
      break;
    }
  }
  // The first folder that holds a file, and its first file.
  for (size_t f = 0; f < window.FolderModel()->FolderCount(); ++f) {
    window.TreeView1->setCurrentIndex(window.FolderModel()->FolderIndex(f));
    int row = -1;
    for (int r = 0; r < window.FileModel()->RowCount() && row < 0; ++r)
      if (window.FileModel()->Row(r).image == advanced::kRowFile) row = r;
    if (row < 0) continue;
    window.ListView1->selectionModel()->select(window.FileModel()->index(row, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    break;
  }
  window.TabSet1->setCurrentIndex(advanced::kPageProperties);
  Save(window, folder, QStringLiteral("adv_scan_properties.png"));
  window.TabSet1->setCurrentIndex(advanced::kPageHex);
  Save(window, folder, QStringLiteral("adv_scan_hex.png"));
  window.TabSet1->setCurrentIndex(advanced::kPageCalibration);
  Save(window, folder, QStringLiteral("adv_calibration.png"));
  window.TabSet1->setCurrentIndex(advanced::kPageFind);
  Save(window, folder, QStringLiteral("adv_find.png"));
  window.TabSet1->setCurrentIndex(advanced::kPageLog);
  Save(window, folder, QStringLiteral("adv_log.png"));
  window.close();
  return 0;
}
