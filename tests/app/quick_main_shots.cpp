// The standard window's pictures for the screenshot tool: each volume of a
// disk image scanned, at two window sizes, with each lower page shown.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTabBar>
#include <QTableView>
#include <QTreeWidget>

#include "controls/file_list_model.h"
#include "controls/search_panel.h"
#include "engine/undelete.h"
#include "platform/device_table.h"
#include "standard/quick_main.h"

namespace tarnwell::app {
namespace {

void Grab(QWidget& w, const QString& folder, const QString& name) {
  QApplication::processEvents();
  w.grab().save(QDir(folder).filePath(name));
}

void SelectFirstFile(standard::TfrmQuickMain& w, const QString& suffix) {
  for (int i = 0; i < w.ListModel->RowCount(); ++i) {
    if (w.ListModel->Row(i).name.endsWith(suffix)) {
      w.ListView1->selectionModel()->select(w.ListModel->index(i, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      return;
    }
  }
}

QTreeWidgetItem* FolderWithFiles(QTreeWidgetItem* node) {
  for (int i = 0; node && i < node->childCount(); ++i)
    if (node->child(i)->text(0) == "Photos" || node->child(i)->text(0) == "Pictures") return node->child(i);
  return nullptr;
}

}  // namespace

void SaveStandardWindowShots(const QString& folder, const std::string& image) {
  std::string error;
  if (!platform::DeviceTable::Instance().AttachImage(image, &error)) return;
  for (const QSize size : {QSize(1280, 1024), QSize(800, 600)}) {
    const QString tag = QString("%1x%2").arg(size.width()).arg(size.height());
    standard::QuickMainServices services;
    services.showBox = [](QWidget*, controls::BoxKind, const QString&) {};
    services.opener = [](const std::string&) { return true; };
    services.settingsPath = QDir(folder).filePath("Tarnwell.ini").toStdString();
    services.wait = [](int) {};
    services.screenWidth = size.width();
    standard::TfrmQuickMain w(services);
    w.resize(size);
    w.FormShow();
    w.show();
    Grab(w, folder, "standard_" + tag + "_start.png");
    for (char letter : {'C', 'D'}) {
      QTreeWidgetItem* drive = w.DriveNode(letter);
      if (!drive) continue;
      w.Treeview2->setCurrentItem(drive);
      const QString prefix = QString("standard_%1_%2_").arg(tag).arg(letter);
      QTreeWidgetItem* root = w.ScanRootNode->childCount() && w.Engine()->CurrentDrive->FsKind == engine::kNtfs
                                  ? w.ScanRootNode->child(0)
                                  : w.ScanRootNode;
      if (QTreeWidgetItem* photos = FolderWithFiles(root)) w.TreeView1->setCurrentItem(photos);
      w.TabSet1->setCurrentIndex(0);
      SelectFirstFile(w, ".jpg");
      Grab(w, folder, prefix + "properties.png");
      w.TabSet1->setCurrentIndex(1);
      Grab(w, folder, prefix + "hex.png");
      w.TabSet1->setCurrentIndex(2);
      w.TreeView1->setCurrentItem(w.ScanRootNode);
      w.SearchPage->CheckBox2->setChecked(true);
      w.SearchPage->Edit1->setText("*.txt,*.jpg");
      w.Button1Click();
      Grab(w, folder, prefix + "search.png");
      w.TabSet1->setCurrentIndex(3);
      Grab(w, folder, prefix + "log.png");
    }
    w.close();
  }
  platform::DeviceTable::Instance().Reset();
}

}  // namespace tarnwell::app
