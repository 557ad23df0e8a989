#pragma once
// TfrmSmart, the health window: the ATA drives that answered identify in a
// drop-down, the chosen drive's capacity, firmware, serial number and
// S.M.A.R.T. state, its attribute list with a verdict per row, a detail
// pane for the selected attribute and the overall verdict in the status bar.
#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/desktop_opener.h"
#include "controls/imaging_command.h"
#include "controls/message_boxes.h"
#include "health/smart_records.h"
#include "platform/smart_device.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QToolButton;
class QTreeWidget;

namespace tarnwell::controls {
class TStatusBarEx;
}

namespace tarnwell::health::window {

// The disk of the device table that a drive number of the S.M.A.R.T. table
// stands for, -1 when none is listed.
using DiskOfDrive = std::function<int(uint8_t drive)>;
// The machine's disk of the same kernel name ("sdb").
int DiskOfSmartDrive(uint8_t drive);

class TfrmSmart : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSmart(QWidget* parent = nullptr,
                     controls::DesktopOpener opener = controls::DefaultDesktopOpener(),
                     controls::BoxShower showBox = controls::ShowBox);

  // Asks every drive for its identity again, lists those that answer and
  // shows the first of them; says why in the status bar when none does.
  void RefreshDriveList();
  // The drive chosen in the drop-down: its identity, attribute list and
  // verdict.
  void ComboBox1Change();
  // Reads the drive's attribute list into ListView1 and returns the overall
  // verdict, -1 when there is none. Its error boxes are held for
  // ComboBox1Change, which shows them over the updated window and keeps the
  // last one's text in the status bar. The list never keeps another drive's
  // rows: it is emptied first, whatever happens after.
  int FillSmartList(uint8_t drive);
  void ListView1SelectItem();
  void SpeedButton1Click();  // the question mark beside "PW 属性:"
  void HelpExecute();
  void CloseExecute();
  // "创建磁盘映像...": copies the chosen drive, whose verdict says it is
  // failing, to an image before anything else reads it.
  void ImageExecute();
  // Test seams of that command (its message boxes are the window's).
  void SetImaging(controls::ImagingSeams seams, DiskOfDrive diskOf) {
    imagingSeams_ = std::move(seams);
    diskOf_ = std::move(diskOf);
  }

  // Whether the drive list has been read since the window was shown (it is
  // read after the first paint).
  bool DriveListRead() const { return driveListRead_; }

  // One entry per drop-down entry, in the same order, each carrying its
  // drive number.
  std::vector<TDriveIdentity> DriveIdentities;

  QMenuBar* MainMenu1 = nullptr;  // the menus, shown once (no tool bar repeats them)
  QAction* RefreshAction = nullptr;  // "刷新驱动器列表"
  QAction* ImageAction = nullptr;    // "创建磁盘映像...": on for warning and danger only
  QAction* CloseAction = nullptr;    // "关闭", Ctrl+X
  QAction* HelpAction = nullptr;     // "目录", F1
  QGroupBox* GroupBox1 = nullptr;  // the chosen drive's identity
  QComboBox* ComboBox1 = nullptr;  // the detected drives
  QLabel* Label5 = nullptr;  // capacity
  QLabel* Label6 = nullptr;  // firmware revision
  QLabel* Label7 = nullptr;  // serial number
  QLabel* Label8 = nullptr;  // S.M.A.R.T.: "启用" or empty
  QLabel* Label10 = nullptr;  // attribute name
  QLabel* Label12 = nullptr;  // attribute ID
  QPlainTextEdit* Memo1 = nullptr;  // description
  QLabel* Label15 = nullptr;  // PW attribute
  QToolButton* SpeedButton1 = nullptr;  // "?": what a PW attribute is
  QTreeWidget* ListView1 = nullptr;  // the attribute table
  controls::TStatusBarEx* StatusBar1 = nullptr;  // the overall verdict

 protected:
  // The drive list is read once the window has been painted, so that a
  // slow drive or the error box of a failing one comes over a window the
  // user can already see.
  void paintEvent(QPaintEvent* event) override;

 private:
  void BuildMenus();
  QGroupBox* BuildDriveBox();
  QWidget* BuildDetailPane();
  QWidget* BuildLegend();
  void SetStatusText(const QString& text);
  void ClearDetailPane();
  void ClearAttributeList();
  // Forgets the drive shown: labels, list, detail pane and status bar.
  void ClearDriveDisplay();
  // Enables "创建磁盘映像..." for the drive shown with this verdict, or
  // says in its tooltip why not.
  void UpdateImageAction(int verdict);
  // The disk of the drive chosen in the drop-down, -1 when none.
  int ChosenDisk() const;

  controls::DesktopOpener opener_;
  controls::BoxShower showBox_;
  controls::ImagingSeams imagingSeams_;
  DiskOfDrive diskOf_ = DiskOfSmartDrive;
  bool listRequested_ = false;
  bool driveListRead_ = false;
  // The error boxes of the last attribute read, shown once the drive is.
  std::vector<std::pair<controls::BoxKind, std::string>> heldBoxes_;
};

// What the status bar says when no drive answered, with the reason when
// the look at the machine's disks knows it.
QString NoDriveText(const platform::SmartDriveTable::ProbeSummary& probe);

}  // namespace tarnwell::health::window
