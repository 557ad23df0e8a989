// Closing the standard window: Esc never closes it, and closing it with a
// scan or ticked rows asks once.
#include <QTest>

#include "engine/undelete.h"

#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

TEST_F(QuickMainTest, EscNeverClosesAndClosingWithAScanAsksOnce) {
  Open({"demo/demo-disk.img"});
  w->show();
  QTest::keyClick(w.get(), Qt::Key_Escape);
  EXPECT_TRUE(w->isVisible()) << "Esc closes nothing, even before a scan";
  SelectDrive('C');
  QTest::keyClick(w.get(), Qt::Key_Escape);
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(questions.empty()) << "Esc does not even ask";

  // "关闭" (Ctrl+X) and the close box ask; "否" keeps scan and window.
  closeAnswer = false;
  w->acClose->trigger();
  w->close();
  ASSERT_EQ(questions.size(), 2u) << "one question per attempt";
  EXPECT_TRUE(questions[0].contains("扫描结果")) << questions[0].toStdString();
  EXPECT_TRUE(w->isVisible());
  ASSERT_NE(w->Engine(), nullptr);
  EXPECT_NE(w->Engine()->CurrentDrive, nullptr);

  Open(Child(w->ScanRootNode, "Photos"));
  Check("beach.jpg");
  closeAnswer = true;
  w->close();
  ASSERT_EQ(questions.size(), 3u);
  EXPECT_TRUE(questions[2].contains("已选择的 1 个条目")) << questions[2].toStdString();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(w->Engine(), nullptr);
}

TEST_F(QuickMainTest, ClosingWithNothingToLoseAsksNothing) {
  Open({"demo/demo-disk.img"});
  w->show();
  w->acClose->trigger();
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(questions.empty());
}

}  // namespace
}  // namespace tarnwell::testing
