// The advanced window's "保存磁盘映像...": a disk or a partition of the disk
// tree copied to an image with its map, and the image listed afterwards
// as a disk of its own, ready to be scanned instead of the failing disk.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTreeWidget>
#include <optional>

#include "advanced/adv_main.h"
#include "controls/remembered_destination.h"
#include "advanced/disk_tree.h"
#include "controls/event_log_view.h"
#include "engine/scoped_flag.h"
#include "physical/drive_caption.h"
#include "physical/physical_drive.h"
#include "physical/physical_drive_list.h"
#include "platform/device_table.h"
#include "platform/text_codec.h"

namespace tarnwell::advanced {
namespace {

// The copy writes its log with the standard engine's icons (0 information,
// 1 stopped, 2 error); this window's log numbers them 0 progress, 1 error,
// 2 stopped.
class AdvancedLogIcons final : public engine::EventLog {
 public:
  explicit AdvancedLogIcons(controls::EventLogView& view) : view_(view) {}
  void AddLine(const std::string& text, int icon, const std::string& time) override {
    view_.AddLine(text, icon == engine::kLogError ? 1 : icon == engine::kLogStopped ? 2 : 0, time);
  }

 private:
  controls::EventLogView& view_;
};

bool CopiesAsImage(DiskNodeRole role) {
  return role == DiskNodeRole::kDrive || role == DiskNodeRole::kPartition || role == DiskNodeRole::kFound;
}

// The sectors of the device table a node stands for: a volume drive is the
// volume's range of its disk; every other entry lies on its physical disk.
std::optional<controls::ImagingTarget> TargetOf(const physical::TPhysicalDrive& drive,
                                                const physical::TPartiEntry& entry, bool driveNode) {
  controls::ImagingTarget target;
  uint64_t start = driveNode ? 0 : entry.AbsoluteStart();
  uint64_t count = driveNode ? drive.TotalSectors() : entry.SectorCount();
  int diskIndex = drive.DriveCode();
  if (drive.IsVolume()) {
    const platform::VolumeEntry* volume =
        platform::DeviceTable::Instance().FindVolume(static_cast<char>(-drive.DriveCode()));
    if (!volume) return std::nullopt;
    diskIndex = volume->diskIndex;
    if (driveNode) count = volume->sectorCount;
    start += volume->startSector;
  }
  const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(diskIndex);
  if (!disk) return std::nullopt;
  if (driveNode && !drive.IsVolume()) count = disk->sizeBytes / platform::kSectorSize;
  target.diskIndex = diskIndex;
  target.startSector = start;
  target.sectorCount = count;
  target.baseName = controls::ImageBaseName(*disk, start);
  return target;
}

}  // namespace

void TfrmAdvMain::UpdateSaveImageAction() {
  const DiskNode node = NodeOf(TreeView2->currentItem());
  const bool on = node.entry && CopiesAsImage(node.role);
  SaveImage->setEnabled(on);
  SaveImage->setToolTip(on ? QStringLiteral("把选中的磁盘或分区复制成映像文件，之后从映像中恢复文件")
                           : QStringLiteral("请在磁盘树中选择一个磁盘或分区。"));
  SaveImage->setStatusTip(SaveImage->toolTip());
}

void TfrmAdvMain::SaveImageExecute() {
  QTreeWidgetItem* item = TreeView2->currentItem();
  const DiskNode node = NodeOf(item);
  if (!item || !node.entry || !CopiesAsImage(node.role) || !driveList_ || node.driveSlot < 0 ||
      static_cast<size_t>(node.driveSlot) >= driveList_->Count() || Busy())
    return;
  const physical::TPhysicalDrive& drive = *driveList_->Items[static_cast<size_t>(node.driveSlot)];
  const bool driveNode = node.role == DiskNodeRole::kDrive;
  std::optional<controls::ImagingTarget> target = TargetOf(drive, *node.entry, driveNode);
  if (!target) {
    ShowBox(controls::BoxKind::kError, QStringLiteral("无法打开 %1 进行读取。").arg(item->text(0)));
    return;
  }
  target->caption = driveNode ? item->text(0)
                              : controls::FromSystem(physical::DriveCaption(drive)) + QStringLiteral(" / ") +
                                    item->text(0);
  controls::ImagingSeams seams = imagingSeams_;
  seams.showBox = showBox_;
  AdvancedLogIcons log(*ListView3);
  controls::ImagingOutcome outcome;
  {
    engine::ScopedFlag running(running_);
    outcome = controls::RunImagingCommand(this, QStringLiteral("保存磁盘映像"), *target, seams, &log);
  }
  if (outcome.attachedDisk >= 0) AddAttachedDisk(outcome.attachedDisk, QStringLiteral("映像已作为磁盘加入：%1"));
}

void TfrmAdvMain::AddAttachedDisk(int diskIndex, const QString& logText) {
  if (!driveList_ || !computerNode_) return;
  const physical::PhysicalWindow window{*ListView3, *boxes_, *pump_};
  // Its volumes join the volume drives, which come before the physical
  // disks, in letter order.
  for (const platform::VolumeEntry& volume : platform::DeviceTable::Instance().Volumes()) {
    const auto code = static_cast<int16_t>(-volume.letter);
    if (volume.diskIndex != diskIndex || driveList_->FindDrive(code)) continue;
    driveList_->Items.push_back(
        std::make_unique<physical::TPhysicalDrive>(physical::VolumeDriveRecord(volume.letter), window));
    const int slot = static_cast<int>(driveList_->Count()) - 1;
    physical::TPhysicalDrive& drive = *driveList_->Items.back();
    QTreeWidgetItem* node = AddPartitionNode(computerNode_, drive, slot, drive.WholeDisk());
    int position = 0;
    while (position < computerNode_->childCount() - 1) {
      const DiskNode before = NodeOf(computerNode_->child(position));
      if (before.role != DiskNodeRole::kDrive) break;  // locked disks follow the drives
      const physical::TPhysicalDrive& other = *driveList_->Items[static_cast<size_t>(before.driveSlot)];
      if (!other.IsVolume() || -other.DriveCode() > volume.letter) break;
      ++position;
    }
    computerNode_->insertChild(position, computerNode_->takeChild(computerNode_->indexOfChild(node)));
  }
  const std::optional<physical::TDriveRecord> record = physical::QueryPhysicalDriveRecord(static_cast<int16_t>(diskIndex));
  if (!record || driveList_->FindDrive(record->DriveCode)) return;
  driveList_->Items.push_back(std::make_unique<physical::TPhysicalDrive>(*record, window));
  physical::TPhysicalDrive& drive = *driveList_->Items.back();
  QTreeWidgetItem* node =
      AddPartitionNode(computerNode_, drive, static_cast<int>(driveList_->Count()) - 1, drive.WholeDisk());
  node->setExpanded(true);
  ListView3->Add(logText.arg(node->text(0)), 0);
}

std::string TfrmAdvMain::RecentImagesFile() const { return controls::SharedSettingsFile(settingsPath_); }

void TfrmAdvMain::OpenImageExecute() {
  if (Busy()) return;
  const std::vector<QString> recent = controls::ReadRecentImages(RecentImagesFile());
  const QString start = recent.empty() ? QDir::homePath() : QFileInfo(recent.front()).absolutePath();
  const QString image = chooseImage_(this, start);
  if (!image.isEmpty()) OpenImageFile(image);
}

void TfrmAdvMain::OpenImageFile(const QString& image) {
  if (Busy() || !driveList_) return;
  const int diskIndex =
      controls::AttachImageFile(this, image, showBox_, [this](const QString& line) { ListView3->Add(line, 0); });
  if (diskIndex < 0) {
    if (!QFileInfo::exists(image)) controls::ForgetRecentImage(RecentImagesFile(), image);
    return;
  }
  controls::RememberRecentImage(RecentImagesFile(), image);
  AddAttachedDisk(diskIndex, QStringLiteral("映像已作为磁盘加入：%1"));
  // The image's disk node is chosen, which offers its scan as any disk's
  // does.
  if (const auto* drive = driveList_->FindDrive(static_cast<int16_t>(diskIndex))) {
    for (int i = 0; i < computerNode_->childCount(); ++i) {
      QTreeWidgetItem* node = computerNode_->child(i);
      const DiskNode found = NodeOf(node);
      if (found.role == DiskNodeRole::kDrive && driveList_->Items[static_cast<size_t>(found.driveSlot)].get() == drive) {
        TreeView2->setCurrentItem(node);
        break;
      }
    }
  }
}

void TfrmAdvMain::FillRecentImagesMenu() {
  controls::FillRecentImagesMenu(RecentImages, controls::ReadRecentImages(RecentImagesFile()),
                                 [this](const QString& image) { OpenImageFile(image); });
}

void TfrmAdvMain::AddLockedDiskNodes() {
  const auto& disks = platform::DeviceTable::Instance().Disks();
  for (size_t i = 0; i < disks.size(); ++i) {
    if (!disks[i].needsAuthorisation) continue;
    const QString reason = controls::LockedDiskReason(disks[i], lockedDisks_.asRoot);
    AddLockedDiskNode(computerNode_, static_cast<int>(i), controls::LockedDiskCaption(disks[i]), reason);
    ListView3->Add(QStringLiteral("%1 需要授权：%2").arg(QString::fromStdString(disks[i].origin.path), reason), 2);
  }
}

void TfrmAdvMain::ChooseLockedDisk(QTreeWidgetItem* item) {
  const int diskIndex = LockedDiskIndex(item);
  const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(diskIndex);
  if (!disk) return;
  statusPanel_->SetText(platform::Utf8ToSystem(controls::LockedDiskReason(*disk, lockedDisks_.asRoot).toStdString()));
  const bool opened = controls::OfferToOpenLockedDisk(
      this, diskIndex, lockedDisks_, ask_, showBox_,
      [this](const QString& line, bool error) { ListView3->Add(line, error ? 2 : 0); });
  if (const platform::PhysicalDisk* now = platform::DeviceTable::Instance().Disk(diskIndex))
    item->setToolTip(0, controls::LockedDiskReason(*now, lockedDisks_.asRoot));
  if (!opened) return;
  statusPanel_->SetText("");
  // Hidden rather than deleted: the tree may be inside a signal for it.
  item->setData(0, Qt::UserRole, static_cast<int>(DiskNodeRole::kNone));
  item->setHidden(true);
  AddAttachedDisk(diskIndex, QStringLiteral("磁盘已加入：%1"));
}

}  // namespace tarnwell::advanced
