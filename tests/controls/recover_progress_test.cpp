// Where a recovery stands: the share by bytes (by files when all are
// empty), the engine's progress inside a large file, the time left from
// the rate so far, and the summary after a finish or a stop.
#include "controls/recover_progress.h"

#include <gtest/gtest.h>

#include <QProgressBar>

#include "controls/recover_command.h"

namespace tarnwell::controls {
namespace {

TEST(RecoverProgress, ShareFollowsBytesAndTheEngineInsideAFileAndTimeLeftFollowsTheRate) {
  double now = 100;
  int shown = 0;
  RecoverProgress p({3, 1000}, [&shown](const RecoverProgress&) { ++shown; }, [&now] { return now; });
  EXPECT_EQ(p.Percent(), 0);
  EXPECT_LT(p.SecondsLeft(), 0);
  EXPECT_TRUE(p.Text().contains(QStringLiteral("0 / 3 个文件")));
  EXPECT_TRUE(p.Text().contains(QStringLiteral("正在估算")));

  p.BeginItem({1, 800});
  p.ItemBar().SetPosition(50);  // half of the large file
  EXPECT_EQ(p.Done().bytes, 400u);
  EXPECT_EQ(p.Done().files, 0u);  // a file counts once written
  EXPECT_EQ(p.Percent(), 40);
  p.ItemBar().SetPosition(50);  // the same position again says nothing new
  p.ItemBar().SetPosition(250);  // out of range: clamped
  EXPECT_EQ(p.Done().bytes, 800u);
  now = 108;  // 800 bytes in 8 s: 200 left take 2 s
  p.EndItem();
  EXPECT_EQ(p.Percent(), 80);
  EXPECT_DOUBLE_EQ(p.SecondsLeft(), 2);
  EXPECT_TRUE(p.Text().contains(QStringLiteral("1 / 3 个文件")));
  EXPECT_TRUE(p.Text().contains(QStringLiteral("剩余 0:02")));
  EXPECT_EQ(shown, 4);  // begin, 50, 100, end

  p.ItemBar().SetPosition(30);  // between items the engine's bar moves nothing
  EXPECT_EQ(p.Done().bytes, 800u);
  p.BeginItem({2, 200});
  p.EndItem();
  EXPECT_EQ(p.Percent(), 100);
  EXPECT_DOUBLE_EQ(p.SecondsLeft(), 0);

  RecoverTally tally{2, 1};
  const QString summary = p.SummaryText(tally, false);
  EXPECT_TRUE(summary.startsWith(QStringLiteral("恢复已完成。")));
  EXPECT_TRUE(summary.contains(QStringLiteral("2 个文件已恢复，1 个失败")));
  EXPECT_TRUE(summary.contains(QStringLiteral("用时 0:08")));
}

TEST(RecoverProgress, EmptyFilesMoveTheShareByCountAndAStopSaysWhatIsLeft) {
  double now = 0;
  RecoverProgress p({4, 0}, nullptr, [&now] { return now; });
  p.BeginItem({1, 0});
  p.EndItem();
  now = 2;
  EXPECT_EQ(p.Percent(), 25);
  EXPECT_DOUBLE_EQ(p.SecondsLeft(), 6);
  const QString summary = p.SummaryText({1, 0}, true);
  EXPECT_TRUE(summary.startsWith(QStringLiteral("恢复已被用户停止。")));
  EXPECT_TRUE(summary.contains(QStringLiteral("未恢复的 3 个文件")));
}

TEST(RecoverProgress, TheBarShowsTheTextDuringARecoveryAndIsGivenBackAfter) {
  QProgressBar bar;
  bar.hide();
  RecoverProgress p({2, 100}, nullptr, [] { return 0.0; });
  p.BeginItem({1, 50});
  p.EndItem();
  ShowRecoverProgressBar(&bar, p);
  EXPECT_FALSE(bar.isHidden());
  EXPECT_EQ(bar.value(), 50);
  EXPECT_TRUE(bar.isTextVisible());
  EXPECT_EQ(bar.text(), p.Text());
  EndRecoverProgressBar(&bar, false);
  EXPECT_TRUE(bar.isHidden());
  EXPECT_FALSE(bar.isTextVisible());
}

}  // namespace
}  // namespace tarnwell::controls
