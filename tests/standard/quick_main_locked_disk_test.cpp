// A disk the user may not read, as a user meets it in the drive tree: listed
// with the reason, opened through the (injected) disk service after a
// question, and explained when the service or the kernel says no.

#include <cerrno>

#include "engine/undelete.h"
#include "platform/device_table.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

class QuickMainLockedDiskTest : public QuickMainTest {
 protected:
  // The demo disk as an image, then "sdz", a whole disk the kernel refuses
  // with `error`; the service, when it grants, hands out a FAT16 volume.
  void OpenWithLockedDisk(int error, bool asRoot) {
    table.AttachImage(FixturePath("demo/demo-disk.img"));
    table.AddLockedDisk("sdz", error);
    lockedDisks.asRoot = asRoot;
    lockedDisks.request = [this](const QString& name) {
      requested.push_back(name);
      controls::DiskServiceAnswer answer;
      if (grant)
        answer.descriptor = platform::UniqueFd::OpenReadOnly(FixturePath("fat/fat16.img").c_str());
      else
        answer.error = QStringLiteral("系统磁盘服务拒绝了授权");
      return answer;
    };
    Open(std::vector<std::string>{});
  }
  bool LogHas(const QString& text) const {
    for (int i = 0; i < w->ListView3->LineCount(); ++i)
      if (w->ListView3->LineText(i).contains(text)) return true;
    return false;
  }
  int LockedIndex() const { return static_cast<int>(platform::DeviceTable::Instance().Disks().size()) - 1; }

  bool grant = false;
  std::vector<QString> requested;
};

TEST_F(QuickMainLockedDiskTest, LockedDiskIsListedExplainedAndOpenedOnRequestWithoutMovingLetters) {
  OpenWithLockedDisk(EACCES, false);
  QTreeWidgetItem* locked = w->LockedDiskNode(LockedIndex());
  ASSERT_NE(locked, nullptr);
  EXPECT_TRUE(locked->text(0).contains(QStringLiteral("需要授权")));
  EXPECT_TRUE(locked->toolTip(0).contains(QStringLiteral("/dev/sdz")));
  EXPECT_TRUE(locked->toolTip(0).contains(QStringLiteral("UDisks2")));
  EXPECT_TRUE(LogHas(QStringLiteral("/dev/sdz 需要授权")));
  EXPECT_TRUE(questions.empty());  // nothing is asked before the user chooses it

  // The service refuses: the error box says why and what else helps, the
  // drive shown so far stays chosen, the tooltip keeps the answer.
  SelectDrive('C');
  QTreeWidgetItem* c = w->Treeview2->currentItem();
  w->Treeview2->setCurrentItem(locked);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(questions[0].contains(QStringLiteral("UDisks2")));
  ASSERT_EQ(requested.size(), 1u);
  EXPECT_EQ(requested[0], QStringLiteral("sdz"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, controls::BoxKind::kError);
  EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("拒绝了授权")));
  EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("sudo")));
  EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("disk 组")));
  EXPECT_EQ(w->Treeview2->currentItem(), c);
  EXPECT_TRUE(locked->toolTip(0).contains(QStringLiteral("拒绝了授权")));
  EXPECT_EQ(w->Engine()->CurrentDrive->DriveName, "C:");

  // "否" asks nothing of the service.
  closeAnswer = false;
  w->Treeview2->setCurrentItem(locked);
  EXPECT_EQ(requested.size(), 1u);
  EXPECT_EQ(w->Treeview2->currentItem(), c);

  // Granted: the disk's volume joins the list with the next free letter,
  // the demo disk's letters stay, and it is scanned as a chosen drive is.
  closeAnswer = true;
  grant = true;
  const size_t lettersBefore = platform::DeviceTable::Instance().Volumes().size();
  const char newLetter = static_cast<char>('C' + lettersBefore);
  w->Treeview2->setCurrentItem(locked);
  EXPECT_EQ(w->LockedDiskNode(LockedIndex()), nullptr);
  EXPECT_TRUE(locked->isHidden());
  QTreeWidgetItem* added = w->DriveNode(newLetter);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(w->Treeview2->currentItem(), added);
  EXPECT_EQ(w->Engine()->CurrentDrive->DriveName, std::string(1, newLetter) + ":");
  EXPECT_GT(w->Engine()->CurrentDrive->EntryCount(), 0u);
  EXPECT_EQ(platform::DeviceTable::Instance().FindVolume('C')->diskIndex, 0);
  EXPECT_TRUE(LogHas(QStringLiteral("已通过系统磁盘服务以只读方式打开 /dev/sdz")));
}

TEST_F(QuickMainLockedDiskTest, RootRefusedByTheKernelIsToldSoWithoutSudoOrAService) {
  OpenWithLockedDisk(EPERM, true);
  QTreeWidgetItem* locked = w->LockedDiskNode(LockedIndex());
  ASSERT_NE(locked, nullptr);
  EXPECT_TRUE(locked->toolTip(0).contains(QStringLiteral("EPERM")));
  EXPECT_FALSE(locked->toolTip(0).contains(QStringLiteral("UDisks2")));
  w->Treeview2->setCurrentItem(locked);
  EXPECT_TRUE(questions.empty());
  EXPECT_TRUE(requested.empty());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("root")));
  EXPECT_FALSE(boxes[0].text.contains(QStringLiteral("可以用 sudo")));
  // The status line says it too.
  EXPECT_TRUE(w->StatusBar1->PanelText(1).contains(QStringLiteral("EPERM")));
}

}  // namespace
}  // namespace tarnwell::testing
