// A recovery of found files that add up to more than the destination can
// take asks before it writes anything; "no" leaves the destination as it was.
#include <filesystem>

#include "advanced/folder_tree_model.h"
#include "engine/entry_count.h"
#include "tests/advanced/adv_window_support.h"
#include "tests/engine/fat/fat_test_volume.h"

namespace tarnwell::advanced {
namespace {

using AdvRoomTest = AdvWindowTest;

TEST_F(AdvRoomTest, FoundFilesLargerThanTheDestinationAreRecoveredOnlyAfterAYes) {
  table.AttachImage(testing::WriteTempImage(testing::CrossLinkedVolume(), "adv_room", "volume.img"));
  destination = testing::MakeTempFolder("adv_room_out");
  const engine::RoomCheck room =
      engine::CheckRoom(destination, testing::kCrossLinkedFileClaims * testing::kCrossLinkedFiles);
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
