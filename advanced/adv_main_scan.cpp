// The advanced window's disk tree commands: choosing an entry, the scan
// (with the signature scan beside it when asked), the smart scan, stop,
// and the FAT/NTFS selector with the folder nodes.
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <limits>

#include "advanced/adv_main.h"
#include "advanced/carved_rows.h"
#include "advanced/disk_tree.h"
#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "controls/event_log_view.h"
#include "engine/scoped_flag.h"
#include "physical/busy_scope.h"
#include "physical/carve/carve_beside_scan.h"
#include "physical/partition_search.h"
#include "physical/physical_drive_list.h"
#include "physical/raw/raw_scan.h"
#include "platform/text_codec.h"
#include "controls/scanmode.h"

namespace tarnwell::advanced {

bool TfrmAdvMain::Busy() const { return running_ || (selectedDrive_ && selectedDrive_->Busy); }

bool TfrmAdvMain::HoldsScanResults() const {
  if (!driveList_) return false;
  for (const auto& drive : driveList_->Items) {
    if (!drive->FoundPartitions.empty()) return true;
    for (const auto& p : drive->Partitions)
      if (!p->FatEntries.empty() || !p->NtfsRecords.empty() || !p->CarvedFiles.empty()) return true;
  }
  return false;
}

physical::TPartiEntry* TfrmAdvMain::CurrentPartition() const {
  return selectedDrive_ ? selectedDrive_->CurrentPartition : nullptr;
}

bool TfrmAdvMain::NtfsSelected() const { return RadioButton2->isChecked(); }

void TfrmAdvMain::SetBusyCursors(bool busy) {
  for (QWidget* w : {static_cast<QWidget*>(TreeView1), static_cast<QWidget*>(ListView1),
                     static_cast<QWidget*>(TreeView2)}) {
    if (busy) w->setCursor(Qt::WaitCursor);
    else w->unsetCursor();
  }
}

void TfrmAdvMain::ForgetCalibrationFiles() {
  calibration_ = {};
  Edit2->setText(QStringLiteral("请拖动一个文件到此处"));
  Edit3->setText(QStringLiteral("请拖动另一个文件到此处"));
}

void TfrmAdvMain::SetSelectorCaptions() {
  const physical::TPartiEntry* p = CurrentPartition();
  const size_t fat = p ? p->FatEntries.size() : 0, ntfs = p ? p->NtfsRecords.size() : 0;
  RadioButton1->setText(QStringLiteral("%1 个 FAT 条目").arg(fat));
  RadioButton2->setText(QStringLiteral("%1 个 NTFS 条目").arg(ntfs));
}

void TfrmAdvMain::ClearFolderView() {
  ListView1->setUpdatesEnabled(false);
  folderModel_->SetFolderCount(0);
  folderModel_->SetCarvedTypes({});
  fileModel_->ClearRows();
  history_ = controls::TRecentFiles();
  ListView1->setUpdatesEnabled(true);
  UpdateCountsPanel();
  UpdateHistoryButtons();
}

void TfrmAdvMain::AddFolderNodes() {
  const physical::TPartiEntry* p = CurrentPartition();
  const size_t n = !p ? 0 : NtfsSelected() ? p->ParentRefs.size() : p->DirSectors.size();
  TreeView1->setUpdatesEnabled(false);
  // Positions recorded before point at nodes of the old list.
  history_ = controls::TRecentFiles();
  // The raw scan files the entries no found folder owns under one key,
  // listed last.
  const bool lost = p && !NtfsSelected() && n > 0 && p->DirSectors.back() == physical::kLostEntriesSector;
  folderModel_->SetFolderCount(n, lost);
  // The files found by type are the same on either side of the selector.
  folderModel_->SetCarvedTypes(p ? CarvedTypeNodes(p->CarvedFiles) : std::vector<CarvedTypeNode>{});
  TreeView1->expand(folderModel_->ScanRootIndex());
  if (folderModel_->CarvedRootIndex().isValid()) TreeView1->expand(folderModel_->CarvedRootIndex());
  TreeView1->setUpdatesEnabled(true);
}

// Shows the results of the current partition: the selector on the side
// with more entries (FAT on a tie), the folder nodes, the first folder.
void TfrmAdvMain::ShowScanResults() {
  const physical::TPartiEntry* p = CurrentPartition();
  if (!p) return;
  const bool ntfs = p->FatEntries.size() < p->NtfsRecords.size();
  (ntfs ? RadioButton2 : RadioButton1)->setChecked(true);
  AddFolderNodes();
  if (folderModel_->FolderCount() > 0) {
    SelectFolderNode(folderModel_->FolderIndex(0), false);
    history_.Add(folderModel_->AbsoluteIndex(folderModel_->FolderIndex(0)));
    statusPanel_->SetText(ntfs ? platform::SystemText(" 正在列出 NTFS 文件 ...")
                               : platform::SystemText(" 正在列出 FAT 文件 ..."));
    FillList(0, false);
  } else if (const QModelIndex carved = folderModel_->CarvedRootIndex(); carved.isValid()) {
    // Only files found by type: they are what there is to show.
    SelectFolderNode(carved, false);
    history_.Add(folderModel_->AbsoluteIndex(carved));
    FillCarvedList(-1);
  } else {
    fileModel_->ClearRows();
    UpdateCountsPanel();
  }
  UpdateHistoryButtons();
}

void TfrmAdvMain::TreeView2Changing(QTreeWidgetItem* now, QTreeWidgetItem* before) {
  if (reverting_) return;
  const DiskNode node = NodeOf(now);
  if (Busy() || !node.entry) {
    reverting_ = true;
    TreeView2->setCurrentItem(before);
    reverting_ = false;
    if (!Busy() && node.role == DiskNodeRole::kLocked) ChooseLockedDisk(now);
    return;
  }
  TreeView2Click();
}

void TfrmAdvMain::TreeView2Click() {
  const DiskNode node = NodeOf(TreeView2->currentItem());
  if (!node.entry || !driveList_ || node.driveSlot < 0 ||
      static_cast<size_t>(node.driveSlot) >= driveList_->Count() || Busy())
    return;
  physical::TPhysicalDrive* drive = driveList_->Items[static_cast<size_t>(node.driveSlot)].get();
  if (drive == selectedDrive_ && drive->CurrentPartition == node.entry) return;
  statusPanel_->SetText("");
  ForgetCalibrationFiles();
  selectedDrive_ = drive;
  drive->CurrentPartition = node.entry;
  if (node.role == DiskNodeRole::kDrive && !drive->IsVolume() && !node.entry->Scanned) {
    const int mode = choosers_.scanMode(this);
    if (mode == controls::kScanModeSmart) PartiScanExecute();
    else if (mode == controls::kScanModeNormal) ScanExecute();
  } else if (!node.entry->Scanned) {
    ScanExecute();
  }
  // The user may have chosen another entry while the scan pumped events:
  // show what is current now.
  if (selectedDrive_ != drive || drive->CurrentPartition != node.entry) return;
  SetSelectorCaptions();
  ShowScanResults();
  ShowGeometryStatus();
}

void TfrmAdvMain::ScanExecute() {
  QTreeWidgetItem* item = TreeView2->currentItem();
  if (!item) {
    FlashDriveHint(3);
    return;
  }
  const DiskNode node = NodeOf(item);
  if (!node.entry || !driveList_ || node.driveSlot < 0 ||
      static_cast<size_t>(node.driveSlot) >= driveList_->Count() || Busy())
    return;
  physical::TPhysicalDrive& drive = *driveList_->Items[static_cast<size_t>(node.driveSlot)];
  selectedDrive_ = &drive;
  engine::ScopedFlag running(running_);
  ClearFolderView();
  SetBusyCursors(true);
  ForgetCalibrationFiles();
  statusPanel_->SetText(platform::SystemText(" 正在扫描 ..."));
  node.entry->CarvedFiles = {};
  // The signature scan looks at the chunks the landmark pass reads: one
  // read of the disk serves both. A disk that cannot be opened is said by
  // the scan itself.
  std::optional<physical::carve::CarveBesideScan> carve;
  if (FindByType->isChecked())
    carve = physical::carve::PrepareCarveBesideScan(*node.entry, physical::carve::kAllFamilies);
  // A source that shrank under the scan was said in the log and a box;
  // what was found before it is shown all the same.
  if (!physical::raw::NothingScanned(
          physical::raw::ScanRange(drive, *node.entry, *progress_, carve ? carve->scanner.get() : nullptr))) {
    statusPanel_->SetText(platform::SystemText(" 正在获取 FAT 数据 ..."));
    physical::raw::ReadFatDirectories(drive, *progress_);
    statusPanel_->SetText(platform::SystemText(" 正在获取 NTFS 数据 ..."));
    physical::raw::ReadNtfsRecords(drive, *progress_);
    const physical::TPartiEntry& p = *node.entry;
    SetSelectorCaptions();
    ListView3->Add(QStringLiteral("找到 %1 个 FAT 条目，%2 个 NTFS 条目").arg(p.FatEntries.size()).arg(p.NtfsRecords.size()),
                   0);
    if (carve) KeepCarvedFiles(drive, *node.entry, *carve);
    ShowScanResults();
    if (!p.FatEntries.empty() && !p.NtfsRecords.empty())
      ShowBox(controls::BoxKind::kInformation,
              QStringLiteral("找到 %1 个 FAT 条目，%2 个 NTFS 条目。\n\n请使用“文件系统选择器”选择一种要显示的 \n文件系统。")
                  .arg(p.FatEntries.size())
                  .arg(p.NtfsRecords.size()));
  }
  ShowGeometryStatus();
  SetBusyCursors(false);
}

void TfrmAdvMain::KeepCarvedFiles(physical::TPhysicalDrive& drive, physical::TPartiEntry& entry,
                                  physical::carve::CarveBesideScan& carve) {
  statusPanel_->SetText(platform::SystemText(" 正在按文件类型整理 ..."));
  size_t named = 0;
  {
    // Joining damaged pictures reads the disk again: the stop command is
    // heard meanwhile.
    const physical::BusyScope busy(drive, *progress_);
    named = physical::carve::FinishCarveBesideScan(carve, entry, *pump_, drive.StopRequested);
  }
  entry.CarvedFiles = std::move(carve.scanner->Files());
  if (carve.scanner->Counts().full)
    ListView3->Add(QStringLiteral("按文件类型找到的文件已达上限，其后的部分未再查找"), physical::kLogFailure);
  QString found = QStringLiteral("按文件类型找到 %1 个文件").arg(entry.CarvedFiles.size());
  if (named > 0) found += QStringLiteral("，另有 %1 个已由找到的条目给出").arg(named);
  ListView3->Add(found, 0);
}

void TfrmAdvMain::ShowGeometryStatus() {
  const physical::TPartiEntry* p = CurrentPartition();
  const bool guessed = p && p->Scanned && !p->FatEntries.empty() &&
                       p->FatGeometryFrom == physical::FatGeometrySource::kGuessed;
  statusPanel_->SetText(guessed ? platform::SystemText(" FAT 参数按卷大小猜测，恢复的文件未经验证，请用“校正”页校正")
                                : std::string());
}

void TfrmAdvMain::PartiScanExecute() {
  QTreeWidgetItem* item = TreeView2->currentItem();
  if (!item || !driveList_ || Busy()) return;
  const DiskNode node = NodeOf(item);
  physical::TPhysicalDrive* drive =
      node.driveSlot >= 0 && static_cast<size_t>(node.driveSlot) < driveList_->Count()
          ? driveList_->Items[static_cast<size_t>(node.driveSlot)].get()
          : nullptr;
  if (node.role != DiskNodeRole::kDrive || !drive || drive->IsVolume() || !node.entry->IsExtended()) {
    ShowBox(controls::BoxKind::kWarning,
            QStringLiteral("您应该指定一个物理驱动器已进行扫描。\n\n智能扫描: 从物理驱动器中找回丢失的分区。"));
    return;
  }
  const uint64_t total = drive->TotalSectors();
  int64_t start = 0, count = 0;
  if (!choosers_.scanRange(this, total, &start, &count)) return;
  selectedDrive_ = drive;
  engine::ScopedFlag running(running_);
  statusPanel_->SetText(platform::SystemText(" 正在扫描 ..."));
  SetBusyCursors(true);
  physical::SearchPartitions(*drive, *node.entry, *progress_, count, static_cast<uint64_t>(std::max<int64_t>(start, 0)));
  if (!drive->FoundPartitions.empty()) {
    QTreeWidgetItem* lost = ResetLostPartitionNode(item);
    ListView3->Add(QStringLiteral("已找到 %1 个丢失的分区").arg(drive->FoundPartitions.size()), 0);
    for (const auto& found : drive->FoundPartitions) AddPartitionNode(lost, *drive, node.driveSlot, *found);
    lost->setExpanded(true);
  }
  statusPanel_->SetText("");
  SetBusyCursors(false);
}

void TfrmAdvMain::StopExecute() {
  if (selectedDrive_) selectedDrive_->RequestStop();
}

void TfrmAdvMain::RadioButton1Click() { SelectorClick(false); }

void TfrmAdvMain::RadioButton2Click() { SelectorClick(true); }

void TfrmAdvMain::SelectorClick(bool ntfs) {
  if (Busy()) {
    // Refused: the side the running command works on stays shown.
    (ntfs ? RadioButton1 : RadioButton2)->setChecked(true);
    return;
  }
  if (!selectedDrive_ || !CurrentPartition()) return;
  if (ntfs) ForgetCalibrationFiles();
  AddFolderNodes();
  if (folderModel_->FolderCount() > 0) {
    SelectFolderNode(folderModel_->FolderIndex(0), true);
  } else {
    fileModel_->ClearRows();
    UpdateCountsPanel();
  }
  UpdateHistoryButtons();
}

}  // namespace tarnwell::advanced
