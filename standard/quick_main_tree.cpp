// The standard window's drive tree, folder tree and moving around in them.
#include <QApplication>
#include <QLabel>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "controls/event_log_view.h"
#include "controls/file_list_model.h"
#include "controls/hex_page.h"
#include "controls/properties_page.h"
#include "controls/status_bar_ex.h"
#include "controls/window_icons.h"
#include "engine/drive_list.h"
#include "engine/undelete.h"
#include "platform/device_table.h"
#include "standard/quick_main.h"

namespace tarnwell::standard {
namespace {

constexpr int kPointerRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kBuiltRole = Qt::UserRole + 2;
constexpr int kImageRole = Qt::UserRole + 3;
constexpr int kLockedDiskRole = Qt::UserRole + 4;  // device-table index + 1 of a locked disk
// Parent chains come from the disk; a corrupted one may loop.
constexpr int kMaxDepth = 4096;

QIcon NodeIcon(int normal, int selected) {
  static const std::vector<QIcon> icons = controls::FolderTreeIcons();
  QIcon icon = icons[static_cast<size_t>(normal)];
  icon.addPixmap(icons[static_cast<size_t>(selected)].pixmap(16, 16), QIcon::Selected);
  return icon;
}

void SetNodeImages(QTreeWidgetItem* node, std::pair<int, int> images) {
  node->setIcon(0, NodeIcon(images.first, images.second));
  node->setData(0, kImageRole, images.first);
}

// A node keeps its entry handle as two words.
void SetNodeEntry(QTreeWidgetItem* node, const engine::EntryHandle& entry) {
  node->setData(0, kPointerRole, QVariant::fromValue(reinterpret_cast<quintptr>(entry.Item())));
  node->setData(0, kKindRole, QVariant::fromValue(reinterpret_cast<quintptr>(entry.Kind())));
}

}  // namespace

engine::EntryHandle TfrmQuickMain::NodeEntry(QTreeWidgetItem* node) const {
  if (!node) return {};
  return engine::EntryHandle::FromParts(reinterpret_cast<const void*>(node->data(0, kKindRole).value<quintptr>()),
                                        reinterpret_cast<const void*>(node->data(0, kPointerRole).value<quintptr>()));
}

const void* TfrmQuickMain::NodeIdentity(QTreeWidgetItem* node) const {
  if (node == SearchNode) return &searchIdentity_;
  return NodeEntry(node).Item();
}

QTreeWidgetItem* TfrmQuickMain::NodeOfIdentity(const void* identity) const {
  if (!identity) return nullptr;
  if (identity == &searchIdentity_) return SearchNode;
  for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
    if (NodeEntry(*it).Item() == identity) return *it;
  return nullptr;
}

QTreeWidgetItem* TfrmQuickMain::FolderNode(const engine::EntryHandle& entry) const {
  return NodeOfIdentity(entry.Item());
}

QTreeWidgetItem* TfrmQuickMain::DriveNode(char letter) const {
  for (int i = 0; i < MyComputerNode->childCount(); ++i) {
    QTreeWidgetItem* node = MyComputerNode->child(i);
    if (node->text(0).startsWith(QChar(letter).toUpper())) return node;
  }
  return nullptr;
}


QTreeWidgetItem* TfrmQuickMain::LockedDiskNode(int diskIndex) const {
  for (int i = 0; i < MyComputerNode->childCount(); ++i)
    if (MyComputerNode->child(i)->data(0, kLockedDiskRole).toInt() == diskIndex + 1) return MyComputerNode->child(i);
  return nullptr;
}

QTreeWidgetItem* TfrmQuickMain::AddDriveNode(engine::TLogiDrive& drive, int position) {
  static const std::vector<QIcon> icons = controls::DriveTreeIcons();
  const QString caption = QString::fromStdString(drive.DriveName) + "  (" + QString::fromStdString(drive.SizeText) +
                          ")  " + controls::FromSystem(drive.VolumeLabel);
  auto* node = new QTreeWidgetItem(QStringList{caption});
  MyComputerNode->insertChild(position, node);
  node->setData(0, kPointerRole, QVariant::fromValue(reinterpret_cast<quintptr>(&drive)));
  const int image = std::clamp(drive.DriveType - 1, 1, 2);
  node->setIcon(0, icons[static_cast<size_t>(image)]);
  return node;
}

void TfrmQuickMain::FillDriveTree() {
  qDeleteAll(MyComputerNode->takeChildren());
  for (const auto& drive : engine_->Drives) AddDriveNode(*drive, MyComputerNode->childCount());
  // Disks the user may not read have no letters yet: they are listed after
  // the drives, greyed, with the reason, and can be opened from here.
  const auto& disks = platform::DeviceTable::Instance().Disks();
  for (size_t i = 0; i < disks.size(); ++i) {
    if (!disks[i].needsAuthorisation) continue;
    auto* node = new QTreeWidgetItem(MyComputerNode, QStringList{controls::LockedDiskCaption(disks[i])});
    node->setData(0, kLockedDiskRole, static_cast<int>(i) + 1);
    node->setIcon(0, controls::DriveTreeIcons()[2]);
    node->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
    const QString reason = controls::LockedDiskReason(disks[i], services_.lockedDisks.asRoot);
    node->setToolTip(0, reason);
    Log(QStringLiteral("%1 需要授权：%2").arg(QString::fromStdString(disks[i].origin.path), reason), engine::kLogError);
  }
  MyComputerNode->setExpanded(true);
}

QTreeWidgetItem* TfrmQuickMain::AddDrivesOfDisk(int diskIndex) {
  // After the drives listed so far, before the locked disks; letters
  // already shown stay as they are.
  int position = 0;
  while (position < MyComputerNode->childCount() && MyComputerNode->child(position)->data(0, kPointerRole).toULongLong())
    ++position;
  QTreeWidgetItem* first = nullptr;
  for (const platform::VolumeEntry& volume : platform::DeviceTable::Instance().Volumes()) {
    if (volume.diskIndex != diskIndex || engine_->FindDrive(volume.letter)) continue;
    std::unique_ptr<engine::TLogiDrive> drive = engine::BuildDrive(volume.letter);
    if (!drive) continue;
    QTreeWidgetItem* added = AddDriveNode(*drive, position++);
    engine_->Drives.push_back(std::move(drive));
    if (!first) first = added;
  }
  return first;
}

void TfrmQuickMain::ChooseLockedDisk(QTreeWidgetItem* node) {
  const int diskIndex = node->data(0, kLockedDiskRole).toInt() - 1;
  const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(diskIndex);
  if (!disk) return;
  // The wide panel: the reason is long. The tooltip and the log keep it.
  SetStatus(1, " " + controls::LockedDiskReason(*disk, services_.lockedDisks.asRoot));
  const bool opened = controls::OfferToOpenLockedDisk(
      this, diskIndex, services_.lockedDisks, services_.ask, services_.showBox,
      [this](const QString& line, bool error) { Log(line, error ? engine::kLogError : engine::kLogInformation); });
  if (!opened) {
    // The node stays, its tooltip now with the service's answer; the drive
    // shown so far stays chosen.
    if (const platform::PhysicalDisk* still = platform::DeviceTable::Instance().Disk(diskIndex))
      node->setToolTip(0, controls::LockedDiskReason(*still, services_.lockedDisks.asRoot));
    const QSignalBlocker block(Treeview2);
    Treeview2->setCurrentItem(shownDrive_);
    return;
  }
  QTreeWidgetItem* first = AddDrivesOfDisk(diskIndex);
  {
    // Hidden rather than deleted: the tree is inside its own signal for it.
    const QSignalBlocker block(Treeview2);
    node->setData(0, kLockedDiskRole, 0);
    node->setHidden(true);
    Treeview2->setCurrentItem(shownDrive_);
  }
  SetStatus(1, QString());
  if (first) Treeview2->setCurrentItem(first);  // scans it, as choosing a drive does
}

void TfrmQuickMain::ClearScanView() {
  treeHandlerOn_ = false;
  TreeView1->setCurrentItem(nullptr);
  qDeleteAll(ScanRootNode->takeChildren());
  qDeleteAll(SearchNode->takeChildren());
  treeHandlerOn_ = true;
  ScanRootNode->setFont(0, TreeView1->font());
  SearchNode->setFont(0, TreeView1->font());
  boldNode_ = nullptr;
  ListModel->Clear();
  ListView2->ClearValues();
  Hex->ClearHint();
  UpdateCountsPanel();
}

void TfrmQuickMain::SetRootEntry() {
  const engine::TLogiDrive& drive = *engine_->CurrentDrive;
  // FAT and exFAT: the root folder itself; NTFS: above the root "\" and
  // the lost folders.
  QString caption = QString::fromStdString(drive.DriveName);
  if (drive.IsFat()) caption += "\\";
  ScanRootNode->setText(0, caption);
  SetNodeEntry(ScanRootNode, engine_->TopEntry());
  ScanRootNode->setData(0, kBuiltRole, false);
}

QTreeWidgetItem* TfrmQuickMain::AddFolderNode(QTreeWidgetItem* parent, const engine::EntryHandle& entry) {
  auto* node = new QTreeWidgetItem(parent, QStringList{controls::FromSystem(entry.Name())});
  SetNodeEntry(node, entry);
  SetNodeImages(node, FolderTreeImages(entry));
  return node;
}

void TfrmQuickMain::AddChildFolders(QTreeWidgetItem* node, bool rebuild) {
  // Each node's children are built once: rebuilding them would delete
  // nodes that the history and the selection still refer to.
  if (!node || !engine_ || !engine_->CurrentDrive) return;
  if (node->data(0, kBuiltRole).toBool() && !rebuild) return;
  const engine::EntryHandle self = NodeEntry(node);
  if (!self) return;
  qDeleteAll(node->takeChildren());
  node->setData(0, kBuiltRole, true);
  for (const engine::EntryHandle& child : self.ChildRange()) {
    if (!child.IsFolder()) continue;
    // A folder's own "." and ".." entries are not folders below it.
    const std::string name = child.Name();
    if (name == "." || name == "..") continue;
    AddFolderNode(node, child);
  }
}

void TfrmQuickMain::AddGrandchildFolders(QTreeWidgetItem* node) {
  // No paint happens while nodes are added; turning updates off and on
  // around it would only have the whole tree, frame and scroll bars
  // included, repainted once more.
  for (int i = 0; i < node->childCount(); ++i) AddChildFolders(node->child(i));
}

void TfrmQuickMain::Treeview2Change(QTreeWidgetItem* node, bool fromUser) {
  if (!node || node == MyComputerNode || !engine_ || Busy()) return;
  if (node->data(0, kLockedDiskRole).toInt() > 0) {
    ChooseLockedDisk(node);
    return;
  }
  auto* drive = reinterpret_cast<engine::TLogiDrive*>(node->data(0, kPointerRole).value<quintptr>());
  if (!drive) return;
  SetBusyCursor(true);
  SetStatus(0, QStringLiteral(" 正在扫描 ..."));
  const QString name = QString::fromStdString(drive->DriveName);
  Log(QStringLiteral("驱动器扫描已开始    -  ") + name, engine::kLogInformation);
  Log(QStringLiteral("正在扫描驱动器 ") + name + QStringLiteral("  . . ."), engine::kLogInformation);
  // Results of the volume shown so far must not outlive a scan.
  engine_->SearchResults.clear();
  if (TreeView1->currentItem() == SearchNode) ListModel->Clear();

  // Ticks of a drive whose entries a forced scan releases go with them;
  // every other drive keeps its ticks for when it is shown again.
  ParkTicks();
  if (!fromUser) parkedTicks_.erase(drive);
  const disk::Outcome scanned = engine_->ScanVolume(*drive, !fromUser, *status1_, *progress_);
  RestoreTicks();
  UpdateTicksPanel();
  if (scanned) {
    ClearScanView();
    SetRootEntry();
    AddChildFolders(ScanRootNode);
    AddGrandchildFolders(ScanRootNode);
    history_.Clear();
    searchKey_ = -1;  // folder keys of the old scan mean nothing now
    searchPlace_.clear();
    QTreeWidgetItem* first = ScanRootNode;
    if (!drive->IsFat() && ScanRootNode->childCount() > 0) first = ScanRootNode->child(0);
    // Opened before it is made current: the view then lays the tree out
    // once, with every row, when it scrolls to the node. Made current
    // first, the tree would be laid out with its few top rows, hide its
    // scroll bar, show it again, and repaint all its rows later for the
    // changed column width.
    first->setExpanded(true);
    TreeView1->setCurrentItem(first);  // recorded in the history
    // Laid out now, not from the view's zero-delay timer: that runs after
    // the first paint of the new tree and has it painted a second time.
    TreeView1->doItemsLayout();
    shownDrive_ = node;
    if (engine_->StopRequested)
      Log(QStringLiteral("驱动器扫描被用户终止"), engine::kLogStopped);
    else
      Log(QStringLiteral("驱动器扫描已完成"), engine::kLogInformation);
    Log(QStringLiteral("已找到 %1 个条目").arg(engine_->CurrentDrive->EntryCount()),
        engine::kLogInformation);
  } else {
    // Why the scan failed goes to the log, and to a box unless the engine
    // raised one already.
    const QString why = controls::FromSystem(scanned.Text());
    Log(QStringLiteral("驱动器扫描失败: ") + why, engine::kLogError);
    if (!scanned.shown) boxes_->Error(scanned.Text());
    if (shownDrive_ && shownDrive_ != node) {
      // The engine kept the shown drive current: say so in the drive tree.
      const QSignalBlocker block(Treeview2);
      Treeview2->setCurrentItem(shownDrive_);
    }
  }
  SetStatus(0, QStringLiteral(" 目录"));
  SetBusyCursor(false);
}

void TfrmQuickMain::ScanExecute() {
  QTreeWidgetItem* node = Treeview2->currentItem();
  if (!node || node == MyComputerNode) {
    FlashDriveHint(3);
    return;
  }
  if (!Busy()) Treeview2Change(node, false);
}

void TfrmQuickMain::StopExecute() {
  if (engine_) engine_->RequestStop();
}

void TfrmQuickMain::TreeView1Change(QTreeWidgetItem* node, bool fromUser) {
  if (Busy() || !node || !engine_) return;
  if ((NodeEntry(node) && engine_->CurrentDrive) || node == SearchNode) FillFileList(node);
  UpdateCountsPanel();
  SetStatus(1, " " + GetNodePath(node));
  ShowSearchPlace();
  if (fromUser && NodeIdentity(node)) history_.Add(NodeIdentity(node));
  UpdateHistoryButtons();
  if (boldNode_ != node) {
    auto font = TreeView1->font();
    if (boldNode_) boldNode_->setFont(0, font);
    font.setBold(true);
    node->setFont(0, font);
    boldNode_ = node;
  }
}

QString TfrmQuickMain::GetNodePath(QTreeWidgetItem* node) const {
  if (!node) return {};
  QString path = node->text(0);
  for (QTreeWidgetItem* p = node->parent(); p; p = p->parent()) {
    if (p->parent() && p->text(0) != "\\") path.prepend('\\');
    path.prepend(p->text(0));
  }
  return path;
}

void TfrmQuickMain::UpdateHistoryButtons() {
  Back->setEnabled(history_.CanGoBack());
  Forward->setEnabled(history_.CanGoForward());
}

void TfrmQuickMain::ShowNodeQuietly(QTreeWidgetItem* node) {
  treeHandlerOn_ = false;
  TreeView1->setCurrentItem(node);
  treeHandlerOn_ = true;
  TreeView1Change(node, false);
}

void TfrmQuickMain::UpExecute() {
  if (Busy()) return;
  QTreeWidgetItem* node = TreeView1->currentItem();
  if (node && node->parent()) TreeView1->setCurrentItem(node->parent());
}

void TfrmQuickMain::BackExecute() {
  if (Busy() || !history_.CanGoBack()) return;
  // Every recorded position is reachable, the first (the root) included.
  if (QTreeWidgetItem* node = NodeOfIdentity(history_.GoBack())) ShowNodeQuietly(node);
  UpdateHistoryButtons();
}

void TfrmQuickMain::ForwardExecute() {
  if (Busy() || !history_.CanGoForward()) return;
  if (QTreeWidgetItem* node = NodeOfIdentity(history_.GoForward())) ShowNodeQuietly(node);
  UpdateHistoryButtons();
}

void TfrmQuickMain::RevealEntry(const engine::EntryHandle& entry) {
  if (!engine_ || !engine_->CurrentDrive) return;
  std::vector<engine::EntryHandle> chain;
  for (engine::EntryHandle e = entry; e && static_cast<int>(chain.size()) < kMaxDepth; e = e.Parent())
    chain.push_back(e);
  TreeView1->setUpdatesEnabled(false);
  QTreeWidgetItem* current = ScanRootNode;
  const engine::EntryHandle top = NodeEntry(ScanRootNode);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (*it == top) continue;  // the root node itself
    AddChildFolders(current);
    for (int i = 0; i < current->childCount(); ++i) {
      if (NodeEntry(current->child(i)) == *it) {
        current = current->child(i);
        current->setExpanded(true);
        break;
      }
    }
  }
  if (current->data(0, kImageRole).toInt() == 6 && engine_->CurrentDrive->IsFat()) {
    SetNodeImages(current, {4, 5});
    AddChildFolders(current, true);
    current->setExpanded(true);
  }
  TreeView1->setUpdatesEnabled(true);
  TreeView1->setCurrentItem(current);
  TreeView1->scrollToItem(current);
}

void TfrmQuickMain::ListView1DblClick() {
  const std::vector<int> rows = SelectedRows();
  QTreeWidgetItem* node = TreeView1->currentItem();
  if (rows.size() != 1 || !node || Busy()) return;
  const controls::FileRow& row = ListModel->Row(rows[0]);
  if (row.image > kImageDeletedFolder) return;
  const engine::EntryHandle entry = HandleOfRow(row);
  if (node == SearchNode) {
    RevealEntry(entry);
    return;
  }
  AddChildFolders(node);
  for (int i = 0; i < node->childCount(); ++i) {
    if (NodeEntry(node->child(i)) == entry) {
      TreeView1->setCurrentItem(node->child(i));
      node->child(i)->setExpanded(true);
      return;
    }
  }
}

void TfrmQuickMain::Openparentdirectory1Click() {
  const std::vector<int> rows = SelectedRows();
  if (Busy() || rows.empty() || TreeView1->currentItem() != SearchNode) return;
  RevealEntry(RowEntry(rows[0]).Parent());
}

void TfrmQuickMain::acScan32Execute() {
  if (!engine_ || !engine_->CurrentDrive || Busy() || !NodeEntry(ScanRootNode)) return;
  if (engine_->CurrentDrive->FsKind != engine::kFat32) {
    services_.showBox(this, controls::BoxKind::kError,
                      QStringLiteral("“扫描 32”只能用于 FAT32 文件系统。"));
    return;
  }
  const std::vector<int> rows = SelectedRows();
  if (rows.empty() || ListModel->Row(rows[0]).image != kImageDamagedFolder) {
    services_.showBox(this, controls::BoxKind::kInformation,
                      QStringLiteral("请先在文件列表中选择一个损坏的目录，再使用“扫描 32”。"));
    return;
  }
  const engine::EntryHandle entry = RowEntry(rows[0]);
  SetBusyCursor(true);
  QCoreApplication::processEvents();
  SetStatus(0, QStringLiteral(" 正在扫描 ..."));
  QCoreApplication::processEvents();
  if (engine_->RescanDamagedFolder(entry, *status1_)) RevealEntry(entry);
  SetStatus(0, QStringLiteral(" 目录"));
  SetStatus(1, " " + GetNodePath(TreeView1->currentItem()));
  SetBusyCursor(false);
}

}  // namespace tarnwell::standard
