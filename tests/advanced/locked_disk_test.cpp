// A disk the user may not read in the advanced window's disk tree: listed
// with the reason, opened through the (injected) disk service and then
// listed as a disk with its volume.
#include <QTreeWidget>

#include <cerrno>

#include "advanced/folder_tree_model.h"
#include "controls/event_log_view.h"
#include "physical/physical_drive_list.h"
#include "platform/device_table.h"
#include "tests/advanced/adv_window_support.h"

namespace tarnwell::advanced {
namespace {

class LockedDiskTest : public AdvWindowTest {
 protected:
  void OpenWithLockedDisk(int error) {
    table.AttachImage(testing::FixturePath("partitions/at2048.img"));
    table.AddLockedDisk("sdz", error);
    lockedDisks.request = [this](const QString&) {
      ++requests;
      controls::DiskServiceAnswer answer;
      if (grant) answer.descriptor = platform::UniqueFd::OpenReadOnly(testing::FixturePath("fat/fat16.img").c_str());
      else answer.error = QStringLiteral("无法连接系统总线 (D-Bus)");
      return answer;
    };
    Open({});
  }
  QTreeWidgetItem* LockedNode() const {
    QTreeWidgetItem* computer = window->TreeView2->topLevelItem(0);
    for (int i = 0; i < computer->childCount(); ++i)
      if (LockedDiskIndex(computer->child(i)) >= 0) return computer->child(i);
    return nullptr;
  }
  bool grant = false;
  int requests = 0;
};

TEST_F(LockedDiskTest, LockedDiskIsListedExplainedAndJoinsTheTreeOnceOpened) {
  OpenWithLockedDisk(EACCES);
  QTreeWidgetItem* locked = LockedNode();
  ASSERT_NE(locked, nullptr);
  EXPECT_EQ(LockedDiskIndex(locked), 1);
  EXPECT_TRUE(locked->text(0).contains(QStringLiteral("sdz")));
  EXPECT_TRUE(locked->toolTip(0).contains(QStringLiteral("UDisks2")));
  EXPECT_TRUE(LogTexts().back().contains(QStringLiteral("/dev/sdz 需要授权")));

  // No bus: said in a box and the log, with the advice; nothing chosen.
  Choose(DiskNode(0));
  QTreeWidgetItem* before = window->TreeView2->currentItem();
  Choose(locked);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(requests, 1);
  EXPECT_EQ(window->TreeView2->currentItem(), before);
  EXPECT_TRUE(HasBox(controls::BoxKind::kError,
                     QStringLiteral("无法通过系统磁盘服务打开 /dev/sdz：无法连接系统总线 (D-Bus)。"
                                    "可以用 sudo 运行本程序，或将用户加入 disk 组（sudo adduser 用户名 disk，"
                                    "重新登录后生效）。")));
  EXPECT_TRUE(LogTexts().back().contains(QStringLiteral("系统总线")));
  EXPECT_TRUE(locked->toolTip(0).contains(QStringLiteral("系统总线")));

  // Granted: the disk and its volume are listed, the locked node goes.
  grant = true;
  const size_t drivesBefore = window->DriveList()->Count();
  Choose(locked);
  EXPECT_EQ(requests, 2);
  EXPECT_EQ(LockedNode(), nullptr);
  EXPECT_EQ(window->DriveList()->Count(), drivesBefore + 2);  // its volume and the disk
  QTreeWidgetItem* opened = DiskNode(1);
  ASSERT_NE(opened, nullptr);
  EXPECT_FALSE(opened->isHidden());
  EXPECT_TRUE(LogTexts().back().startsWith(QStringLiteral("磁盘已加入：")));
  // It scans as any disk does.
  ScanDisk(1);
  EXPECT_GT(window->FolderModel()->FolderCount(), 0u);
}

}  // namespace
}  // namespace tarnwell::advanced
