#include "controls/status_bar_ex.h"

#include <gtest/gtest.h>

#include "platform/text_codec.h"

namespace tarnwell::controls {
namespace {

TEST(StatusBarEx, PanelsLieSideBySideAndTheLastTakesTheRest) {
  TStatusBarEx bar;
  bar.resize(800, 23);
  bar.SetPanelWidths({92, 280, 300});
  EXPECT_EQ(bar.PanelRect(0).left(), 0);
  EXPECT_EQ(bar.PanelRect(0).width(), 92);
  EXPECT_EQ(bar.PanelRect(1).left(), 94);
  EXPECT_EQ(bar.PanelRect(1).width(), 280);
  EXPECT_EQ(bar.PanelRect(2).left(), 376);
  EXPECT_EQ(bar.PanelRect(2).width(), 424);
  EXPECT_TRUE(bar.PanelRect(3).isNull());
}

TEST(StatusBarEx, TheProgressBarStaysInsideItsPanel) {
  TStatusBarEx bar;
  bar.resize(600, 23);
  bar.show();
  bar.SetPanelWidths({147, 312, 50});
  QProgressBar* progress = bar.AddProgressBar(1);
  EXPECT_EQ(progress->parentWidget(), &bar);
  EXPECT_TRUE(bar.PanelRect(1).contains(progress->geometry()));
  bar.resize(900, 30);
  EXPECT_TRUE(bar.PanelRect(1).contains(progress->geometry()));
  EXPECT_EQ(progress->geometry().height(), bar.PanelRect(1).height() - 2);
}

TEST(StatusBarEx, EngineAdaptersShowSystemTextAndProgress) {
  TStatusBarEx bar;
  bar.SetPanelWidths({92, 280, 300});
  StatusBarPanel panel(&bar, 1);
  panel.SetText(platform::SystemText(" 正在扫描 ..."));
  EXPECT_EQ(bar.PanelText(1), QStringLiteral(" 正在扫描 ..."));
  EXPECT_EQ(bar.PanelText(0), QString());

  QProgressBar* progress = bar.AddProgressBar(1);
  QtProgressBar engineBar(progress);
  engineBar.SetPosition(140);
  EXPECT_EQ(progress->value(), 100);
  engineBar.SetPosition(37);
  EXPECT_EQ(progress->value(), 37);
  engineBar.SetVisible(false);
  EXPECT_TRUE(progress->isHidden());
}

}  // namespace
}  // namespace tarnwell::controls
