// The disk tree on fixture disks, and the smart scan that adds the lost
// partitions to it.
#include <QTreeWidget>

#include "advanced/folder_tree_model.h"
#include "disk/formats/attach_image.h"
#include "advanced/tree_pictures.h"
#include "physical/physical_drive.h"
#include "physical/physical_drive_list.h"
#include "platform/text_codec.h"
#include "tests/advanced/adv_window_support.h"

namespace tarnwell::advanced {
namespace {

struct Shown {
  QString text;
  int image;
  DiskNodeRole role;
  bool operator==(const Shown&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Shown& s) {
  return out << s.text.toStdString() << "/" << s.image << "/" << static_cast<int>(s.role);
}

std::vector<Shown> Children(QTreeWidgetItem* item) {
  std::vector<Shown> shown;
  for (int i = 0; i < item->childCount(); ++i)
    shown.push_back({item->child(i)->text(0), NodeImage(item->child(i)), NodeOf(item->child(i)).role});
  return shown;
}

using R = DiskNodeRole;

// A disk held in an image format says so beside its caption; its tables
// read through the image as the raw disk's do.
TEST_F(AdvWindowTest, DiskInAnImageFormatSaysSoBesideItsCaption) {
  std::string error;
  ASSERT_TRUE(disk::AttachImage(testing::FixturePath("formats/demo.E01"), &error)) << error;
  Open({});
  QTreeWidgetItem* disk = DiskNode(0);
  ASSERT_TRUE(disk);
  EXPECT_EQ(disk->text(0), QStringLiteral("物理驱动器 00H (53.00 MB)  [E01 image]"));
  EXPECT_EQ(Children(disk),
            (std::vector<Shown>{{QStringLiteral("未使用 (0.97 MB)"), kImageUnknown, R::kFreeSpace},
                                {QStringLiteral("(C:) DEMOFAT32 (36.00 MB)"), kImagePartition, R::kPartition},
                                {QStringLiteral("(D:) DEMONTFS (16.00 MB)"), kImagePartition, R::kPartition}}));
}

TEST_F(AdvWindowTest, ShowsEveryDiskWithItsPartitionsExtendedChainAndFreeSpace) {
  Open({"partitions/extended.img", "partitions/at63.img"});
  QTreeWidgetItem* computer = window->TreeView2->topLevelItem(0);
  EXPECT_EQ(computer->text(0), QStringLiteral("我的电脑"));
  EXPECT_EQ(NodeImage(computer), kImageComputer);
  // Volumes by letter first, then the physical disks.
  const std::vector<Shown> drives = Children(computer);
  ASSERT_EQ(drives.size(), 7u);
  EXPECT_EQ(drives[0], (Shown{QStringLiteral("(C:) PRIMARY"), kImageVolume, R::kDrive}));
  EXPECT_EQ(drives[5], (Shown{QStringLiteral("物理驱动器 00H (64.00 MB)"), kImagePhysicalDisk, R::kDrive}));
  EXPECT_EQ(drives[6], (Shown{QStringLiteral("物理驱动器 01H (40.00 MB)"), kImagePhysicalDisk, R::kDrive}));

  QTreeWidgetItem* disk = DiskNode(0);
  ASSERT_TRUE(disk);
  // A partition that has a drive letter is labelled with it.
  EXPECT_EQ(Children(disk),
            (std::vector<Shown>{{QStringLiteral("未使用 (0.97 MB)"), kImageUnknown, R::kFreeSpace},
                                {QStringLiteral("(C:) PRIMARY (4.00 MB)"), kImagePartition, R::kPartition},
                                {QStringLiteral("扩展分区 (59.00 MB)"), kImageExtended, R::kExtended}}));
  // The whole chain hangs flat under the extended node, links left out,
  // labelled from its boot sectors, with the gaps of more than 1 MiB between and after the logical drives.
  const std::vector<Shown> chain = Children(disk->child(2));
  EXPECT_EQ(chain, (std::vector<Shown>{{QStringLiteral("(D:) LOGICALONE (4.00 MB)"), kImagePartition, R::kPartition},
                                       {QStringLiteral("(E:) LOGICALTWO (4.00 MB)"), kImagePartition, R::kPartition},
                                       {QStringLiteral("未使用 (1.00 MB)"), kImageUnknown, R::kFreeSpace},
                                       {QStringLiteral("(F:) THIRD (8.00 MB)"), kImagePartition, R::kPartition},
                                       {QStringLiteral("未使用 (38.00 MB)"), kImageUnknown, R::kFreeSpace}}));
  EXPECT_TRUE(disk->isExpanded());
  EXPECT_EQ(Children(DiskNode(1)),
            (std::vector<Shown>{{QStringLiteral("(G:) MY DISK (39.97 MB)"), kImagePartition, R::kPartition}}));
}

TEST_F(AdvWindowTest, TheComputerNodeAndBusyDrivesRefuseTheSelection) {
  Open({"partitions/at63.img"});
  window->TreeView2->setCurrentItem(window->TreeView2->topLevelItem(0));
  EXPECT_EQ(window->TreeView2->currentItem(), nullptr);
  EXPECT_EQ(window->SelectedDrive()->CurrentPartition, nullptr);
}

TEST_F(AdvWindowTest, SmartScanAddsTheLostPartitionsOnceHoweverOftenItRuns) {
  Open({"partitions/at2048-wiped.img"});
  QTreeWidgetItem* disk = DiskNode(0);
  ASSERT_TRUE(disk);
  EXPECT_EQ(Children(disk), (std::vector<Shown>{{QStringLiteral("未使用 (42.97 MB)"), kImageUnknown, R::kFreeSpace}}));
  scanMode = 100;  // the scan-mode dialog's smart scan
  Choose(disk);
  const std::vector<Shown> lostGroup{{QStringLiteral("未使用 (42.97 MB)"), kImageUnknown, R::kFreeSpace},
                                     {QStringLiteral("丢失的分区"), kImageFolderOpen, R::kLostGroup}};
  ASSERT_EQ(Children(disk), lostGroup);
  const std::vector<Shown> found{{QStringLiteral("ABCDEF (34.00 MB)"), kImageUnknown, R::kFound},
                                 {QStringLiteral("NTFS LABEL (8.00 MB)"), kImageUnknown, R::kFound}};
  EXPECT_EQ(Children(disk->child(1)), found);
  EXPECT_EQ(LogTexts().back(), QStringLiteral("已找到 2 个丢失的分区"));

  window->PartiScanExecute();
  EXPECT_EQ(Children(disk), lostGroup);
  EXPECT_EQ(Children(disk->child(1)), found);
  EXPECT_EQ(window->SelectedDrive()->FoundPartitions.size(), 2u);

  // A found partition is scanned like any other entry when chosen.
  Choose(disk->child(1)->child(0));
  EXPECT_EQ(window->CurrentPartition(), window->SelectedDrive()->FoundPartitions[0].get());
  EXPECT_TRUE(window->CurrentPartition()->Scanned);
  EXPECT_EQ(window->FolderModel()->FolderCount(), window->CurrentPartition()->DirSectors.size());
}

TEST_F(AdvWindowTest, SmartScanWantsAPhysicalDisksDriveNode) {
  Open({"partitions/extended.img"});
  const QString warning =
      QStringLiteral("您应该指定一个物理驱动器已进行扫描。\n\n智能扫描: 从物理驱动器中找回丢失的分区。");
  scanMode = 0;  // the scan-mode dialog closed without a choice
  for (QTreeWidgetItem* item : {DiskNode(0)->child(0), DiskNode(0)->child(1), window->TreeView2->topLevelItem(0)->child(0)}) {
    Choose(item);
    boxes.clear();
    window->PartiScanExecute();
    EXPECT_TRUE(HasBox(controls::BoxKind::kWarning, warning)) << item->text(0).toStdString();
  }
  boxes.clear();
  rangeAccepted = false;
  Choose(DiskNode(0));
  window->PartiScanExecute();
  EXPECT_TRUE(boxes.empty());
}

TEST_F(AdvWindowTest, AVolumeLabelThatReadsLikeACaptionIsStillAPartition) {
  Open({"partitions/at2048-wiped.img"});
  physical::TPhysicalDrive& drive = *window->SelectedDrive();
  scanMode = 100;
  Choose(DiskNode(0));
  ASSERT_EQ(drive.FoundPartitions.size(), 2u);
  // A partition whose label reads "丢失的分区" or "物理" is told apart by role.
  drive.FoundPartitions[0]->Label = platform::SystemText("丢失的分区");
  window->PartiScanExecute();
  QTreeWidgetItem* lost = DiskNode(0)->child(1);
  EXPECT_EQ(NodeOf(lost).role, R::kLostGroup);
  EXPECT_EQ(lost->childCount(), 2);
  EXPECT_EQ(NodeOf(lost->child(0)).role, R::kFound);
  EXPECT_EQ(DiskNode(0)->childCount(), 2);
}

}  // namespace
}  // namespace tarnwell::advanced
