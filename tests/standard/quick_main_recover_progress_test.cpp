// The recovery's progress as a user sees it: the status bar's bar moves
// with files and bytes, "停止" pressed while it runs ends it after the file
// under way, and a box sums up what was written.
#include <QProgressBar>
#include <filesystem>

#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

using QuickMainRecoverProgressTest = QuickMainTest;

TEST_F(QuickMainRecoverProgressTest, TheBarCountsFilesAndBytesAndStopEndsTheRecoveryWithASummary) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "Photos"));
  w->Checkall1Click(true);
  const int ticked = w->TickedCount();
  ASSERT_GE(ticked, 2);

  // First a whole run: the bar's text ends on every file and the bar goes
  // back to how the scans left it.
  std::vector<QString> texts;
  std::vector<int> values;
  QObject::connect(w->ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
    if (!w->ProgressBar1->isTextVisible()) return;  // given back to the scans
    values.push_back(v);
    texts.push_back(w->ProgressBar1->text());
  });
  w->RecoverExecute();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(values.back(), 100);
  EXPECT_TRUE(texts.back().startsWith(QStringLiteral("%1 / %1 个文件").arg(ticked))) << texts.back().toStdString();
  EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
  EXPECT_FALSE(w->ProgressBar1->isTextVisible());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, controls::BoxKind::kInformation);
  EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("恢复已完成。")));
  EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("%1 个文件已恢复，0 个失败").arg(ticked)));

  // Again into a fresh folder, "停止" pressed once the first file is
  // written: the rest is left, and the box says so.
  destination = MakeTempFolder("quick_main_stopped");
  boxes.clear();
  bool pressed = false;
  QObject::connect(w->ProgressBar1, &QProgressBar::valueChanged, [&](int) {
    if (w->ProgressBar1->text().startsWith(QStringLiteral("1 / ")) && !pressed) {
      pressed = true;
      w->Stop->trigger();
    }
  });
  w->RecoverExecute();
  EXPECT_TRUE(pressed);
  size_t written = 0;
  for (const auto& e : std::filesystem::directory_iterator(destination)) written += e.is_regular_file();
  EXPECT_EQ(written, 1u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("恢复已被用户停止。")));
  EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("未恢复的 %1 个文件").arg(ticked - 1)));
  EXPECT_FALSE(w->Engine()->Scanning);  // the window is free again
}

}  // namespace
}  // namespace tarnwell::testing
