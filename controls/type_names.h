#pragma once
// The "type" column of the file lists: a description of a file's kind by
// its name, and the one text all folders share. Windows take the provider
// as a parameter so that tests do not depend on the machine's MIME data.
#include <QHash>
#include <QString>
#include <memory>

namespace tarnwell::controls {

class TypeNameProvider {
 public:
  virtual ~TypeNameProvider() = default;
  virtual QString FileTypeName(const QString& fileName) = 0;
  virtual QString FolderTypeName() = 0;
};

// What is shown when nothing is known of a kind: the extension in capitals
// followed by " 文件", or "文件" alone without an extension.
QString FallbackTypeName(const QString& fileName);

// The extension after the last dot, as written; empty without one.
QString FileExtension(const QString& fileName);

// The freedesktop shared MIME database, with Chinese descriptions where it
// has them. Looked up once per extension.
class MimeTypeNames final : public TypeNameProvider {
 public:
  QString FileTypeName(const QString& fileName) override;
  QString FolderTypeName() override;

 private:
  QString Describe(const QString& mimeName);
  QHash<QString, QString> byExtension_;
  QString folder_;
};

// Only the fallback names, for tests and for machines without MIME data.
class PlainTypeNames final : public TypeNameProvider {
 public:
  QString FileTypeName(const QString& fileName) override { return FallbackTypeName(fileName); }
  QString FolderTypeName() override { return QStringLiteral("文件夹"); }
};

std::unique_ptr<TypeNameProvider> DefaultTypeNames();

}  // namespace tarnwell::controls
