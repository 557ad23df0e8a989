// "打开磁盘映像..." and the recent images, driven as a user drives them:
// the file menu's command with the file dialog answering, then the list.
#include <QMenu>

#include "engine/undelete.h"
#include "platform/device_table.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

using QuickMainOpenImageTest = QuickMainTest;

TEST_F(QuickMainOpenImageTest, AnImageOpenedFromTheMenuIsScannedAndOfferedAgainFromTheRecentList) {
  Open({"demo/demo-disk.img"});
  const size_t lettersBefore = platform::DeviceTable::Instance().Volumes().size();
  SelectDrive('C');

  // Cancelled: nothing changes.
  w->OpenImage->trigger();
  EXPECT_EQ(platform::DeviceTable::Instance().Disks().size(), 1u);

  imageToChoose = QString::fromStdString(FixturePath("fat/fat16.img"));
  w->OpenImage->trigger();
  ASSERT_EQ(platform::DeviceTable::Instance().Volumes().size(), lettersBefore + 1);
  const char letter = platform::DeviceTable::Instance().Volumes().back().letter;
  QTreeWidgetItem* node = w->DriveNode(letter);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(w->Treeview2->currentItem(), node);
  EXPECT_EQ(w->Engine()->CurrentDrive->DriveName, std::string(1, letter) + ":");
  EXPECT_GT(w->Engine()->CurrentDrive->EntryCount(), 0u);
  EXPECT_EQ(w->DriveNode('C'), w->MyComputerNode->child(0));  // the drives before stay
  bool logged = false;
  for (int i = 0; i < w->ListView3->LineCount(); ++i)
    logged |= w->ListView3->LineText(i).contains(QStringLiteral("已打开磁盘映像"));
  EXPECT_TRUE(logged);

  // The recent list, kept in the settings file, offers it; choosing it
  // again says it is open rather than listing it twice.
  emit w->RecentImages->aboutToShow();
  ASSERT_EQ(w->RecentImages->actions().size(), 1);
  EXPECT_TRUE(w->RecentImages->actions()[0]->text().endsWith(imageToChoose));
  w->RecentImages->actions()[0]->trigger();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, controls::BoxKind::kInformation);
  EXPECT_EQ(platform::DeviceTable::Instance().Volumes().size(), lettersBefore + 1);

  // A recent image that is gone is said and leaves the list.
  controls::RememberRecentImage(settings, QStringLiteral("/nonexistent/old.img"));
  emit w->RecentImages->aboutToShow();
  ASSERT_EQ(w->RecentImages->actions().size(), 2);
  w->RecentImages->actions()[0]->trigger();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].kind, controls::BoxKind::kError);
  EXPECT_EQ(controls::ReadRecentImages(settings), std::vector<QString>{imageToChoose});
}

}  // namespace
}  // namespace tarnwell::testing
