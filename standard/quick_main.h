#pragma once
// The standard recovery window: pick a drive letter, scan it, browse its
// folder tree and file list with properties and a hex preview, search,
// and recover the checked rows into a folder.
#include <QDate>
#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "controls/desktop_opener.h"
#include "controls/locked_disks.h"
#include "controls/message_boxes.h"
#include "controls/open_image.h"
#include "controls/sort_state.h"
#include "controls/type_names.h"
#include "standard/entry_rows.h"
#include "standard/node_history.h"
#include "standard/quick_settings.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QStackedWidget;
class QTabBar;
class QTableView;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarnwell::engine {
class TUndelete;
struct TLogiDrive;
}
namespace tarnwell::controls {
class EventLogView;
class FileListModel;
class HexPage;
class PreviewPage;
class PropertiesPage;
class QtMessagePump;
class SearchPanel;
class StatusBarPanel;
class QtProgressBar;
class TStatusBarEx;
class QtMessageBoxes;
class ReadErrorDisplay;
}  // namespace tarnwell::controls

namespace tarnwell::standard {

// What the window asks of the world; tests replace each part.
struct QuickMainServices {
  controls::BoxShower showBox = controls::ShowBox;
  controls::QuestionAsker ask = controls::AskYesNo;
  controls::DesktopOpener opener = controls::DefaultDesktopOpener();
  std::function<bool(QWidget* parent, std::string* folder)> selectDestination;
  controls::OpenImageChooser chooseImage = controls::ChooseImageToOpen;
  std::function<QDate()> today = [] { return QDate::currentDate(); };
  // Where "Tarnwell.ini" lives; empty: the usual place.
  std::string settingsPath;
  std::shared_ptr<controls::TypeNameProvider> typeNames;
  // The pauses of the drive hint's flashing (tests skip them).
  std::function<void(int ms)> wait;
  int screenWidth = 0;  // 0: the primary screen's
  // Opening disks the user may not read through the desktop's disk service.
  controls::LockedDiskSeams lockedDisks = controls::SystemLockedDiskSeams();
};

class TfrmQuickMain : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmQuickMain(QuickMainServices services = {}, QWidget* parent = nullptr);
  ~TfrmQuickMain() override;

  // Closing: refused while busy, asked about when scan results or ticked
  // rows would be lost; otherwise the engine goes and the settings are
  // written. Esc never closes the window.
  void done(int result) override;

  // Opening: settings, engine and drive list, banner, first log line.
  void FormShow();

  // Commands and handlers, named after the controls they serve.
  void Treeview2Change(QTreeWidgetItem* node, bool fromUser);
  void ScanExecute();
  void StopExecute();
  void TreeView1Change(QTreeWidgetItem* node, bool fromUser);
  void ListView1ColumnClick(int column);
  void ListView1Click();
  void ListView1DblClick();
  void TabSet1Click(int index);
  void UpExecute();
  void BackExecute();
  void ForwardExecute();
  void Openparentdirectory1Click();
  void Check1Click(bool checked);
  void Checkall1Click(bool checked);
  // Ticks every deleted or damaged entry of the folder shown, or of the
  // whole scanned volume (through a search that leaves the results shown
  // on "查找结果" alone).
  void CheckDeletedInFolder();
  void CheckDeletedInVolume();
  // Ticks of every drive scanned in this window, the shown one's included.
  int TickedCount() const;
  void acScan32Execute();
  void helpExecute();
  void RecoverExecute();
  void Button1Click();
  void FlashDriveHint(int rounds);
  // "打开磁盘映像...": attaches an image chosen in the file dialog (or from
  // the recent images) as a disk and scans its first volume.
  void OpenImageExecute();
  void OpenImageFile(const QString& image);

  // Helpers the tests look through.
  QString GetNodePath(QTreeWidgetItem* node) const;
  void RevealEntry(const engine::EntryHandle& entry);
  QTreeWidgetItem* DriveNode(char letter) const;
  // The node of a disk listed as needing authorisation (device-table index).
  QTreeWidgetItem* LockedDiskNode(int diskIndex) const;
  QTreeWidgetItem* FolderNode(const engine::EntryHandle& entry) const;
  QTreeWidgetItem* NodeOfIdentity(const void* identity) const;
  const void* NodeIdentity(QTreeWidgetItem* node) const;
  engine::EntryHandle NodeEntry(QTreeWidgetItem* node) const;
  engine::EntryHandle RowEntry(int row) const;
  engine::TUndelete* Engine() const { return engine_.get(); }
  controls::QtMessagePump& Pump() { return *pump_; }
  static controls::SortState& SortState();
  const QuickSettings& Settings() const { return settings_; }

  // Controls.
  QTreeWidget* TreeView1 = nullptr;  // the scanned drive's folder tree and the search node
  QTreeWidget* Treeview2 = nullptr;  // the drive letters ("我的电脑")
  QTreeWidgetItem* ScanRootNode = nullptr;
  QTreeWidgetItem* SearchNode = nullptr;
  QTreeWidgetItem* MyComputerNode = nullptr;
  QLabel* Panel4 = nullptr;   // the drive tree's caption, where the drive hint flashes
  QLabel* Panel19 = nullptr;  // the pages' caption: the hex page's file-header hint
  QTableView* ListView1 = nullptr;  // the file list
  controls::FileListModel* ListModel = nullptr;
  controls::PropertiesPage* ListView2 = nullptr;  // the properties page
  controls::EventLogView* ListView3 = nullptr;    // the event log ("应用程序日志")
  controls::SearchPanel* SearchPage = nullptr;
  // "预览": a picture or text read through the recovery's copy (the last page,
  // so the other pages keep their numbers).
  controls::PreviewPage* Preview = nullptr;
  QStackedWidget* Notebook1 = nullptr;  // the pages: properties, hex, search, log
  QTabBar* TabSet1 = nullptr;           // the tabs that choose a page
  controls::TStatusBarEx* StatusBar1 = nullptr;  // status, folder path, counts
  QProgressBar* ProgressBar1 = nullptr;          // scan progress, inside the status bar
  std::unique_ptr<controls::HexPage> Hex;
  QSplitter* LeftSplitter = nullptr;
  QSplitter* RightSplitter = nullptr;
  QSplitter* MainSplitter = nullptr;
  QAction* Scan = nullptr;
  QAction* Stop = nullptr;
  QAction* Recover = nullptr;
  QAction* acScan32 = nullptr;
  QAction* Up = nullptr;
  QAction* Back = nullptr;
  QAction* Forward = nullptr;
  QAction* acClose = nullptr;
  QAction* help = nullptr;
  QAction* N4 = nullptr;  // option "恢复后打开目标目录": open the destination after recovery
  QAction* Openparentdirectory1 = nullptr;
  QAction* OpenImage = nullptr;    // "打开磁盘映像..."
  QMenu* RecentImages = nullptr;   // "最近的映像": the images opened before  // a search result's folder in the tree
  QMenu* PopupMenu1 = nullptr;  // the file list's context menu
  QTimer* Timer1 = nullptr;     // one tick after opening: flashes the drive hint

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildLayout();
  QWidget* BuildCoolBar();
  QWidget* BuildLeftColumn();
  QWidget* BuildRightSide();
  void BuildActions();
  void ConnectHandlers();
  void FillDriveTree();
  QTreeWidgetItem* AddDriveNode(engine::TLogiDrive& drive, int position);
  // A locked disk chosen: explains it and offers to open it; its volumes
  // join the drive list when it opens.
  void ChooseLockedDisk(QTreeWidgetItem* node);
  // Lists the volumes of a disk the device table gained after the window
  // opened; the first new drive node, or nullptr.
  QTreeWidgetItem* AddDrivesOfDisk(int diskIndex);
  void FillRecentImagesMenu();
  void AddChildFolders(QTreeWidgetItem* node, bool rebuild = false);
  void AddGrandchildFolders(QTreeWidgetItem* node);
  void FillFileList(QTreeWidgetItem* node);
  void UpdateCountsPanel();
  void UpdateTicksPanel();
  // Ticks live per drive: the shown drive's are in the list model, the
  // others wait here until their drive is shown again.
  void ParkTicks();
  void RestoreTicks();
  void UpdateHistoryButtons();
  void ShowNodeQuietly(QTreeWidgetItem* node);
  void ClearScanView();
  void SetRootEntry();
  void ShowProperties(int row);
  void ShowHex(int row);
  void ShowPreview(int row);
  QTreeWidgetItem* AddFolderNode(QTreeWidgetItem* parent, const engine::EntryHandle& entry);
  std::vector<int> SelectedRows() const;
  void SyncLowerPanels(QSplitter* moved);
  void ApplySettings();
  void SaveSettings();
  void SetBusyCursor(bool busy);
  // Whether the destination can take the files, or the user goes on anyway.
  void LogRenamedCopy(const QString& caption, const std::string& systemName, const std::string& plannedPath);
  void SetStatus(int panel, const QString& text);
  void Log(const QString& text, int icon);
  bool Busy() const;

  QuickMainServices services_;
  std::unique_ptr<controls::QtMessageBoxes> boxes_;
  std::unique_ptr<controls::QtMessagePump> pump_;
  std::unique_ptr<engine::TUndelete> engine_;
  std::unique_ptr<controls::ReadErrorDisplay> readErrors_;  // while the window is open
  std::unique_ptr<controls::StatusBarPanel> status1_;
  std::unique_ptr<controls::QtProgressBar> progress_;
  NodeHistory history_;
  QuickSettings settings_;
  // The folder the last search looked below (-1: the whole drive) and its
  // path: "搜索" on "查找结果" searches there again.
  int64_t searchKey_ = -1;
  QString searchPlace_;
  void ShowSearchPlace();
  std::map<const engine::TLogiDrive*, std::vector<controls::TickedRecord>> parkedTicks_;
  QTreeWidgetItem* shownDrive_ = nullptr;
  QTreeWidgetItem* boldNode_ = nullptr;
  bool treeHandlerOn_ = true;
  bool shown_ = false;
  char searchIdentity_ = 0;  // the search node's identity in the history
};

}  // namespace tarnwell::standard
