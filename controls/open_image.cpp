#include "controls/open_image.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <algorithm>

#include "disk/formats/attach_image.h"
#include "disk/imaging/attach_rescued_image.h"
#include "platform/device_table.h"
#include "platform/profile_file.h"

namespace tarnwell::controls {
namespace {

const std::string kRecentSection = "RecentImages";

std::string RecentKey(int index) { return "Image" + std::to_string(index + 1); }

void WriteRecentImages(const std::string& settingsPath, const std::vector<QString>& images) {
  platform::ProfileFile file(settingsPath);
  for (int i = 0; i < kMaxRecentImages; ++i) {
    const size_t at = static_cast<size_t>(i);
    file.WriteString(kRecentSection, RecentKey(i), at < images.size() ? images[at].toStdString() : std::string());
  }
}

}  // namespace

QString ChooseImageToOpen(QWidget* parent, const QString& startFolder) {
  return QFileDialog::getOpenFileName(
      parent, QStringLiteral("打开磁盘映像"), startFolder,
      QStringLiteral("磁盘映像 (*.img *.dd *.raw *.bin *.iso *.001 *.E01 *.e01 *.vhd *.vhdx *.vmdk *.qcow2);;所有文件 (*)"));
}

std::vector<QString> ReadRecentImages(const std::string& settingsPath) {
  const platform::ProfileFile file(settingsPath);
  std::vector<QString> images;
  for (int i = 0; i < kMaxRecentImages; ++i) {
    const QString image = QString::fromStdString(file.ReadString(kRecentSection, RecentKey(i), ""));
    if (!image.isEmpty() && std::find(images.begin(), images.end(), image) == images.end()) images.push_back(image);
  }
  return images;
}

void RememberRecentImage(const std::string& settingsPath, const QString& image) {
  std::vector<QString> images = ReadRecentImages(settingsPath);
  images.erase(std::remove(images.begin(), images.end(), image), images.end());
  images.insert(images.begin(), image);
  if (images.size() > static_cast<size_t>(kMaxRecentImages)) images.resize(static_cast<size_t>(kMaxRecentImages));
  WriteRecentImages(settingsPath, images);
}

void ForgetRecentImage(const std::string& settingsPath, const QString& image) {
  std::vector<QString> images = ReadRecentImages(settingsPath);
  images.erase(std::remove(images.begin(), images.end(), image), images.end());
  WriteRecentImages(settingsPath, images);
}

int AttachImageFile(QWidget* parent, const QString& image, const BoxShower& showBox,
                    const std::function<void(const QString&)>& log) {
  auto& table = platform::DeviceTable::Instance();
  const std::string path = QFile::encodeName(image).toStdString();
  const QString canonical = QFileInfo(image).canonicalFilePath();
  for (const platform::PhysicalDisk& disk : table.Disks()) {
    if (!disk.isImage || disk.origin.path.empty()) continue;
    const QString other = QFileInfo(QFile::decodeName(disk.origin.path.c_str())).canonicalFilePath();
    if (!canonical.isEmpty() && other == canonical) {
      showBox(parent, BoxKind::kInformation, QStringLiteral("映像 '%1' 已经打开，就在驱动器列表中。").arg(image));
      return -1;
    }
  }
  const size_t before = table.Disks().size();
  // A copy made from a failing disk keeps its map beside it: the sectors
  // the map does not mark as copied must fail, not read as zeros.
  const QString map = image + QStringLiteral(".map");
  const bool withMap = QFileInfo(map).isFile();
  std::string error;
  const bool attached = withMap ? disk::imaging::AttachRescuedImage(path, QFile::encodeName(map).toStdString(), &error)
                                : disk::AttachImage(path, &error);
  if (!attached || table.Disks().size() == before) {
    QString text = QStringLiteral("无法打开映像文件 '%1'。").arg(image);
    if (!error.empty()) text += QLatin1Char('\n') + QString::fromStdString(error);
    showBox(parent, BoxKind::kError, text);
    return -1;
  }
  if (log)
    log(withMap ? QStringLiteral("已打开磁盘映像 %1（按映射文件 %2，未复制的扇区读作错误）").arg(image, map)
                : QStringLiteral("已打开磁盘映像 %1").arg(image));
  return static_cast<int>(before);
}

void FillRecentImagesMenu(QMenu* menu, const std::vector<QString>& images,
                          const std::function<void(const QString&)>& open) {
  menu->clear();
  if (images.empty()) {
    menu->addAction(QStringLiteral("(无)"))->setEnabled(false);
    return;
  }
  int number = 1;
  for (const QString& image : images) {
    QAction* action = menu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(image));
    action->setData(image);
    QObject::connect(action, &QAction::triggered, menu, [open, image] { open(image); });
  }
}

}  // namespace tarnwell::controls
