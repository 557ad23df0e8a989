// The advanced window's log offers "清空日志" once, and a drive caption cut
// at the pane's width shows whole when the pointer rests on it.
#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

#include "controls/event_log_view.h"
#include "tests/advanced/adv_window_support.h"

namespace tarnwell::advanced {
namespace {

// The tool tip the view shows where the pointer rests on item's text.
QString TipOver(QTreeWidget* tree, QTreeWidgetItem* item) {
  QToolTip::hideText();  // a shown tip goes after a moment
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
  const QPoint at = tree->visualItemRect(item).center();
  QHelpEvent event(QEvent::ToolTip, at, tree->viewport()->mapToGlobal(at));
  QApplication::sendEvent(tree->viewport(), &event);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

TEST_F(AdvWindowTest, LogMenuClearsOnce) {
  Open({"raw/fat16-zeroed.img"});
  int clearItems = 0;
  for (QAction* action : window->ListView3->actions()) clearItems += action->text() == QStringLiteral("清空日志");
  EXPECT_EQ(clearItems, 1);
  ASSERT_GT(window->ListView3->LineCount(), 0);
  for (QAction* action : window->ListView3->actions())
    if (action->text() == QStringLiteral("清空日志")) action->trigger();
  EXPECT_EQ(window->ListView3->LineCount(), 0);
}

TEST_F(AdvWindowTest, ACutDriveCaptionShowsWholeUnderThePointer) {
  Open({"raw/fat16-zeroed.img"});
  window->resize(800, 600);
  window->show();
  QTreeWidgetItem* disk = DiskNode(0);
  ASSERT_NE(disk, nullptr);
  window->TreeView2->setFixedWidth(120);
  QApplication::processEvents();
  ASSERT_LT(window->TreeView2->visualItemRect(disk).width(),
            window->TreeView2->fontMetrics().horizontalAdvance(disk->text(0)));
  EXPECT_EQ(TipOver(window->TreeView2, disk), disk->text(0));
  // Wide enough for every caption, no tip repeats what is on screen.
  window->TreeView2->setFixedWidth(700);
  QApplication::processEvents();
  EXPECT_EQ(TipOver(window->TreeView2, disk), QString());
}

}  // namespace
}  // namespace tarnwell::advanced
