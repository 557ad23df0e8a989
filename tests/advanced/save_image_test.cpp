// "保存磁盘映像..." in the advanced window, driven as a user would: the
// command by node, a copy through the save dialog and the progress dialog,
// "停止" pressed mid-way and the copy taken up again, the refusals, and the
// finished image listed as a disk whose unread sectors fail.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>

#include "controls/event_log_view.h"
#include "controls/imaging_dialog.h"
#include "disk/source_opener.h"
#include "physical/physical_drive_list.h"
#include "platform/device_table.h"
#include "tests/advanced/adv_window_support.h"
#include "tests/support/imaging_sources.h"

namespace tarnwell::advanced {
namespace {

using controls::BoxKind;
using testing::TestedDisk;

constexpr uint64_t kFat32Start = 2048, kFat32Sectors = 69632;  // partitions/at2048.img

class SaveImageTest : public AdvWindowTest {
 protected:
  void OpenDisk() {
    scanMode = 0;  // choosing the disk node asks nothing to be scanned
    Open({"partitions/at2048.img"});
    seams.chooseFile = [this](QWidget*, const QString& offered, std::string* path) {
      suggested.push_back(offered);
      *path = imagePath;
      return !imagePath.empty();
    };
    window->SetImagingSeams(seams);
  }
  void Wrap(std::function<void(TestedDisk&)> setUp) {
    seams.wrapSource = [setUp](std::unique_ptr<disk::SectorSource> inner) {
      auto tested = std::make_unique<TestedDisk>(std::move(inner));
      setUp(*tested);
      return std::unique_ptr<disk::SectorSource>(std::move(tested));
    };
    window->SetImagingSeams(seams);
  }
  void OnDialog(std::function<void(controls::TfrmImaging&)> shown) {
    seams.dialogShown = std::move(shown);
    window->SetImagingSeams(seams);
  }
  QTreeWidgetItem* Fat32Node() const { return DiskNode(0)->child(1); }
  std::vector<QString> ComputerChildren() const {
    std::vector<QString> texts;
    QTreeWidgetItem* computer = window->TreeView2->topLevelItem(0);
    for (int i = 0; i < computer->childCount(); ++i) texts.push_back(computer->child(i)->text(0));
    return texts;
  }
  bool LogHas(const QString& start) const {
    for (const QString& line : LogTexts())
      if (line.startsWith(start)) return true;
    return false;
  }

  controls::ImagingSeams seams;
  std::string folder = testing::MakeTempFolder("saveimage");
  std::string imagePath = folder + "/copy.img";
  std::vector<QString> suggested;
};

std::vector<uint8_t> Sectors(const std::vector<uint8_t>& bytes, uint64_t first, uint64_t count) {
  return {bytes.begin() + static_cast<ptrdiff_t>(first * 512), bytes.begin() + static_cast<ptrdiff_t>((first + count) * 512)};
}

TEST_F(SaveImageTest, OfferedOnDiskAndPartitionNodesOnly) {
  OpenDisk();
  EXPECT_TRUE(window->TreeView2->actions().contains(window->SaveImage));
  EXPECT_EQ(window->SaveImage->text(), QStringLiteral("保存磁盘映像..."));
  EXPECT_FALSE(window->SaveImage->isEnabled());
  EXPECT_EQ(window->SaveImage->toolTip(), QStringLiteral("请在磁盘树中选择一个磁盘或分区。"));

  Choose(DiskNode(0));
  EXPECT_TRUE(window->SaveImage->isEnabled());
  Choose(DiskNode(0)->child(0));  // "未使用": free space is nothing to copy
  EXPECT_FALSE(window->SaveImage->isEnabled());
  Choose(Fat32Node());
  EXPECT_TRUE(window->SaveImage->isEnabled());
  Choose(window->TreeView2->topLevelItem(0)->child(0));  // the volume (C:)
  EXPECT_TRUE(window->SaveImage->isEnabled());
}

// The whole disk, with 8 sectors of the FAT32 partition that never read:
// they stay zero in the image, the map marks them bad, and the disk the
// image becomes fails them as the disk did. Its volumes join the tree
// after the others, before the physical disks.
TEST_F(SaveImageTest, CopiesTheDiskAndListsTheImageWhoseBadSectorsFail) {
  OpenDisk();
  Wrap([](TestedDisk& d) { d.Failing(4096, 8); });
  Choose(DiskNode(0));
  window->SaveImage->trigger();

  ASSERT_EQ(suggested.size(), 1u);
  EXPECT_TRUE(suggested[0].endsWith(QStringLiteral("/at2048.img"))) << suggested[0].toStdString();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, BoxKind::kWarning);  // bad areas remain
  EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("映像完成：已复制 43.0 MB / 43.0 MB，坏区 1 个 (4.0 KB)")))
      << boxes[0].text.toStdString();
  EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("映像已作为磁盘加入磁盘列表"))) << boxes[0].text.toStdString();

  const std::vector<uint8_t> original = testing::ReadBinaryFile(testing::FixturePath("partitions/at2048.img"));
  std::vector<uint8_t> expected = original;
  std::fill_n(expected.begin() + 4096 * 512, 8 * 512, 0);
  EXPECT_TRUE(testing::ReadBinaryFile(imagePath) == expected);
  EXPECT_TRUE(LogHas(QStringLiteral("开始复制到 ")));

  ASSERT_EQ(platform::DeviceTable::Instance().Disks().size(), 2u);
  std::unique_ptr<disk::SectorSource> copy = disk::OpenSourceForDriveCode(1);
  ASSERT_TRUE(copy);
  std::vector<uint8_t> sector(512);
  uint32_t bytes = 0;
  EXPECT_TRUE(copy->Read(4095, 1, sector.data(), bytes));
  EXPECT_EQ(sector, Sectors(original, 4095, 1));
  EXPECT_FALSE(copy->Read(4096, 1, sector.data(), bytes));
  EXPECT_FALSE(copy->Read(4103, 1, sector.data(), bytes));
  EXPECT_TRUE(copy->Read(4104, 1, sector.data(), bytes));

  EXPECT_EQ(ComputerChildren(),
            (std::vector<QString>{QStringLiteral("(C:) ABC     DEF"), QStringLiteral("(D:) NTFS LABEL"),
                                  QStringLiteral("(E:) ABC     DEF"), QStringLiteral("(F:) NTFS LABEL"),
                                  QStringLiteral("物理驱动器 00H (43.00 MB)"), QStringLiteral("物理驱动器 01H (43.00 MB)")}));
  QTreeWidgetItem* image = DiskNode(1);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->childCount(), DiskNode(0)->childCount());
  EXPECT_TRUE(LogHas(QStringLiteral("映像已作为磁盘加入：物理驱动器 01H")));
}

// "停止" heard between two reads: the map is saved, nothing is listed, and
// the same image chosen again goes on from the map to a whole copy.
TEST_F(SaveImageTest, StopsMidwayAndGoesOnFromTheMap) {
  OpenDisk();
  auto gate = std::make_shared<testing::ReadGate>();
  Wrap([gate](TestedDisk& d) { d.Holding(30000, gate); });
  bool shown = false;
  OnDialog([&](controls::TfrmImaging& dialog) {
    shown = true;
    // Whatever fails below, the copy must not wait for ever.
    const std::unique_ptr<testing::ReadGate, void (*)(testing::ReadGate*)> release(gate.get(),
                                                                               [](testing::ReadGate* g) { g->Open(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->Reached(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.CopiedLabel->text() != QStringLiteral("—"); }, 5000));
    EXPECT_TRUE(dialog.isModal());
    EXPECT_TRUE(dialog.CopiedLabel->text().endsWith(QStringLiteral(" / 34.0 MB"))) << dialog.CopiedLabel->text().toStdString();
    EXPECT_TRUE(dialog.PhaseLabel->text().startsWith(QStringLiteral("复制 第 1 遍")));
    EXPECT_LT(dialog.ProgressBar1->value(), 100);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_TRUE(dialog.StopAsked());
    EXPECT_FALSE(dialog.Button1->isEnabled());
  });
  Choose(Fat32Node());
  window->SaveImage->trigger();

  EXPECT_TRUE(shown);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, BoxKind::kWarning);
  EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("已停止，映射文件已保存"))) << boxes[0].text.toStdString();
  ASSERT_TRUE(suggested.size() == 1 && suggested[0].endsWith(QStringLiteral("/at2048-2048.img")));
  std::ifstream map(imagePath + ".map");
  EXPECT_TRUE(map.good());
  EXPECT_EQ(platform::DeviceTable::Instance().Disks().size(), 1u);  // nothing listed
  EXPECT_TRUE(LogHas(QStringLiteral("已停止")));

  boxes.clear();
  seams.wrapSource = nullptr;
  seams.dialogShown = nullptr;
  window->SetImagingSeams(seams);
  window->SaveImage->trigger();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, BoxKind::kInformation);
  EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("映像完成：已复制 34.0 MB / 34.0 MB"))) << boxes[0].text.toStdString();
  EXPECT_TRUE(LogHas(QStringLiteral("按映射文件继续复制到 ")));
  const std::vector<uint8_t> original = testing::ReadBinaryFile(testing::FixturePath("partitions/at2048.img"));
  EXPECT_TRUE(testing::ReadBinaryFile(imagePath) == Sectors(original, kFat32Start, kFat32Sectors));
  EXPECT_EQ(platform::DeviceTable::Instance().Disks().size(), 2u);
}

// Each refusal says why in an error box, shows no progress dialog and
// leaves the files it found as they were.
TEST_F(SaveImageTest, RefusalsSayWhyAndTouchNothing) {
  OpenDisk();
  Choose(DiskNode(0));
  bool dialogShown = false;
  OnDialog([&](controls::TfrmImaging&) { dialogShown = true; });
  struct Case {
    const char* what;
    std::function<void()> setUp;
    const char* says;
  };
  const Case cases[] = {
      {"an image without its map",
       [this] {
         imagePath = folder + "/taken.img";
         std::ofstream(imagePath) << "mine";
       },
       "已存在，但没有可据以继续复制的映射文件"},
      {"the disk's own file", [this] { imagePath = testing::FixturePath("partitions/at2048.img"); },
       "会改写要复制的源"},
      {"too little room",
       [this] {
         imagePath = folder + "/huge.img";
         Wrap([](TestedDisk& d) { d.Claiming(uint64_t{1} << 50); });
       },
       "所在位置的可用空间不足"},
  };
  for (const Case& c : cases) {
    boxes.clear();
    c.setUp();
    window->SaveImage->trigger();
    ASSERT_EQ(boxes.size(), 1u) << c.what;
    EXPECT_EQ(boxes[0].kind, BoxKind::kError) << c.what;
    EXPECT_TRUE(boxes[0].text.contains(QString::fromUtf8(c.says))) << c.what << ": " << boxes[0].text.toStdString();
    EXPECT_FALSE(std::ifstream(imagePath + ".map").good()) << c.what;
  }
  EXPECT_FALSE(dialogShown);
  EXPECT_EQ(testing::ReadTextFile(folder + "/taken.img"), "mine");
  EXPECT_FALSE(std::ifstream(folder + "/huge.img").good());
  EXPECT_EQ(platform::DeviceTable::Instance().Disks().size(), 1u);
}

}  // namespace
}  // namespace tarnwell::advanced
