#include "controls/type_names.h"

#include <QLocale>
#include <QMimeDatabase>

namespace tarnwell::controls {

QString FileExtension(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(u'.');
  return dot < 0 ? QString() : fileName.mid(dot + 1);
}

QString FallbackTypeName(const QString& fileName) {
  const QString ext = FileExtension(fileName).trimmed();
  if (ext.isEmpty()) return QStringLiteral("文件");
  return ext.toUpper() + QStringLiteral(" 文件");
}

QString MimeTypeNames::Describe(const QString& mimeName) {
  const QMimeType type = QMimeDatabase().mimeTypeForName(mimeName);
  if (!type.isValid()) return {};
  // The database's comments follow the default locale; the windows are
  // Chinese whatever the desktop's language, so ask in Chinese and put the
  // default back at once.
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  const QString comment = type.comment();
  // A type the database has no Chinese name for answers in English
  // ("Media playlist"); the caller's "M3U 文件" reads better among
  // Chinese captions.
  QLocale::setDefault(QLocale::c());
  const QString english = type.comment();
  QLocale::setDefault(saved);
  return comment == english ? QString() : comment;
}

QString MimeTypeNames::FileTypeName(const QString& fileName) {
  const QString ext = FileExtension(fileName).toLower();
  if (ext.isEmpty()) return FallbackTypeName(fileName);
  if (const auto found = byExtension_.constFind(ext); found != byExtension_.cend()) {
    return found->isEmpty() ? FallbackTypeName(fileName) : *found;
  }
  QString name;
  const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(QStringLiteral("a.") + ext);
  if (!types.isEmpty() && !types.front().isDefault()) name = Describe(types.front().name());
  byExtension_.insert(ext, name);
  return name.isEmpty() ? FallbackTypeName(fileName) : name;
}

QString MimeTypeNames::FolderTypeName() {
  if (folder_.isEmpty()) folder_ = Describe(QStringLiteral("inode/directory"));
  if (folder_.isEmpty()) folder_ = QStringLiteral("文件夹");
  return folder_;
}

std::unique_ptr<TypeNameProvider> DefaultTypeNames() { return std::make_unique<MimeTypeNames>(); }

}  // namespace tarnwell::controls
