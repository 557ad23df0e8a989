// Qt's own texts (file chooser, context menus, standard buttons) speak the
// captions' language once the program has started.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/start_up.h"

namespace tarnwell::app {
namespace {

bool HasChinese(const QString& text) {
  for (const QChar c : text)
    if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
  return false;
}

// Takes the translators a test installed out again, so that other tests
// see Qt's English texts as before.
struct TranslatorsRemoved {
  ~TranslatorsRemoved() {
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
      QCoreApplication::removeTranslator(translator);
      delete translator;
    }
  }
};

TEST(QtTranslations, QtsOwnTextsAreChinese) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!QFile::exists(folder + QStringLiteral("/qtbase_zh_CN.qm")))
    GTEST_SKIP() << "Qt's zh_CN catalogue is not installed here (Debian package qt6-translations-l10n)";
  TranslatorsRemoved cleanup;
  ASSERT_TRUE(InstallQtTranslations(*qApp));
  // A standard button, the file chooser and a text field's context menu.
  const struct {
    const char* context;
    const char* text;
  } texts[] = {{"QPlatformTheme", "Cancel"}, {"QFileDialog", "Look in:"}, {"QLineEdit", "Select All"}};
  for (const auto& t : texts) {
    const QString shown = QCoreApplication::translate(t.context, t.text);
    EXPECT_TRUE(HasChinese(shown)) << t.context << " " << t.text << ": " << shown.toStdString();
  }
}

TEST(QtTranslations, MissingCatalogueLeavesQtInEnglish) {
  TranslatorsRemoved cleanup;
  EXPECT_FALSE(InstallQtTranslations(*qApp, QStringLiteral("/nonexistent/translations")));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

}  // namespace
}  // namespace tarnwell::app
