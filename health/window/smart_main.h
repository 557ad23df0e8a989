#pragma once
// TfrmSmart, the health window: the ATA drives that answered identify in a
// drop-down, the chosen drive's capacity, firmware, serial number and
// S.M.A.R.T. state, its attribute list with a verdict per row, a detail
// pane for the selected attribute and the overall verdict in the status bar.
#include <QDialog>
#include <cstdint>
#include <vector>

#include "controls/desktop_opener.h"
#include "controls/message_boxes.h"
#include "health/smart_records.h"
#include "platform/smart_device.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QToolBar;
class QToolButton;
class QTreeWidget;

namespace tarnwell::controls {
class TStatusBarEx;
}

namespace tarnwell::health::window {

class TfrmSmart : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSmart(QWidget* parent = nullptr,
                     controls::DesktopOpener opener = controls::DefaultDesktopOpener(),
                     controls::BoxShower showBox = controls::ShowBox);

  // Asks drives 0 to 3 for their identity again, lists those that answer
  // and shows the first of them; says why in the status bar when none does.
  void RefreshDriveList();
  // The drive chosen in the drop-down: its identity, attribute list and
  // verdict.
  void ComboBox1Change();
  // Reads the drive's attribute list into ListView1 and returns the overall
  // verdict, -1 when there is none. The list never keeps another drive's
  // rows: it is emptied first, whatever happens after.
  int FillSmartList(uint8_t drive);
  void ListView1SelectItem();
  void SpeedButton1Click();  // the question mark beside "PW 属性:"
  void HelpExecute();
  void CloseExecute();

  // One entry per drop-down entry, in the same order, each carrying its
  // drive number.
  std::vector<TDriveIdentity> DriveIdentities;

  QMenuBar* MainMenu1 = nullptr;  // the text menus
  QAction* RefreshAction = nullptr;  // "刷新驱动器列表"
  QAction* CloseAction = nullptr;    // "关闭", Ctrl+X
  QAction* HelpAction = nullptr;     // "目录", F1
  QToolBar* ToolBar1 = nullptr;  // drive and help buttons
  QToolButton* ToolButton1 = nullptr;  // "驱动器"
  QToolButton* ToolButton2 = nullptr;  // "帮助"
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
  void showEvent(QShowEvent* event) override;

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

  controls::DesktopOpener opener_;
  controls::BoxShower showBox_;
  bool shownOnce_ = false;
};

// What the status bar says when no drive answered, with the reason when
// the look at the machine's disks knows it.
QString NoDriveText(const platform::SmartDriveTable::ProbeSummary& probe);

}  // namespace tarnwell::health::window
