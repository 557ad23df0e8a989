// Both recovery windows draw their commands and tree nodes from one picture
// set that is sharp at scale 2, and the program's icon is the one packaging
// installs.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QImage>
#include <QPixmap>

#include "advanced/adv_main.h"
#include "advanced/tree_pictures.h"
#include "app/application_icon.h"
#include "controls/window_icons.h"
#include "standard/quick_main.h"
#include "tests/support/fixtures.h"

namespace tarnwell::app {
namespace {

QImage Shown(const QIcon& icon, int size) {
  return icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

// What a screen at scale 2 is given: as many pixels as it shows, not a
// smaller picture for it to stretch.
void ExpectSharpAtScaleTwo(const QIcon& icon, int size, const std::string& what) {
  const QPixmap pixmap = icon.pixmap(QSize(size, size), 2.0);
  EXPECT_EQ(pixmap.size(), QSize(2 * size, 2 * size)) << what;
  EXPECT_EQ(pixmap.devicePixelRatio(), 2.0) << what;
}

TEST(WindowPictures, BothRecoveryWindowsShareOneSharpPictureSet) {
  testing::ScopedDeviceTable table;
  standard::QuickMainServices services;
  services.settingsPath = testing::MakeTempFolder("pictures") + "/Tarnwell.ini";
  standard::TfrmQuickMain quick(services);
  advanced::TfrmAdvMain adv;
  const struct {
    const char* command;
    QAction* standard;
    QAction* advanced;
  } shared[] = {{"扫描", quick.Scan, adv.Scan},         {"停止", quick.Stop, adv.Stop},
                {"恢复", quick.Recover, adv.Recover},   {"后退", quick.Back, adv.Backward},
                {"向前", quick.Forward, adv.Forward}};
  for (const auto& s : shared) {
    EXPECT_FALSE(s.advanced->icon().isNull()) << s.command;
    EXPECT_EQ(Shown(s.standard->icon(), 24), Shown(s.advanced->icon(), 24)) << s.command;
    ExpectSharpAtScaleTwo(s.standard->icon(), 24, s.command);
    ExpectSharpAtScaleTwo(s.advanced->icon(), 24, s.command);
  }
  for (QAction* only : {adv.PartiScan, quick.acScan32, quick.Up}) ExpectSharpAtScaleTwo(only->icon(), 24, only->text().toStdString());

  // The tree nodes: the scan's and the search's nodes alike in both
  // windows; a partition and free space drawn, not a letter in a square.
  const std::vector<QIcon> folderTree = controls::FolderTreeIcons();
  EXPECT_EQ(Shown(folderTree[0], 16), Shown(advanced::TreePicture(advanced::kImageScanResults), 16));
  EXPECT_EQ(Shown(folderTree[1], 16), Shown(advanced::TreePicture(advanced::kImageSearchResults), 16));
  for (int image = advanced::kImageComputer; image <= advanced::kImageSearchResults; ++image)
    ExpectSharpAtScaleTwo(advanced::TreePicture(image), 16, "tree picture " + std::to_string(image));
  for (const std::vector<QIcon>& set : {folderTree, controls::FileListIcons(), controls::StandardLogIcons()})
    for (size_t i = 0; i < set.size(); ++i) ExpectSharpAtScaleTwo(set[i], 16, "list picture " + std::to_string(i));
}

TEST(ApplicationIcon, EverySizeOfTheInstalledIcon) {
  const std::string root = testing::MakeTempFolder("hicolor");
  const QString hicolor = QString::fromStdString(root) + QStringLiteral("/share/icons/hicolor");
  for (int size : {16, 48}) {
    const QString folder = hicolor + QStringLiteral("/%1x%1/apps").arg(size);
    ASSERT_TRUE(QDir().mkpath(folder));
    QImage picture(size, size, QImage::Format_ARGB32);
    picture.fill(Qt::darkBlue);
    ASSERT_TRUE(picture.save(folder + QStringLiteral("/%1.png").arg(ApplicationIconName())));
  }
  // A folder without the icon comes first: the next one that has it wins.
  const QIcon icon = ApplicationIcon({QStringLiteral("/nonexistent/hicolor"), hicolor});
  ASSERT_FALSE(icon.isNull());
  QList<QSize> sizes = icon.availableSizes();
  std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
  EXPECT_EQ(sizes, (QList<QSize>{QSize(16, 16), QSize(48, 48)}));
  EXPECT_TRUE(ApplicationIcon({QStringLiteral("/nonexistent/hicolor")}).isNull());

  // Installed, the program looks beside itself first, then in the build
  // tree's painted icons.
  const QStringList defaults = DefaultHicolorFolders();
  ASSERT_GE(defaults.size(), 2);
  EXPECT_TRUE(defaults[0].endsWith(QStringLiteral("/share/icons/hicolor")));
  EXPECT_TRUE(defaults[1].endsWith(QStringLiteral("/packaging/icons")));
}

}  // namespace
}  // namespace tarnwell::app
