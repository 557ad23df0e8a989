#pragma once
// The standard window on fixture images, with every outside service
// replaced: boxes, the desktop, the destination dialog, today, the
// settings file and the type names.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCryptographicHash>
#include <QFile>
#include <QTableView>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

#include "controls/event_log_view.h"
#include "controls/hex_page.h"
#include "controls/properties_page.h"
#include "controls/status_bar_ex.h"
#include "controls/file_list_model.h"
#include "controls/message_boxes.h"
#include "standard/quick_main.h"
#include "tests/support/fixtures.h"

namespace tarnwell::testing {

struct ShownBox {
  controls::BoxKind kind;
  QString text;
};

class QuickMainTest : public ::testing::Test {
 protected:
  ScopedDeviceTable table;
  std::vector<ShownBox> boxes;
  std::vector<QString> questions;  // what the window asked, answered with closeAnswer
  bool closeAnswer = true;
  std::vector<std::string> opened;
  std::string destination = MakeTempFolder("quick_main_out");
  std::string settings = MakeTempFolder("quick_main_ini") + "/Tarnwell.ini";
  bool acceptDestination = true;
  std::vector<std::string> offeredDestinations;  // what the dialog opened with
  int waits = 0;
  // The desktop's disk service: never the real system bus in tests.
  controls::LockedDiskSeams lockedDisks{[](const QString&) {
                                          controls::DiskServiceAnswer answer;
                                          answer.error = QStringLiteral("no service in tests");
                                          return answer;
                                        },
                                        false};
  QString imageToChoose;  // what the "打开磁盘映像" file dialog answers ("" cancels)
  std::unique_ptr<standard::TfrmQuickMain> w;
  // Watches the file list through every fill, sort and check.
  std::unique_ptr<QAbstractItemModelTester> tester;

  void Open(const std::vector<std::string>& images) {
    for (const std::string& image : images) table.AttachImage(FixturePath(image));
    standard::QuickMainServices s;
    s.showBox = [this](QWidget*, controls::BoxKind k, const QString& t) { boxes.push_back({k, t}); };
    s.ask = [this](QWidget*, const QString& t) {
      questions.push_back(t);
      return closeAnswer;
    };
    s.opener = [this](const std::string& target) {
      opened.push_back(target);
      return true;
    };
    s.selectDestination = [this](QWidget*, std::string* folder) {
      offeredDestinations.push_back(*folder);
      *folder = destination;
      return acceptDestination;
    };
    s.today = [] { return QDate(2024, 6, 15); };
    s.settingsPath = settings;
    s.typeNames = std::make_shared<controls::PlainTypeNames>();
    s.wait = [this](int) { ++waits; };
    s.screenWidth = 1280;
    s.lockedDisks = lockedDisks;
    s.chooseImage = [this](QWidget*, const QString&) { return imageToChoose; };
    w = std::make_unique<standard::TfrmQuickMain>(std::move(s));
    w->resize(1000, 700);
    w->FormShow();
    tester = std::make_unique<QAbstractItemModelTester>(
        w->ListModel, QAbstractItemModelTester::FailureReportingMode::Fatal);
  }
  void TearDown() override {
    if (w && w->Engine()) w->Engine()->Scanning = false;
    tester.reset();
    w.reset();
  }

  void SelectDrive(char letter) { w->Treeview2->setCurrentItem(w->DriveNode(letter)); }
  QTreeWidgetItem* Child(QTreeWidgetItem* node, const QString& caption) {
    for (int i = 0; node && i < node->childCount(); ++i)
      if (node->child(i)->text(0) == caption) return node->child(i);
    return nullptr;
  }
  void Open(QTreeWidgetItem* node) {
    ASSERT_NE(node, nullptr);
    w->TreeView1->setCurrentItem(node);
  }
  int RowOf(const QString& name) {
    for (int i = 0; i < w->ListModel->RowCount(); ++i)
      if (w->ListModel->Row(i).name == name) return i;
    return -1;
  }
  std::vector<QString> Names() {
    std::vector<QString> v;
    for (int i = 0; i < w->ListModel->RowCount(); ++i) v.push_back(w->ListModel->Row(i).name);
    return v;
  }
  QString Cell(const QString& name, int column) { return w->ListModel->Text(RowOf(name), column); }
  void SelectRow(const QString& name) {
    const int row = RowOf(name);
    ASSERT_GE(row, 0) << name.toStdString();
    w->ListView1->selectionModel()->select(
        w->ListModel->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  void Check(const QString& name) {
    const int row = RowOf(name);
    ASSERT_GE(row, 0) << name.toStdString();
    w->ListModel->setData(w->ListModel->index(row, 0), Qt::Checked, Qt::CheckStateRole);
  }
  QString LastLog() const { return w->ListView3->LastText(); }
  // The sha256 a manifest gives for a path of an image (the demo disk's
  // unless named).
  static QByteArray ManifestSha(const std::string& path, const std::string& manifest = "demo/manifest.tsv",
                                const std::string& image = "demo-disk.img") {
    for (const ManifestRow& row : ManifestRows(manifest))
      if (row.image == image && row.path == path) return QByteArray::fromStdString(row.sha256);
    // An empty answer would match the hash of a file that is missing too.
    ADD_FAILURE() << "no row for " << path << " of " << image << " in " << manifest;
    return {};
  }
  static QByteArray Sha256(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
  }
};

}  // namespace tarnwell::testing
