#include "app/application_icon.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcessEnvironment>

#include "platform/program_paths.h"

namespace tarnwell::app {

QStringList DefaultHicolorFolders() {
  const QString program = QString::fromStdString(platform::ProgramDirectory());
  QStringList folders{QDir::cleanPath(program + QStringLiteral("../share/icons/hicolor")),
                      QDir::cleanPath(program + QStringLiteral("../packaging/icons"))};
  QString dataDirs = QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_DATA_DIRS"));
  if (dataDirs.isEmpty()) dataDirs = QStringLiteral("/usr/local/share:/usr/share");
  for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
    folders << QDir::cleanPath(dir + QStringLiteral("/icons/hicolor"));
  return folders;
}

QString ApplicationIconName() { return QStringLiteral(TARNWELL_APP_ID); }

QIcon ApplicationIcon(const QStringList& hicolorFolders) {
  const QString file = QStringLiteral("/apps/%1.png").arg(ApplicationIconName());
  for (const QString& folder : hicolorFolders) {
    QIcon icon;
    // Each size the theme holds, so that no window scales a small one up.
    for (const QFileInfo& size : QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      const QString path = size.filePath() + file;
      if (QFileInfo::exists(path)) icon.addFile(path, QImageReader(path).size());
    }
    if (!icon.isNull()) return icon;
  }
  return {};
}

}  // namespace tarnwell::app
