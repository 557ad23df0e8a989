// "打开磁盘映像..." and the recent images of the standard window.
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTreeWidget>

#include "controls/event_log_view.h"
#include "standard/quick_main.h"

namespace tarnwell::standard {

void TfrmQuickMain::OpenImageExecute() {
  if (Busy()) return;
  const std::vector<QString> recent = controls::ReadRecentImages(services_.settingsPath);
  const QString start = recent.empty() ? QDir::homePath() : QFileInfo(recent.front()).absolutePath();
  const QString image = services_.chooseImage(this, start);
  if (!image.isEmpty()) OpenImageFile(image);
}

void TfrmQuickMain::OpenImageFile(const QString& image) {
  if (Busy() || !engine_) return;
  const int diskIndex = controls::AttachImageFile(this, image, services_.showBox,
                                                  [this](const QString& line) { Log(line, engine::kLogInformation); });
  if (diskIndex < 0) {
    // A listed image that is gone leaves the list; one that is merely
    // refused stays, so the user can see what was tried.
    if (!QFileInfo::exists(image)) controls::ForgetRecentImage(services_.settingsPath, image);
    return;
  }
  controls::RememberRecentImage(services_.settingsPath, image);
  QTreeWidgetItem* first = AddDrivesOfDisk(diskIndex);
  if (!first) {
    services_.showBox(this, controls::BoxKind::kWarning,
                      QStringLiteral("映像 '%1' 已打开，但没有可以分配驱动器号的卷。请用高级恢复扫描它。").arg(image));
    return;
  }
  Treeview2->setCurrentItem(first);  // scans it, as choosing a drive does
}

void TfrmQuickMain::FillRecentImagesMenu() {
  controls::FillRecentImagesMenu(RecentImages, controls::ReadRecentImages(services_.settingsPath),
                                 [this](const QString& image) { OpenImageFile(image); });
}

}  // namespace tarnwell::standard
