// The health window's "创建磁盘映像...": a drive whose verdict is warning or
// danger is copied to an image first, good areas before bad ones, so that
// the recovery windows can work on the image instead of the dying disk.
#include <QAction>
#include <QComboBox>

#include "health/drive_identity_text.h"
#include "health/window/smart_main.h"
#include "platform/device_table.h"
#include "platform/smart_device.h"
#include "platform/text_codec.h"

namespace tarnwell::health::window {
namespace {

constexpr int kVerdictWarning = 1;

const char* const kImageHint = "先把该硬盘复制成映像文件 (好的区域先读，坏的区域留到最后)，再从映像中恢复文件";

}  // namespace

int DiskOfSmartDrive(uint8_t drive) {
  // Drives of the S.M.A.R.T. table are the machine's disks by their kernel
  // names; a recorded drive's name is its file and matches no disk.
  const std::string name = platform::SmartDriveTable::Instance().DriveName(drive);
  const std::vector<platform::PhysicalDisk>& disks = platform::DeviceTable::Instance().Disks();
  for (size_t i = 0; i < disks.size(); ++i)
    if (!disks[i].isImage && disks[i].name == name) return static_cast<int>(i);
  return -1;
}

int TfrmSmart::ChosenDisk() const {
  const int index = ComboBox1 ? ComboBox1->currentIndex() : -1;
  if (index < 0 || static_cast<size_t>(index) >= DriveIdentities.size()) return -1;
  return diskOf_ ? diskOf_(DriveIdentities[static_cast<size_t>(index)].DriveNumber()) : -1;
}

void TfrmSmart::UpdateImageAction(int verdict) {
  QString reason;
  if (verdict < 0) {
    reason = QStringLiteral("该驱动器没有 S.M.A.R.T. 报告。");
  } else if (verdict < kVerdictWarning) {
    reason = QStringLiteral("该硬盘状态良好：只有处于警告或危险状态的硬盘才需要先复制成映像。");
  } else {
    const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(ChosenDisk());
    if (!disk) reason = QStringLiteral("磁盘列表中没有该驱动器，无法读取它。");
    else if (disk->needsAuthorisation) reason = QStringLiteral("没有读取该驱动器的权限。");
  }
  ImageAction->setEnabled(reason.isEmpty());
  ImageAction->setToolTip(reason.isEmpty() ? QString::fromUtf8(kImageHint) : reason);
  ImageAction->setStatusTip(ImageAction->toolTip());
}

void TfrmSmart::ImageExecute() {
  if (!ImageAction->isEnabled()) return;
  const int diskIndex = ChosenDisk();
  const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(diskIndex);
  if (!disk) return;
  const TDriveIdentity& identity = DriveIdentities[static_cast<size_t>(ComboBox1->currentIndex())];
  controls::ImagingTarget target;
  target.diskIndex = diskIndex;
  target.sectorCount = disk->sizeBytes / platform::kSectorSize;
  target.caption = QStringLiteral("%1 (%2)").arg(
      QString::fromStdString(PrintableDriveText(platform::SystemToUtf8(ModelEntryText(identity)))).trimmed(),
      QString::fromStdString(platform::DiskKindText(*disk)));
  target.baseName = controls::ImageBaseName(*disk, 0);
  controls::ImagingSeams seams = imagingSeams_;
  seams.showBox = showBox_;
  (void)controls::RunImagingCommand(this, QStringLiteral("创建磁盘映像"), target, seams);
}

}  // namespace tarnwell::health::window
