#include "app/start_up.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <optional>

#include "disk/formats/attach_image.h"
#include "disk/imaging/attach_rescued_image.h"
#include "health/replay_drive.h"
#include "platform/device_table.h"
#include "platform/smart_device.h"

namespace tarnwell::app {

namespace {

// The value of `option` at arguments[i] ("OPTION VALUE" or "OPTION=VALUE",
// i moved past it); nullopt when the argument is another one. A missing
// value is an empty string.
std::optional<QString> OptionValue(const QStringList& arguments, qsizetype& i, const QString& option) {
  const QString& argument = arguments[i];
  if (argument == option) return i + 1 < arguments.size() ? arguments[++i] : QString();
  if (argument.startsWith(option + QLatin1Char('='))) return argument.mid(option.size() + 1);
  return std::nullopt;
}

}  // namespace

StartOptions ParseStartOptions(const QStringList& arguments) {
  StartOptions options;
  bool optionsEnded = false;
  for (qsizetype i = 0; i < arguments.size() && options.error.isEmpty(); ++i) {
    const QString& argument = arguments[i];
    if (optionsEnded) {
      options.imagePaths << argument;
      options.imageMaps << QString();
    } else if (argument == QStringLiteral("--")) {
      optionsEnded = true;
    } else if (const auto replay = OptionValue(arguments, i, QStringLiteral("--smart-replay"))) {
      if (replay->isEmpty()) options.error = QStringLiteral("选项 --smart-replay 缺少记录文件名。");
      else options.smartReplays << *replay;
    } else if (const auto map = OptionValue(arguments, i, QStringLiteral("--map"))) {
      if (map->isEmpty()) options.error = QStringLiteral("选项 --map 缺少映射文件名。");
      else if (options.imageMaps.isEmpty() || !options.imageMaps.back().isEmpty())
        options.error = QStringLiteral("选项 --map 应紧跟在它所描述的映像文件之后。");
      else options.imageMaps.back() = *map;
    } else {
      options.imagePaths << argument;
      options.imageMaps << QString();
    }
  }
  return options;
}

bool InstallQtTranslations(QCoreApplication& application, const QString& folder) {
  const QString where = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  // qtbase holds the widgets' and dialogs' texts; the application owns the
  // translator for as long as it runs.
  auto* translator = new QTranslator(&application);
  if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                        QStringLiteral("_"), where)) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
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
                bool addBlockDevices, const QStringList& imageMaps) {
  platform::DeviceTable& table = platform::DeviceTable::Instance();
  int attached = 0;
  for (qsizetype i = 0; i < imagePaths.size(); ++i) {
    const QString& path = imagePaths[i];
    const QString map = i < imageMaps.size() ? imageMaps[i] : QString();
    std::string error;
    // File names go to the kernel in the locale's encoding, as given.
    const std::string image = QFile::encodeName(path).toStdString();
    if (map.isEmpty() ? disk::AttachImage(image, &error)
                      : disk::imaging::AttachRescuedImage(image, QFile::encodeName(map).toStdString(), &error)) {
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
