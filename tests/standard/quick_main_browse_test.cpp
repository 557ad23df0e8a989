// The standard window driven like a user: drives, trees, list, pages,
// sorting and moving around.
#include <QLabel>
#include <QStackedWidget>
#include <QTabBar>

#include "controls/hex_page.h"
#include "controls/properties_page.h"
#include "controls/status_bar_ex.h"
#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

TEST_F(QuickMainTest, OpensWithDrivesBannerAndLog) {
  Open({"demo/demo-disk.img"});
  EXPECT_EQ(w->windowTitle(), "Tarnwell - 标准恢复");
  ASSERT_EQ(w->MyComputerNode->childCount(), 2);
  EXPECT_TRUE(w->MyComputerNode->child(0)->text(0).startsWith("C:  ("));
  EXPECT_TRUE(w->MyComputerNode->child(0)->text(0).endsWith(")  DEMOFAT32"));
  EXPECT_EQ(w->ScanRootNode->text(0), "扫描结果");
  EXPECT_EQ(w->SearchNode->text(0), "查找结果");
  EXPECT_EQ(w->ListView3->LineText(0), "标准恢复已开始");
  EXPECT_EQ(w->StatusBar1->PanelText(0), " 目录");
  EXPECT_EQ(w->Hex->Data()[0], '*');
  EXPECT_FALSE(w->Back->isEnabled());
  // "我的电脑" cannot be chosen, and nothing was scanned by the attempt.
  w->Treeview2->setCurrentItem(w->MyComputerNode);
  EXPECT_NE(w->Treeview2->currentItem(), w->MyComputerNode);
  EXPECT_EQ(w->Engine()->CurrentDrive, nullptr);
  // "扫描" without a drive flashes the hint three times (two waits each).
  w->ScanExecute();
  EXPECT_EQ(waits, 6);
  EXPECT_TRUE(w->Panel4->text().isEmpty());
}

TEST_F(QuickMainTest, Fat32VolumeShowsFoldersDeletedRowsAndCounts) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  EXPECT_EQ(w->ScanRootNode->text(0), "C:\\");
  EXPECT_EQ(w->TreeView1->currentItem(), w->ScanRootNode);
  EXPECT_TRUE(w->ScanRootNode->isExpanded());
  ASSERT_NE(Child(w->ScanRootNode, "Documents"), nullptr);
  ASSERT_NE(Child(w->ScanRootNode, "Music"), nullptr);
  // Built one level below what is expanded: Music already knows "old".
  QTreeWidgetItem* old = Child(Child(w->ScanRootNode, "Music"), "?ld");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->data(0, Qt::UserRole + 3).toInt(), 4);  // deleted folder

  // Folders first, then files, deleted ones with their status.
  EXPECT_EQ(w->ListModel->Row(0).image, 0);
  const int shopping = RowOf("?hopping.txt");
  ASSERT_GE(shopping, 0);
  EXPECT_EQ(w->ListModel->Row(shopping).image, 4);
  EXPECT_EQ(Cell("?hopping.txt", 1), "TXT 文件");
  EXPECT_EQ(Cell("?hopping.txt", 2), "已删除，完好");
  EXPECT_EQ(Cell("?hopping.txt", 3), "500");
  EXPECT_EQ(Cell("todo.txt", 2), "");
  EXPECT_EQ(w->ListModel->Row(RowOf("todo.txt")).image, 3);
  EXPECT_EQ(Cell("Documents", 1), "文件夹");
  EXPECT_EQ(w->StatusBar1->PanelText(1), " C:\\");
  const QString counts = w->StatusBar1->PanelText(2);
  EXPECT_EQ(counts, QString(" %1 个条目 < 已删除: %2 个条目 >")
                        .arg(w->ListModel->RowCount())
                        .arg(w->ListModel->MarkedCount()));
  EXPECT_GE(w->ListModel->MarkedCount(), 1);

  Open(Child(w->ScanRootNode, "Photos"));
  EXPECT_EQ(Cell("family dinner.jpg", 3), "36K");
  EXPECT_EQ(Cell("family dinner.jpg", 2), "已删除，完好");
  EXPECT_EQ(Cell("生日.jpg", 2), "已删除，完好");
  EXPECT_EQ(Cell("beach.jpg", 3), "48K");
  EXPECT_FALSE(Cell("beach.jpg", 4).isEmpty());
  EXPECT_EQ(w->StatusBar1->PanelText(1), " C:\\Photos");
  const QStringList log = {w->ListView3->LineText(1), w->ListView3->LineText(2),
                           w->ListView3->LineText(3)};
  EXPECT_EQ(log[0], "驱动器扫描已开始    -  C:");
  EXPECT_EQ(log[1], "正在扫描驱动器 C:  . . .");
  EXPECT_EQ(log[2], "驱动器扫描已完成");
  EXPECT_TRUE(w->ListView3->LineText(4).startsWith("已找到 "));
}

TEST_F(QuickMainTest, NtfsVolumeOpensAtTheRootFolder) {
  Open({"demo/demo-disk.img"});
  SelectDrive('D');
  EXPECT_EQ(w->ScanRootNode->text(0), "D:");
  QTreeWidgetItem* root = w->TreeView1->currentItem();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->parent(), w->ScanRootNode);
  EXPECT_EQ(root->text(0), "\\");
  EXPECT_TRUE(root->isExpanded());
  EXPECT_GE(RowOf("notes.txt"), 0);
  EXPECT_EQ(Cell("notes.txt", 3), "200");
  QTreeWidgetItem* archive = Child(root, "Archive");
  ASSERT_NE(archive, nullptr);
  QTreeWidgetItem* y2019 = Child(archive, "2019");
  ASSERT_NE(y2019, nullptr);
  EXPECT_EQ(y2019->data(0, Qt::UserRole + 3).toInt(), 4);
  Open(Child(root, "Work"));
  EXPECT_EQ(w->StatusBar1->PanelText(1), " D:\\Work");
  EXPECT_EQ(Cell("salary.txt", 2), "已删除，完好");
  EXPECT_EQ(w->ListModel->Row(RowOf("salary.txt")).image, 4);
  EXPECT_EQ(Cell("客户名单.txt", 2), "");
  EXPECT_EQ(w->GetNodePath(w->TreeView1->currentItem()), "D:\\Work");
}

TEST_F(QuickMainTest, PropertiesAndHexPagesDescribeTheSelectedFile) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "Photos"));
  w->TabSet1->setCurrentIndex(0);
  SelectRow("beach.jpg");
  EXPECT_EQ(w->ListView2->Value(1), "beach.jpg");
  EXPECT_EQ(w->ListView2->Caption(2), "类型");
  EXPECT_EQ(w->ListView2->Value(2), "JPG 文件");
  EXPECT_EQ(w->ListView2->Value(3), "48000");
  const int allocated = w->ListView2->Value(4).toInt();
  EXPECT_GE(allocated, 48000);
  EXPECT_EQ(allocated % 512, 0);
  EXPECT_EQ(w->ListView2->Value(5), Cell("beach.jpg", 4));
  EXPECT_FALSE(w->ListView2->Value(6).isEmpty());
  EXPECT_TRUE(w->ListView2->Value(7).endsWith("12:00 AM"));  // FAT access: date only
  EXPECT_EQ(w->ListView2->Value(12), "Y");  // archive
  EXPECT_EQ(w->ListView2->Value(14), "");

  w->TabSet1->setCurrentIndex(1);
  EXPECT_EQ(w->Notebook1->currentIndex(), 1);
  EXPECT_EQ(w->Panel19->text(), " '.jpg' 文件的正常报头(起始的两个字节)应该是 'FF D8'");
  EXPECT_EQ(w->Hex->Data()[0], 0xFF);
  EXPECT_EQ(w->Hex->Data()[1], 0xD8);
  // A folder leaves the page as it was.
  Open(w->ScanRootNode);
  SelectRow("Documents");
  EXPECT_EQ(w->Hex->Data()[0], 0xFF);
  SelectRow("todo.txt");
  EXPECT_EQ(w->Panel19->text(), "");  // no header known for .txt
}

TEST_F(QuickMainTest, ColumnClicksSortDescendingFirstAndStably) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "Photos"));
  auto& state = standard::TfrmQuickMain::SortState();
  state = controls::SortState();
  w->ListView1ColumnClick(3);
  EXPECT_EQ(Names().front(), "beach.jpg");  // 48000, the largest
  EXPECT_EQ(Names().back(), "生日.jpg");      // 24000
  w->ListView1ColumnClick(3);
  EXPECT_EQ(Names().front(), "生日.jpg");
  EXPECT_EQ(state.Value(), -4);
  w->ListView1ColumnClick(0);
  EXPECT_EQ(state.Value(), 1);
  EXPECT_EQ(Names().front(), "生日.jpg");  // descending by name
  // The state outlives the window.
  tester.reset();
  w.reset();
  EXPECT_EQ(standard::TfrmQuickMain::SortState().Value(), 1);
  state = controls::SortState();
}

TEST_F(QuickMainTest, BackForwardAndUpFindTheirNodesAfterTheTreeGrew) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  QTreeWidgetItem* music = Child(w->ScanRootNode, "Music");
  Open(music);
  QTreeWidgetItem* old = Child(music, "?ld");
  Open(old);
  // Expanding folders above the recorded ones adds nodes before them.
  Child(w->ScanRootNode, "Documents")->setExpanded(true);
  Child(w->ScanRootNode, "Photos")->setExpanded(true);
  ASSERT_TRUE(w->Back->isEnabled());
  w->BackExecute();
  EXPECT_EQ(w->TreeView1->currentItem(), music);
  EXPECT_GE(RowOf("?ld"), 0);
  w->BackExecute();
  // The root, the first position, is reachable.
  EXPECT_EQ(w->TreeView1->currentItem(), w->ScanRootNode);
  EXPECT_FALSE(w->Back->isEnabled());
  w->ForwardExecute();
  w->ForwardExecute();
  EXPECT_EQ(w->TreeView1->currentItem(), old);
  EXPECT_FALSE(w->Forward->isEnabled());
  EXPECT_GE(RowOf("?yrics.txt"), 0);
  w->UpExecute();
  EXPECT_EQ(w->TreeView1->currentItem(), music);
  // Double click on a folder row opens it in the tree.
  SelectRow("?ld");
  w->ListView1DblClick();
  EXPECT_EQ(w->TreeView1->currentItem(), old);
}

TEST_F(QuickMainTest, SettingsAreWrittenOnCloseAndReadOnOpen) {
  Open({"demo/demo-disk.img"});
  w->show();
  w->ListView1->setColumnWidth(0, 222);
  w->N4->setChecked(false);
  w->close();
  EXPECT_NE(ReadTextFile(settings).find("wp0=222"), std::string::npos);
  tester.reset();
  w.reset();
  Open(std::vector<std::string>{});
  EXPECT_EQ(w->ListView1->columnWidth(0), 222);
  EXPECT_FALSE(w->N4->isChecked());
}

}  // namespace
}  // namespace tarnwell::testing
