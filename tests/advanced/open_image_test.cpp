// "打开磁盘映像..." in the advanced window: the image joins the disk tree
// and is offered for scanning, and the recent list is the one the standard
// window keeps.
#include <QMenu>
#include <QProgressBar>
#include <QTreeWidget>
#include <algorithm>

#include "advanced/folder_tree_model.h"
#include "controls/open_image.h"
#include "controls/remembered_destination.h"
#include "physical/physical_drive_list.h"
#include "platform/device_table.h"
#include "tests/advanced/adv_window_support.h"

namespace tarnwell::advanced {
namespace {

using AdvOpenImageTest = AdvWindowTest;

TEST_F(AdvOpenImageTest, AnOpenedImageJoinsTheDiskTreeIsScannedAndRecentForBothWindows) {
  Open({"partitions/at2048.img"});
  const QString image = QString::fromStdString(testing::FixturePath("fat/fat16.img"));
  window->SetImageChooser([&image](QWidget*, const QString&) { return image; });
  const size_t drivesBefore = window->DriveList()->Count();
  scanMode = 101;
  window->OpenImage->trigger();
  EXPECT_EQ(window->DriveList()->Count(), drivesBefore + 2);  // its volume and the disk
  QTreeWidgetItem* disk = DiskNode(1);
  ASSERT_NE(disk, nullptr);
  EXPECT_EQ(window->TreeView2->currentItem(), disk);
  EXPECT_GT(window->FolderModel()->FolderCount(), 0u);  // scanned as chosen
  const std::vector<QString> log = LogTexts();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                          [](const QString& l) { return l.startsWith(QStringLiteral("映像已作为磁盘加入")); }));
  // Kept beside the standard window's settings, in its file.
  EXPECT_EQ(controls::ReadRecentImages(settingsDir + "/Tarnwell.ini"), std::vector<QString>{image});
  emit window->RecentImages->aboutToShow();
  ASSERT_EQ(window->RecentImages->actions().size(), 1);
}

TEST_F(AdvOpenImageTest, RecoveryShowsItsShareSumsUpAndOffersTheLastDestinationAgain) {
  Open({"fat/fat16.img"});
  ScanDisk(0);
  for (size_t f = 0; f < window->FolderModel()->FolderCount() && ListNames().empty(); ++f) SelectFolder(f);
  ASSERT_FALSE(ListNames().empty());
  window->Checkall1Click(true);
  std::vector<QString> texts;
  QObject::connect(window->ProgressBar1, &QProgressBar::valueChanged, [&] {
    if (window->ProgressBar1->isTextVisible()) texts.push_back(window->ProgressBar1->text());
  });
  destination = testing::MakeTempFolder("adv_remembered");
  boxes.clear();
  window->RecoverExecute();
  ASSERT_EQ(offeredDestinations.size(), 1u);
  EXPECT_EQ(offeredDestinations[0], "");
  ASSERT_FALSE(texts.empty());
  EXPECT_TRUE(texts.back().contains(QStringLiteral("个文件")));
  EXPECT_FALSE(window->ProgressBar1->isTextVisible());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("恢复已完成。")));
  // The next recovery, and the standard window, start from it.
  window->RecoverExecute();
  EXPECT_EQ(offeredDestinations.back(), destination);
  EXPECT_EQ(controls::RememberedDestination(settingsDir + "/Tarnwell.ini"), destination);
}

}  // namespace
}  // namespace tarnwell::advanced
