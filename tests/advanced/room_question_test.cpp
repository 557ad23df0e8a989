// A recovery of found files that add up to more than the destination can
// take asks before it writes anything; "no" leaves the destination as it was.
#include <filesystem>

#include "advanced/folder_tree_model.h"
#include "engine/entry_count.h"
#include "tests/advanced/adv_window_support.h"
#include "tests/engine/fat/fat_test_volume.h"

namespace tarnwell::advanced {
namespace {

constexpr uint8_t kFileAttr = 0x20;
constexpr uint8_t kFolderAttr = 0x10;
constexpr uint64_t kEachClaims = 0xFFFFFF00u;

// A folder of 126 entries that share one cluster, each claiming almost
// 4 GiB: legitimate cross-links, together more than any test disk holds.
std::string CrossLinkedImage(int* files) {
  testing::CraftedFat v(engine::kFat16, 1 + 8 + 1 + 200, 8);
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
  return testing::WriteTempImage(v.Take(), "adv_room", "volume.img");
}

using AdvRoomTest = AdvWindowTest;

TEST_F(AdvRoomTest, FoundFilesLargerThanTheDestinationAreRecoveredOnlyAfterAYes) {
  int files = 0;
  table.AttachImage(CrossLinkedImage(&files));
  destination = testing::MakeTempFolder("adv_room_out");
  const engine::RoomCheck room = engine::CheckRoom(destination, kEachClaims * files);
  if (room.Fits()) GTEST_SKIP() << "the destination has room for " << room.planned << " bytes";
  Open({});
  ScanDisk(0);
  for (size_t f = 0; f < window->FolderModel()->FolderCount() && ListNames().size() < 100; ++f) SelectFolder(f);
  ASSERT_GE(ListNames().size(), 100u);
  window->Checkall1Click(true);

  questions.clear();
  closeAnswer = false;
  window->RecoverExecute();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(questions[0].contains(QStringLiteral("可用空间"))) << questions[0].toStdString();
  EXPECT_TRUE(LogTexts().back().endsWith(QStringLiteral("恢复已取消。"))) << LogTexts().back().toStdString();
  EXPECT_TRUE(std::filesystem::is_empty(destination));

  closeAnswer = true;
  window->RecoverExecute();
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_FALSE(std::filesystem::is_empty(destination));
}

}  // namespace
}  // namespace tarnwell::advanced
