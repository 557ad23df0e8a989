// The standard window's menus sit in a menu bar, as the other windows'
// do: captions alone (no drop-down arrow drawn over them), with their
// entries in order.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

QStringList Entries(const QMenu* menu) {
  QStringList entries;
  for (const QAction* action : menu->actions()) entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
  return entries;
}

TEST_F(QuickMainTest, MenusSitInAMenuBarWithTheirEntries) {
  Open({"demo/demo-disk.img"});
  w->show();
  const QList<QMenuBar*> bars = w->findChildren<QMenuBar*>();
  ASSERT_EQ(bars.size(), 1);
  QMenuBar* bar = bars[0];
  ASSERT_TRUE(bar->isVisible());
  const QList<QAction*> menus = bar->actions();
  ASSERT_EQ(menus.size(), 3);
  EXPECT_EQ(menus[0]->text(), QStringLiteral("文件"));
  EXPECT_EQ(menus[1]->text(), QStringLiteral("选项"));
  EXPECT_EQ(menus[2]->text(), QStringLiteral("帮助"));
  EXPECT_EQ(Entries(menus[0]->menu()), (QStringList{"打开磁盘映像...", "最近的映像", "-", "扫描", "停止", "-", "恢复", "-", "关闭"}));
  EXPECT_EQ(Entries(menus[1]->menu()), (QStringList{"恢复后打开目标目录"}));
  EXPECT_EQ(Entries(menus[2]->menu()), (QStringList{"目录"}));
  for (QAction* menu : menus) EXPECT_TRUE(bar->actionGeometry(menu).isValid()) << menu->text().toStdString();
}

}  // namespace
}  // namespace tarnwell::testing
