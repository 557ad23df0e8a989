// A recovery that adds up to more than the destination can take asks
// before it writes anything, and a "no" leaves the destination untouched.
#include <filesystem>

#include "engine/entry_count.h"
#include "platform/device_table.h"
#include "tests/engine/fat/fat_test_volume.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

constexpr uint8_t kFileAttr = 0x20;
constexpr uint8_t kFolderAttr = 0x10;
constexpr uint64_t kEachClaims = 0xFFFFFF00u;

// 126 entries of one folder share a cluster and each claims almost 4 GiB:
// legitimate cross-links that together exceed any test machine's disk.
std::string CrossLinkedImage(int* files) {
  CraftedFat v(engine::kFat16, 1 + 8 + 1 + 200, 8);
  v.Entry(v.RootSector(), 0, "BOX        ", kFolderAttr, 12, 0);
  v.Chain({12, 13, 14, 15, 16, 17, 18, 19}, 0xFFFF);
  v.Dots(12, 0);
  v.SetFat(40, 0xFFFF);
  v.Fill(v.ClusterSector(40), 'x');
  *files = 0;
  for (uint32_t c = 12; c <= 19; ++c)
    for (uint32_t slot = c == 12 ? 2 : 0; slot < 16; ++slot) {
      char name[24];
      std::snprintf(name, sizeof name, "F%03d    BIN", (*files)++);
      v.Entry(v.ClusterSector(c), slot, name, kFileAttr, 40, static_cast<uint32_t>(kEachClaims));
    }
  return WriteTempImage(v.Take(), "room", "volume.img");
}

TEST_F(QuickMainTest, ARecoveryLargerThanTheDestinationAsksFirstAndNoWritesNothing) {
  int files = 0;
  table.AttachImage(CrossLinkedImage(&files));
  const engine::RoomCheck room = engine::CheckRoom(destination, kEachClaims * files);
  if (room.Fits()) GTEST_SKIP() << "the destination has room for " << room.planned << " bytes";
  Open(std::vector<std::string>{});
  w->Treeview2->setCurrentItem(w->DriveNode(platform::DeviceTable::Instance().Volumes()[0].letter));
  QString box;
  for (const QString& name : Names())
    if (name.compare(QStringLiteral("box"), Qt::CaseInsensitive) == 0) box = name;
  ASSERT_FALSE(box.isEmpty());
  Check(box);

  closeAnswer = false;
  w->RecoverExecute();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(questions[0].contains(QString::number(kEachClaims * files))) << questions[0].toStdString();
  EXPECT_TRUE(questions[0].contains(QStringLiteral("可用空间"))) << questions[0].toStdString();
  EXPECT_TRUE(LastLog().endsWith(QStringLiteral("恢复已取消。"))) << LastLog().toStdString();
  EXPECT_TRUE(std::filesystem::is_empty(destination));

  closeAnswer = true;
  w->RecoverExecute();
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_FALSE(std::filesystem::is_empty(destination));
}

}  // namespace
}  // namespace tarnwell::testing
