#include "controls/imaging_command.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <filesystem>

#include "controls/imaging_dialog.h"
#include "disk/imaging/attach_rescued_image.h"
#include "disk/imaging/disk_imager.h"
#include "disk/imaging/imaging_report.h"
#include "disk/imaging/imaging_source.h"
#include "platform/device_table.h"

namespace tarnwell::controls {
namespace {

// Names tried before the plain name is offered whatever stands there.
constexpr int kMaxNameTries = 1000;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

// Whether the device table holds this file already (a copy that was
// finished and attached, run again to retry its bad sectors): attaching it
// twice would list one image as two disks.
bool AttachedAlready(const std::string& path) {
  struct stat image {};
  if (::stat(path.c_str(), &image) != 0) return false;
  for (const platform::PhysicalDisk& disk : platform::DeviceTable::Instance().Disks()) {
    struct stat st {};
    if (!disk.origin.path.empty() && ::stat(disk.origin.path.c_str(), &st) == 0 && st.st_dev == image.st_dev &&
        st.st_ino == image.st_ino)
      return true;
  }
  return false;
}

QString SummaryText(const disk::imaging::ImagingResult& result, const std::string& image, const std::string& map) {
  return FromSystem(disk::imaging::ImagingSummaryText(result)) +
         QStringLiteral("\n\n映像文件：%1\n映射文件：%2").arg(FromUtf8(image), FromUtf8(map));
}

}  // namespace

bool ChooseImageFile(QWidget* parent, const QString& suggested, std::string* path) {
  const QString chosen = QFileDialog::getSaveFileName(parent, QStringLiteral("选择映像文件"), suggested,
                                                      QStringLiteral("磁盘映像 (*.img);;所有文件 (*)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
  if (chosen.isEmpty()) return false;
  *path = QFile::encodeName(chosen).toStdString();
  return true;
}

std::string ImageBaseName(const platform::PhysicalDisk& disk, uint64_t startSector) {
  std::string base = disk.isImage ? std::filesystem::path(disk.name).stem().string() : disk.name;
  for (char& c : base)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
  if (base.empty() || base == "." || base == "..") base = "disk";
  if (startSector > 0) base += "-" + std::to_string(startSector);
  return base;
}

std::string SuggestedImagePath(const std::string& folder, const std::string& baseName) {
  const std::string stem = folder + "/" + baseName;
  for (int n = 0; n < kMaxNameTries; ++n) {
    const std::string path = n == 0 ? stem + ".img" : stem + "_" + std::to_string(n) + ".img";
    const bool image = Exists(path), map = Exists(disk::imaging::DefaultMapPath(path));
    if (image == map) return path;  // free, or a copy to go on with
  }
  return stem + ".img";
}

ImagingOutcome RunImagingCommand(QWidget* parent, const QString& title, const ImagingTarget& target,
                                 const ImagingSeams& seams, engine::EventLog* log) {
  ImagingOutcome outcome;
  const auto box = [&](BoxKind kind, const QString& text) { seams.showBox(parent, kind, text); };
  const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(target.diskIndex);
  if (disk && disk->needsAuthorisation) {
    box(BoxKind::kError, QStringLiteral("没有读取 %1 的权限，无法复制。").arg(target.caption));
    return outcome;
  }
  std::optional<disk::imaging::ImagingSource> source =
      disk ? disk::imaging::OpenDiskForImaging(target.diskIndex, target.startSector, target.sectorCount)
           : std::nullopt;
  if (!source) {
    box(BoxKind::kError, QStringLiteral("无法打开 %1 进行读取。").arg(target.caption));
    return outcome;
  }

  const std::string home = QFile::encodeName(QDir::homePath()).toStdString();
  std::string imagePath;
  if (!seams.chooseFile(parent, FromUtf8(SuggestedImagePath(home, target.baseName)), &imagePath)) return outcome;

  disk::imaging::ImagingRequest request;
  request.sourceSpot = source->spot;
  request.imagePath = imagePath;
  request.mapPath = disk::imaging::DefaultMapPath(imagePath);
  request.passes = seams.passes;
  std::unique_ptr<disk::SectorSource> sectors = std::move(source->sectors);
  if (seams.wrapSource) sectors = seams.wrapSource(std::move(sectors));
  request.source = sectors.get();

  TfrmImaging dialog(parent, title, target.caption, FromUtf8(imagePath));
  if (seams.dialogShown)
    QObject::connect(&dialog, &TfrmImaging::Shown, &dialog, [&dialog, &seams] { seams.dialogShown(dialog); });
  const disk::imaging::ImagingResult result = dialog.Run(request, std::move(sectors), log);
  if (result.Failed()) {
    // Refused before it began, or a write that failed (the map keeps what
    // was copied until then).
    box(BoxKind::kError, FromSystem(disk::imaging::ImagingFaultText(result)));
    return outcome;
  }

  QString text = SummaryText(result, request.imagePath, request.mapPath);
  outcome.stopped = result.stopped;
  outcome.copied = !result.stopped;
  if (result.stopped) {
    text += QStringLiteral("\n\n再次复制同一个源到同一个映像文件，即从映射文件记下的位置继续。");
    box(BoxKind::kWarning, text);
    return outcome;
  }
  std::string error;
  if (AttachedAlready(imagePath)) {
    text += QStringLiteral("\n\n该映像已在磁盘列表中。");
  } else if (disk::imaging::AttachRescuedImage(imagePath, request.mapPath, &error)) {
    outcome.attachedDisk = static_cast<int>(platform::DeviceTable::Instance().Disks().size()) - 1;
    text += QStringLiteral("\n\n映像已作为磁盘加入磁盘列表；复制时未能读出的扇区，从映像读取时同样会失败。");
  } else {
    text += QStringLiteral("\n\n无法把映像作为磁盘加入：%1").arg(FromUtf8(error));
  }
  box(result.Complete() ? BoxKind::kInformation : BoxKind::kWarning, text);
  return outcome;
}

}  // namespace tarnwell::controls
