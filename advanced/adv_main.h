#pragma once
// The advanced recovery window: every disk with its partition model, the
// search for lost partitions, the raw-range scan of any entry (with the
// signature scan in the same read when asked), and the numbered folders
// and files it found, and the files found by type, with properties, a hex
// preview, a filter, the FAT calibration and recovery.
#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "advanced/adv_settings.h"
#include "controls/desktop_opener.h"
#include "controls/imaging_command.h"
#include "controls/locked_disks.h"
#include "controls/open_image.h"
#include "controls/message_boxes.h"
#include "controls/qt_message_pump.h"
#include "controls/sort_state.h"
#include "controls/status_bar_ex.h"
#include "engine/entry_handle.h"
#include "controls/recent_files.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QProgressBar;
class QRadioButton;
class QSplitter;
class QStackedWidget;
class QTabBar;
class QTimer;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace tarnwell::physical {
class TPhysicalDrive;
class TPhysicalDriveList;
struct TPartiEntry;
struct FoundFatEntry;
}  // namespace tarnwell::physical

namespace tarnwell::physical::carve {
struct CarveBesideScan;
}

namespace tarnwell::controls {
class EventLogView;
class HexPage;
class PreviewPage;
class PropertiesPage;
class ReadErrorDisplay;
class SearchPanel;
class TypeNameProvider;
}  // namespace tarnwell::controls

namespace tarnwell::advanced {

class FolderTreeModel;
class RawFileListModel;
class TreeNodePainter;

// Tabs of the notebook, in order.
// "预览" comes last so that the other pages keep their numbers.
enum AdvPage : int { kPageProperties = 0, kPageHex, kPageFind, kPageCalibration, kPageLog, kPagePreview };

class TfrmAdvMain : public QDialog {
  Q_OBJECT

 public:
  // Where the window asks the user something; tests answer instead.
  struct Choosers {
    // The scan-mode dialog: 100 smart scan, 101 scan, anything else nothing.
    std::function<int(QWidget*)> scanMode;
    // The scan-range dialog for an entry of `total` sectors: false when
    // cancelled, else the start and the length in sectors.
    std::function<bool(QWidget*, uint64_t total, int64_t* start, int64_t* count)> scanRange;
    // The destination folder (UTF-8); false when cancelled.
    std::function<bool(QWidget*, std::string*)> destination;
  };

  explicit TfrmAdvMain(QWidget* parent = nullptr);
  ~TfrmAdvMain() override;

  // Test seams: boxes, dialogs, the desktop, type names, the settings file
  // and the screen width its defaults follow.
  void SetBoxShower(controls::BoxShower shower);
  void SetQuestionAsker(controls::QuestionAsker ask) { ask_ = std::move(ask); }
  void SetChoosers(Choosers choosers) { choosers_ = std::move(choosers); }
  // The save dialog and the disk under "保存磁盘映像..." (its boxes are the
  // window's).
  void SetImagingSeams(controls::ImagingSeams seams) { imagingSeams_ = std::move(seams); }
  void SetDesktopOpener(controls::DesktopOpener opener) { opener_ = std::move(opener); }
  // The desktop's disk service for disks the user may not read.
  void SetLockedDiskSeams(controls::LockedDiskSeams seams) { lockedDisks_ = std::move(seams); }
  // The file dialog of "打开磁盘映像...".
  void SetImageChooser(controls::OpenImageChooser chooser) { chooseImage_ = std::move(chooser); }
  void SetTypeNames(std::unique_ptr<controls::TypeNameProvider> names);
  void SetSettingsFile(const std::string& path, int screenWidth);
  controls::QtMessagePump& Pump() { return *pump_; }
  // Replaces the pump (before the first show: the drives keep the one they
  // were given).
  void SetPump(std::unique_ptr<controls::QtMessagePump> pump) {
    if (!driveList_) pump_ = std::move(pump);
  }

  // Start-up: drive list, disk tree, hex banner, settings. Run by the first
  // show; callable directly.
  void FormShow();

  // Commands and events, named after the controls they serve.
  void TreeView2Click();
  void ScanExecute();
  void PartiScanExecute();
  void StopExecute();
  void RecoverExecute();
  // "保存磁盘映像...": copies the disk or partition of the chosen disk-tree
  // node to an image, then lists the image as a disk of its own.
  void SaveImageExecute();
  // "打开磁盘映像...": attaches an image chosen in the file dialog (or from
  // the recent images) as a disk and chooses its node.
  void OpenImageExecute();
  void OpenImageFile(const QString& image);
  void RadioButton1Click();
  void RadioButton2Click();
  void TreeView1Change();
  void ListView1Change();
  void ListView1DblClick();
  void ListView1ColumnClick(int column);
  void BackwardExecute();
  void ForwardExecute();
  void acToParentExecute();
  void ShowntfolderClick();
  void Check1Click(bool checked);
  void Checkall1Click(bool checked);
  void TabSet1Click(int tab);
  void Button1Click();
  void AdjustExecute();
  void acHelpExecute();
  // A file-list row dropped on calibration box A (0) or B (1): the row
  // selected in the file list at the time of the drop.
  void CalibrationDrop(int box);
  bool CalibrationDropAccepted() const;

  // True while a long command runs or the selected drive is busy.
  bool Busy() const;
  // True when some entry of a disk holds found partitions or scan results,
  // which closing the window would throw away.
  bool HoldsScanResults() const;

  physical::TPhysicalDriveList* DriveList() const { return driveList_.get(); }
  physical::TPhysicalDrive* SelectedDrive() const { return selectedDrive_; }
  physical::TPartiEntry* CurrentPartition() const;
  bool NtfsSelected() const;
  // Kept across openings of the window, as the list's last sort.
  static int SortStateValue();
  FolderTreeModel* FolderModel() const { return folderModel_; }
  RawFileListModel* FileModel() const { return fileModel_; }
  const controls::TRecentFiles& History() const { return history_; }
  const std::array<uint8_t, 2048>& HexBuffer() const;
  const physical::FoundFatEntry* CalibrationFile(int box) const { return calibration_[box]; }
  AdvSettings CurrentSettings() const;

  // Controls, with the names the handlers refer to.
  QTreeView* TreeView1 = nullptr;      // found folders
  QTreeWidget* TreeView2 = nullptr;    // disks
  QTreeView* ListView1 = nullptr;      // files
  controls::PropertiesPage* ListView2 = nullptr;  // the properties page
  controls::PreviewPage* Preview = nullptr;        // "预览": a picture or text of the file chosen
  controls::EventLogView* ListView3 = nullptr;    // the event log
  controls::SearchPanel* SearchPage = nullptr;
  QLabel* Panel5 = nullptr;            // file-header hint
  QLabel* Panel9 = nullptr;            // drive hint
  QRadioButton* RadioButton1 = nullptr;  // FAT
  QRadioButton* RadioButton2 = nullptr;  // NTFS
  QStackedWidget* Notebook1 = nullptr;  // the pages: properties, hex, find, calibration, log
  QTabBar* TabSet1 = nullptr;           // the tabs that choose a page
  QLineEdit* Edit2 = nullptr;          // calibration file A
  QLineEdit* Edit3 = nullptr;          // calibration file B
  controls::TStatusBarEx* StatusBarEx1 = nullptr;  // status, progress, counts
  QProgressBar* ProgressBar1 = nullptr;            // inside the status bar
  QSplitter* Splitter1 = nullptr;      // left column | right side
  QSplitter* Splitter2 = nullptr;      // file tree | disk tree panel
  QSplitter* Splitter3 = nullptr;      // file list | pages
  QTimer* Timer1 = nullptr;  // one tick after opening: flashes the drive hint
  QAction* Scan = nullptr;
  QAction* PartiScan = nullptr;
  QAction* Stop = nullptr;
  QAction* Recover = nullptr;
  QAction* SaveImage = nullptr;  // "保存磁盘映像...": on for disk and partition nodes
  QAction* OpenImage = nullptr;  // "打开磁盘映像..."
  QMenu* RecentImages = nullptr;  // "最近的映像"
  QAction* Backward = nullptr;
  QAction* Forward = nullptr;
  QAction* acToParent = nullptr;
  QAction* Showntfolder = nullptr;
  // "同时按文件类型查找": the scan also finds files by their structure, in
  // the same read of the disk; they are listed under "按文件类型".
  QAction* FindByType = nullptr;
  QAction* OpenDir = nullptr;
  QAction* acHelp = nullptr;
  QAction* acClose = nullptr;
  QMenu* PopupMenu2 = nullptr;         // file list

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TreeView2Changing(QTreeWidgetItem* now, QTreeWidgetItem* before);
  void TreeView1Changing(const QModelIndex& now, const QModelIndex& before);
  void BuildLayout();
  QWidget* BuildCoolBar();
  void BuildLeftColumn();
  void BuildFileList();
  void BuildPagesPanel();
  QWidget* BuildStatusBar();
  void BuildActions();
  void BuildPages(QWidget* pages);
  void ConnectSignals();
  void ApplySettings(const AdvSettings& settings);
  void SaveSettings();

  void FlashDriveHint(int times);
  void ForgetCalibrationFiles();
  void SetSelectorCaptions();
  void ShowScanResults();
  // The status line after a raw scan: says when the FAT geometry its
  // files are read by is only a guess, until a calibration replaces it.
  void ShowGeometryStatus();
  void SelectorClick(bool ntfs);
  void AddFolderNodes();
  void SelectFolderNode(const QModelIndex& index, bool record);
  void ShowFolderNode(const QModelIndex& index);
  void FillList(int64_t folder, bool whole);
  // The carved files of one type node, or all of them for -1.
  void FillCarvedList(int64_t type);
  // Ends the signature scan run beside the raw scan of `entry` and keeps
  // what it found that no found entry accounts for.
  void KeepCarvedFiles(physical::TPhysicalDrive& drive, physical::TPartiEntry& entry,
                       physical::carve::CarveBesideScan& carve);
  void UpdateCountsPanel();
  void UpdateHistoryButtons();
  void ShowHistoryPosition(int32_t position);
  void ClearFolderView();
  void SetBusyCursors(bool busy);
  // Enables "保存磁盘映像..." for the node chosen, or says in its tooltip
  // why not.
  void UpdateSaveImageAction();
  // Lists a disk the device table gained (a finished image) with its
  // volumes, as a new opening of the window would.
  void AddAttachedDisk(int diskIndex, const QString& logText);
  // A locked disk chosen in the disk tree: explains it and offers to open
  // it; once open it is listed as an attached disk is.
  void ChooseLockedDisk(QTreeWidgetItem* item);
  void AddLockedDiskNodes();
  void FillRecentImagesMenu();
  // The recent images are kept with the standard window's settings, so
  // both windows offer the same list.
  std::string RecentImagesFile() const;
  int SelectedRow() const;
  std::vector<int> SelectedRows() const;
  int64_t SelectedFolder() const;
  void MarkFolderRecovered(const engine::EntryHandle& folder);
  // The found FAT entry of a file-list row; null for any other item.
  const physical::FoundFatEntry* FatEntryOfRow(int row) const;
  int64_t FindFolderNode(uint64_t dirSector) const;
  void ShowBox(controls::BoxKind kind, const QString& text);

  std::unique_ptr<controls::QtMessagePump> pump_;
  std::unique_ptr<controls::QtMessageBoxes> boxes_;
  std::unique_ptr<controls::StatusBarPanel> statusPanel_;
  std::unique_ptr<controls::QtProgressBar> progress_;
  std::unique_ptr<controls::ReadErrorDisplay> readErrors_;  // while the window is open
  std::unique_ptr<physical::TPhysicalDriveList> driveList_;
  physical::TPhysicalDrive* selectedDrive_ = nullptr;  // not owning
  std::unique_ptr<controls::HexPage> hexPage_;
  std::unique_ptr<controls::TypeNameProvider> typeNames_;
  FolderTreeModel* folderModel_ = nullptr;
  RawFileListModel* fileModel_ = nullptr;
  QTreeWidgetItem* computerNode_ = nullptr;
  controls::TRecentFiles history_;
  std::array<const physical::FoundFatEntry*, 2> calibration_{};
  controls::BoxShower showBox_ = controls::ShowBox;
  controls::QuestionAsker ask_ = controls::AskYesNo;
  controls::DesktopOpener opener_;
  Choosers choosers_;
  controls::ImagingSeams imagingSeams_;
  controls::LockedDiskSeams lockedDisks_ = controls::SystemLockedDiskSeams();
  controls::OpenImageChooser chooseImage_ = controls::ChooseImageToOpen;
  std::string settingsPath_;
  int screenWidth_ = 0;
  bool shown_ = false;
  bool running_ = false;   // a long command of this window is on its way
  bool reverting_ = false;  // a refused selection change is being undone
};

}  // namespace tarnwell::advanced
