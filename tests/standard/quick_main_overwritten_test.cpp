// The standard window on a volume whose deleted files live files partly
// took since: the status column and the properties page say how much of
// each is left, and a recovery logs and counts the overwritten copies.
#include <QDir>
#include <QTableView>

#include "controls/properties_page.h"
#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

TEST_F(QuickMainTest, OverwrittenFilesAreShownLoggedAndCountedApart) {
  Open({"overwritten/fat16-overwritten.img"});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "DATA"));
  EXPECT_EQ(Cell("?ONE2.TXT", 2), "已删除，已被覆盖");
  EXPECT_EQ(Cell("?ONE3.TXT", 2), "已删除，部分被覆盖");
  EXPECT_EQ(Cell("?ONE1.TXT", 2), "已删除，完好");
  EXPECT_EQ(Cell("KEEP1.TXT", 2), "");

  w->TabSet1->setCurrentIndex(0);
  EXPECT_EQ(w->ListView2->Caption(8), "数据状态");
  SelectRow("?ONE3.TXT");
  EXPECT_EQ(w->ListView2->Value(8), "部分被覆盖");
  SelectRow("KEEP1.TXT");
  EXPECT_EQ(w->ListView2->Value(8), "") << "an existing file has no such state";

  Check("?ONE2.TXT");
  Check("?ONE1.TXT");
  Check("KEEP1.TXT");
  w->RecoverExecute();
  // Both deleted files are written; the overwritten one is not counted
  // among the recovered.
  EXPECT_EQ(LastLog(), "2 个文件已恢复，0 个失败，1 个已被覆盖");
  EXPECT_EQ(w->ListView3->LineIcon(w->ListView3->LineCount() - 1), engine::kLogStopped);
  int flagged = 0;
  for (int i = 0; i < w->ListView3->LineCount(); ++i)
    flagged += w->ListView3->LineText(i) == "?ONE2.TXT:  已被覆盖，恢复的内容来自其他文件";
  EXPECT_EQ(flagged, 1);
  EXPECT_EQ(QDir(QString::fromStdString(destination)).entryList(QDir::Files).size(), 3) << "all three written";
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().kind, controls::BoxKind::kWarning);
}

}  // namespace
}  // namespace tarnwell::testing
