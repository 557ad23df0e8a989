#include "app/start_up.h"

#include <QFile>

#include "disk/formats/attach_image.h"
#include "health/replay_drive.h"
#include "platform/device_table.h"
#include "platform/smart_device.h"

namespace tarnwell::app {

StartOptions ParseStartOptions(const QStringList& arguments) {
  static const QString kReplay = QStringLiteral("--smart-replay");
  StartOptions options;
  bool optionsEnded = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (optionsEnded) {
      options.imagePaths << argument;
    } else if (argument == QStringLiteral("--")) {
      optionsEnded = true;
    } else if (argument == kReplay) {
      if (i + 1 >= arguments.size()) {
        options.error = QStringLiteral("选项 --smart-replay 缺少记录文件名。");
        break;
      }
      options.smartReplays << arguments[++i];
    } else if (argument.startsWith(kReplay + QLatin1Char('='))) {
      options.smartReplays << argument.mid(kReplay.size() + 1);
    } else {
      options.imagePaths << argument;
    }
  }
  return options;
}

int AttachSmartReplays(const QStringList& paths, const controls::BoxShower& showBox) {
  if (paths.isEmpty()) return 0;
  // As the command-line front end does: a recorded run shows recordings
  // only, so that what the window shows does not depend on the machine.
  platform::SmartDriveTable::Instance().SetProbeDevices(false);
  int attached = 0;
  for (const QString& path : paths) {
    std::string error;
    if (health::AttachReplayFile(QFile::encodeName(path).toStdString(), &error)) {
      ++attached;
      continue;
    }
    QString text = QStringLiteral("无法读取 S.M.A.R.T. 记录文件 '%1'。").arg(path);
    if (!error.empty()) text += QLatin1Char('\n') + QString::fromLocal8Bit(error.c_str());
    showBox(nullptr, controls::BoxKind::kError, text);
  }
  return attached;
}

int AttachDisks(const QStringList& imagePaths, const controls::BoxShower& showBox,
                bool addBlockDevices) {
  platform::DeviceTable& table = platform::DeviceTable::Instance();
  int attached = 0;
  for (const QString& path : imagePaths) {
    std::string error;
    // File names go to the kernel in the locale's encoding, as given.
    if (disk::AttachImage(QFile::encodeName(path).toStdString(), &error)) {
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
