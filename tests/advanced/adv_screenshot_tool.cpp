// Renders the advanced window into PNG files for a look by eye (run under
// xvfb-run or offscreen):
//   tarnwell_adv_screenshots OUTPUT_FOLDER SCAN_IMAGE [MORE_IMAGES...]
// The first image is scanned as physical disk 0, finding files by type
// too; the others are only listed.
// Last, disk 0 is copied to an image in OUTPUT_FOLDER: the progress dialog
// is shot mid-way (alone, and the whole screen with the window under it),
// then the summary box and the disk tree with the image listed.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QThread>
#include <QItemSelectionModel>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "advanced/adv_main.h"
#include "advanced/disk_tree.h"
#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "controls/imaging_dialog.h"
#include "controls/type_names.h"
#include "controls/ui_fonts.h"
#include "physical/physical_drive.h"
#include "physical/physical_drive_list.h"
#include "platform/device_table.h"
#include "tests/support/imaging_sources.h"

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
  for (int i = 2; i < args.size(); ++i) {
    std::string error;
    if (!platform::DeviceTable::Instance().AttachImage(args[i].toStdString(), &error)) {
      qWarning("%s", error.c_str());
      return 2;
    }
  }

  advanced::TfrmAdvMain window;
  window.SetSettingsFile(QDir(folder).filePath("advrec.ini").toStdString(), 1280);
  window.SetTypeNames(std::make_unique<controls::PlainTypeNames>());
  advanced::TfrmAdvMain::Choosers choosers;
  choosers.scanMode = [](QWidget*) { return 101; };
  choosers.scanRange = [](QWidget*, uint64_t total, int64_t* start, int64_t* count) {
    *start = 0;
    *count = static_cast<int64_t>(total);
    return true;
  };
  choosers.destination = [](QWidget*, std::string*) { return false; };
  window.SetChoosers(choosers);
  window.SetBoxShower([](QWidget*, controls::BoxKind, const QString&) {});
  window.resize(1200, 760);
  window.show();
  window.Timer1->stop();
  Save(window, folder, QStringLiteral("adv_disk_tree.png"));

  window.FindByType->setChecked(true);
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

  // The files found by type: the first type, its first file on the hex page.
  if (window.FolderModel()->CarvedTypeCount() > 0) {
    window.TreeView1->setCurrentIndex(window.FolderModel()->CarvedTypeIndex(0));
    if (window.FileModel()->RowCount() > 0)
      window.ListView1->selectionModel()->select(window.FileModel()->index(0, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    window.TabSet1->setCurrentIndex(advanced::kPageHex);
    Save(window, folder, QStringLiteral("adv_carved_hex.png"));
    window.TabSet1->setCurrentIndex(advanced::kPageProperties);
    Save(window, folder, QStringLiteral("adv_carved_properties.png"));
  }

  // The copy of disk 0, read slowly and held two thirds of the way in
  // while the dialog is shot; sectors a tenth of the way in fail, so that
  // bad areas show.
  for (int i = 0; i < computer->childCount(); ++i) {
    const advanced::DiskNode node = advanced::NodeOf(computer->child(i));
    if (window.DriveList()->Items[static_cast<size_t>(node.driveSlot)]->DriveCode() == 0)
      window.TreeView2->setCurrentItem(computer->child(i));
  }
  const uint64_t sectors = platform::DeviceTable::Instance().Disks()[0].sizeBytes / 512;
  auto gate = std::make_shared<testing::ReadGate>();
  controls::ImagingSeams seams;
  const std::string image = QDir(folder).filePath("copy.img").toStdString();
  QFile::remove(QString::fromStdString(image));
  QFile::remove(QString::fromStdString(image + ".map"));
  seams.chooseFile = [image](QWidget*, const QString&, std::string* path) {
    *path = image;
    return true;
  };
  seams.wrapSource = [gate, sectors](std::unique_ptr<disk::SectorSource> inner) {
    auto tested = std::make_unique<testing::TestedDisk>(std::move(inner));
    tested->Failing(sectors / 10, 64).Holding(sectors * 2 / 3, gate).Slowed(std::chrono::milliseconds(50));
    return std::unique_ptr<disk::SectorSource>(std::move(tested));
  };
  seams.dialogShown = [&](controls::TfrmImaging& dialog) {
    while (!gate->Reached()) QApplication::processEvents(QEventLoop::AllEvents, 50);
    // Long enough for the note on a read the disk has not answered.
    for (int i = 0; i < 70; ++i) {
      QThread::msleep(50);
      QApplication::processEvents();
    }
    Save(dialog, folder, QStringLiteral("adv_image_progress.png"));
    if (QScreen* screen = QGuiApplication::primaryScreen())
      screen->grabWindow(0).save(QDir(folder).filePath(QStringLiteral("adv_image_screen.png")));
    gate->Open();
  };
  window.SetImagingSeams(seams);
  window.SetBoxShower([&](QWidget* parent, controls::BoxKind, const QString& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Tarnwell"), text, QMessageBox::Ok, parent);
    box.show();
    Save(box, folder, QStringLiteral("adv_image_summary.png"));
  });
  window.SaveImage->trigger();
  Save(window, folder, QStringLiteral("adv_image_listed.png"));
  window.close();
  return 0;
}
