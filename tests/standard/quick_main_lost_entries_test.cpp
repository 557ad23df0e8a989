// The standard window on a FAT32 volume whose deleted folder grew past its
// files' data: what only free clusters still hold shows in one folder
// "丢失的条目", without a date, and comes back byte-exact from there.
#include <QTableView>

#include <set>

#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

TEST_F(QuickMainTest, LostEntriesShowInOneFolderAndRecoverByteExact) {
  Open({"orphans/fat32-orphans.img"});
  ASSERT_NE(w->DriveNode('C'), nullptr);
  SelectDrive('C');
  QTreeWidgetItem* lost = Child(w->ScanRootNode, "丢失的条目");
  ASSERT_NE(lost, nullptr);
  EXPECT_EQ(lost->data(0, Qt::UserRole + 3).toInt(), 4);  // a deleted folder
  ASSERT_NE(Child(w->ScanRootNode, "Grown"), nullptr);
  ASSERT_NE(Child(w->ScanRootNode, "KEEP"), nullptr);
  // A folder the scan made up has no date of its own.
  EXPECT_EQ(Cell("丢失的条目", 1), "文件夹");
  EXPECT_EQ(Cell("丢失的条目", 2), "已删除");
  EXPECT_EQ(Cell("丢失的条目", 4), "");

  Open(lost);
  const QString name = QStringLiteral("A rather long file name number 100 of Grown.txt");
  ASSERT_GE(RowOf(name), 0);
  EXPECT_EQ(Cell(name, 2), "已删除，完好");
  Check(name);
  w->RecoverExecute();
  EXPECT_EQ(Sha256(destination + "/" + name.toStdString()),
            ManifestSha("Grown/" + name.toStdString(), "orphans/MANIFEST", "fat32-orphans.img"));
  EXPECT_TRUE(LastLog().endsWith("个文件已恢复，0 个失败")) << LastLog().toStdString();
}

}  // namespace
}  // namespace tarnwell::testing
