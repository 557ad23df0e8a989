#include "app/start_up.h"

#include <QFile>

#include "platform/device_table.h"

namespace tarnwell::app {

int AttachDisks(const QStringList& imagePaths, const controls::BoxShower& showBox,
                bool addBlockDevices) {
  platform::DeviceTable& table = platform::DeviceTable::Instance();
  int attached = 0;
  for (const QString& path : imagePaths) {
    std::string error;
    // File names go to the kernel in the locale's encoding, as given.
    if (table.AttachImage(QFile::encodeName(path).toStdString(), &error)) {
      ++attached;
      continue;
    }
    QString text = QStringLiteral("无法打开映像文件 '%1'。").arg(path);
    if (!error.empty()) text += QLatin1Char('\n') + QString::fromLocal8Bit(error.c_str());
    showBox(nullptr, controls::BoxKind::kError, text);
  }
  if (addBlockDevices) table.AddBlockDevices();
  return attached;
}

}  // namespace tarnwell::app
