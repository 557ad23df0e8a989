// A recovery that adds up to more than the destination can take asks
// before it writes anything, and a "no" leaves the destination untouched.
#include <filesystem>

#include "engine/entry_count.h"
#include "platform/device_table.h"
#include "tests/engine/fat/fat_test_volume.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

TEST_F(QuickMainTest, ARecoveryLargerThanTheDestinationAsksFirstAndNoWritesNothing) {
  constexpr uint64_t kPlanned = kCrossLinkedFileClaims * kCrossLinkedFiles;
  table.AttachImage(WriteTempImage(CrossLinkedVolume(), "room", "volume.img"));
  const engine::RoomCheck room = engine::CheckRoom(destination, kPlanned);
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
  EXPECT_TRUE(questions[0].contains(QString::number(kPlanned))) << questions[0].toStdString();
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
