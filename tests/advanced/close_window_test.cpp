// Closing the advanced window: Esc never closes it, and closing it while it
// holds a scan's results or ticked rows asks once.
#include <QAction>
#include <QTest>

#include "advanced/raw_file_list.h"
#include "tests/advanced/adv_window_support.h"

namespace tarnwell::advanced {
namespace {

TEST_F(AdvWindowTest, EscNeverClosesAndClosingAScannedWindowAsksOnce) {
  Open({"raw/fat16-zeroed.img"});
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());
  ScanDisk(0);
  ASSERT_TRUE(window->HoldsScanResults());
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(questions.empty()) << "Esc does not even ask";

  closeAnswer = false;
  window->acClose->trigger();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(questions[0].contains("扫描结果")) << questions[0].toStdString();
  EXPECT_TRUE(window->isVisible());
  ASSERT_GT(window->FileModel()->RowCount(), 0);
  window->FileModel()->SetChecked(0, true);
  window->close();
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_TRUE(questions[1].contains("已选择的 1 个条目")) << questions[1].toStdString();
  EXPECT_TRUE(window->isVisible());

  closeAnswer = true;
  window->close();
  EXPECT_EQ(questions.size(), 3u);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(AdvWindowTest, ClosingBeforeAnyScanAsksNothing) {
  Open({"raw/fat16-zeroed.img"});
  window->acClose->trigger();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(questions.empty());
}

}  // namespace
}  // namespace tarnwell::advanced
