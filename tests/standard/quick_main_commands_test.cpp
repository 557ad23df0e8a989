// The standard window's recover, search, "扫描 32" and stop commands, and
// the refusals that keep a running scan or recovery safe.
#include <QTabBar>
#include <QThread>
#include <filesystem>

#include "controls/qt_message_pump.h"
#include "controls/search_panel.h"
#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

namespace tarnwell::testing {
namespace {

namespace fs = std::filesystem;

TEST_F(QuickMainTest, RecoversCheckedRowsByteExactWithUniqueNames) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "Photos"));
  // Selected but not checked: not recovered.
  SelectRow("beach.jpg");
  Check("family dinner.jpg");
  Check("生日.jpg");
  w->RecoverExecute();
  EXPECT_EQ(Sha256(destination + "/family dinner.jpg"), ManifestSha("Photos/family dinner.jpg"));
  EXPECT_EQ(Sha256(destination + "/生日.jpg"), ManifestSha("Photos/生日.jpg"));
  EXPECT_FALSE(fs::exists(destination + "/beach.jpg"));
  EXPECT_EQ(w->ListView3->LineText(w->ListView3->LineCount() - 2), "恢复已完成。");
  EXPECT_EQ(LastLog(), "2 个文件已恢复，0 个失败");
  EXPECT_EQ(w->TabSet1->currentIndex(), 3);
  EXPECT_EQ(opened, std::vector<std::string>{destination});
  EXPECT_FALSE(w->Engine()->Scanning);

  // Again, with the option off: "_1" before the extension, nothing opened.
  w->N4->setChecked(false);
  w->RecoverExecute();
  EXPECT_EQ(Sha256(destination + "/family dinner_1.jpg"), ManifestSha("Photos/family dinner.jpg"));
  EXPECT_EQ(opened.size(), 1u);
  // Each renamed copy is named in the log.
  EXPECT_EQ(w->ListView3->LineText(w->ListView3->LineCount() - 4),
            "“family dinner.jpg” 在目标目录中已存在，恢复的副本保存为 “family dinner_1.jpg”");

  // A deleted folder goes with its contents (a name from disk that begins
  // with the deletion mark is written with "@"); the photos are still
  // ticked, so each keeps its folder's path.
  Open(Child(w->ScanRootNode, "Music"));
  w->Checkall1Click(false);
  Check("?ld");
  w->RecoverExecute();
  EXPECT_EQ(Sha256(destination + "/Music/@ld/@yrics.txt"), ManifestSha("Music/old/lyrics.txt"));
  EXPECT_EQ(Sha256(destination + "/Music/@ld/song-list.txt"), ManifestSha("Music/old/song-list.txt"));
  EXPECT_EQ(Sha256(destination + "/Photos/生日.jpg"), ManifestSha("Photos/生日.jpg"));
  // Alone, the folder is written flat.
  w->Checkall1Click(false);
  Open(Child(w->ScanRootNode, "Photos"));
  w->Checkall1Click(false);
  EXPECT_EQ(w->TickedCount(), 0);
  Open(Child(w->ScanRootNode, "Music"));
  Check("?ld");
  w->RecoverExecute();
  EXPECT_EQ(Sha256(destination + "/@ld/song-list.txt"), ManifestSha("Music/old/song-list.txt"));
}

TEST_F(QuickMainTest, RecoverWithNothingCheckedOrCancelled) {
  Open({"demo/demo-disk.img"});
  SelectDrive('D');
  w->RecoverExecute();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, controls::BoxKind::kWarning);
  EXPECT_EQ(boxes[0].text, "0 个文件已选择，请选择您想要恢复的文件。\n");
  Check("notes.txt");
  acceptDestination = false;
  const int lines = w->ListView3->LineCount();
  w->RecoverExecute();
  EXPECT_EQ(w->ListView3->LineCount(), lines);
  acceptDestination = true;
  w->RecoverExecute();
  EXPECT_EQ(Sha256(destination + "/notes.txt"), ManifestSha("notes.txt"));
}

TEST_F(QuickMainTest, StopDuringRecoveryEndsBetweenFilesAndRefusesEverythingElse) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "Photos"));
  Check("family dinner.jpg");
  Check("生日.jpg");
  const int rows = w->ListModel->RowCount();
  bool tried = false;
  w->Pump().SetAfterEvents([&] {
    if (tried) return;
    tried = true;
    // Everything that would touch the entries is refused meanwhile.
    w->close();
    EXPECT_TRUE(w->Engine() != nullptr);
    w->Treeview2->setCurrentItem(w->DriveNode('D'));
    EXPECT_NE(w->Engine()->CurrentDrive->DriveName, "D:");
    w->UpExecute();
    w->ListView1ColumnClick(3);
    w->RecoverExecute();
    w->StopExecute();
  });
  QThread::msleep(25);  // the pump's first call lets events through
  w->RecoverExecute();
  w->Pump().SetAfterEvents({});
  EXPECT_TRUE(tried);
  EXPECT_EQ(w->ListModel->RowCount(), rows);
  EXPECT_EQ(w->TreeView1->currentItem()->text(0), "Photos");
  // The first file stopped part-way; the second was never started.
  const bool second = fs::exists(destination + "/生日.jpg") || fs::exists(destination + "/family dinner.jpg");
  EXPECT_TRUE(second);
  EXPECT_FALSE(fs::exists(destination + "/生日.jpg") && fs::exists(destination + "/family dinner.jpg"));
  EXPECT_EQ(w->ListView3->LineText(w->ListView3->LineCount() - 2), "恢复被用户终止");
  EXPECT_EQ(LastLog(), "0 个文件已恢复，0 个失败") << "the stopped file is not counted as recovered";
  EXPECT_FALSE(w->Engine()->Scanning);
}

TEST_F(QuickMainTest, StopDuringAScanAndClosingRefusedMeanwhile) {
  Open({"demo/demo-disk.img"});
  bool pressed = false;
  w->Pump().SetAfterEvents([&] {
    if (pressed) return;
    pressed = true;
    w->close();
    w->TabSet1->setCurrentIndex(2);
    w->Button1Click();
    w->StopExecute();
  });
  w->show();
  QThread::msleep(25);  // the pump's first call lets events through
  SelectDrive('C');
  w->Pump().SetAfterEvents({});
  EXPECT_TRUE(pressed);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->ListView3->LineText(w->ListView3->LineCount() - 2), "驱动器扫描被用户终止");
  EXPECT_TRUE(boxes.empty());  // the search did not even check its criteria
  w->close();
  EXPECT_FALSE(w->isVisible());
}

TEST_F(QuickMainTest, SearchListsResultsWithLocationsAndRevealsThem) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  w->TabSet1->setCurrentIndex(2);
  w->Button1Click();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "您必须至少指定 1 项搜索条件。");

  w->SearchPage->CheckBox2->setChecked(true);
  w->SearchPage->Edit1->setText("*.jpg,?ld");
  w->Button1Click();
  EXPECT_EQ(w->TreeView1->currentItem(), w->SearchNode);
  EXPECT_EQ(w->ListModel->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "位置");
  EXPECT_EQ(Cell("生日.jpg", 1), "C:\\Photos");
  EXPECT_EQ(Cell("?ld", 1), "C:\\Music");
  EXPECT_LT(RowOf("beach.jpg"), 0);  // deleted entries only
  EXPECT_EQ(w->StatusBar1->PanelText(1), " 查找结果");
  // Searching from the results searches the same place again.
  const size_t before = w->ListModel->RowCount();
  w->SearchPage->AllFiles->setChecked(true);
  w->Button1Click();
  EXPECT_GT(static_cast<size_t>(w->ListModel->RowCount()), before);
  EXPECT_GE(RowOf("beach.jpg"), 0);
  w->SearchPage->DeletedOnly->setChecked(true);
  w->Button1Click();
  EXPECT_EQ(static_cast<size_t>(w->ListModel->RowCount()), before);

  w->TabSet1->setCurrentIndex(0);
  SelectRow("生日.jpg");
  EXPECT_EQ(w->ListView2->Caption(2), "位置");
  EXPECT_EQ(w->ListView2->Value(2), "C:\\Photos");
  w->Openparentdirectory1Click();
  EXPECT_EQ(w->TreeView1->currentItem()->text(0), "Photos");
  EXPECT_GE(RowOf("beach.jpg"), 0);

  w->TreeView1->setCurrentItem(w->SearchNode);
  SelectRow("?ld");
  w->ListView1DblClick();
  EXPECT_EQ(w->TreeView1->currentItem()->text(0), "?ld");
  EXPECT_GE(RowOf("?yrics.txt"), 0);

  // Below a folder, all entries: only that folder's subtree.
  Open(Child(w->ScanRootNode, "Music"));
  w->Button1Click();
  EXPECT_LT(RowOf("生日.jpg"), 0);
  EXPECT_GE(RowOf("?ld"), 0);

  // Another drive's scan empties the results.
  SelectDrive('D');
  EXPECT_TRUE(w->Engine()->SearchResults.size() == 0);
  w->TreeView1->setCurrentItem(w->SearchNode);
  EXPECT_EQ(w->ListModel->RowCount(), 0);
}

TEST_F(QuickMainTest, Scan32RepairsADamagedFat32FolderOnly) {
  Open({"fat/fat32.img", "base/fat16.img"});
  SelectDrive('D');
  w->acScan32Execute();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, controls::BoxKind::kError);
  EXPECT_EQ(boxes[0].text, "“扫描 32”只能用于 FAT32 文件系统。");

  SelectDrive('C');
  const int row = RowOf("?IGHDIR");
  ASSERT_GE(row, 0);
  EXPECT_EQ(w->ListModel->Row(row).image, 2);
  EXPECT_EQ(Cell("?IGHDIR", 2), "已损坏");
  QTreeWidgetItem* node = Child(w->ScanRootNode, "?IGHDIR");
  ASSERT_NE(node, nullptr);
  // A damaged folder cannot be opened in the tree.
  w->TreeView1->setCurrentItem(node);
  EXPECT_EQ(w->TreeView1->currentItem(), w->ScanRootNode);
  // Not a damaged folder: nothing is repaired, and the user is told what
  // to choose.
  SelectRow("keep.txt");
  w->acScan32Execute();
  EXPECT_EQ(w->TreeView1->currentItem(), w->ScanRootNode);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].kind, controls::BoxKind::kInformation);
  EXPECT_EQ(boxes[1].text, "请先在文件列表中选择一个损坏的目录，再使用“扫描 32”。");

  SelectRow("?IGHDIR");
  w->acScan32Execute();
  EXPECT_EQ(boxes.size(), 2u);
  ASSERT_EQ(w->TreeView1->currentItem(), node);
  EXPECT_EQ(node->data(0, Qt::UserRole + 3).toInt(), 4);
  EXPECT_GE(RowOf("inside one.txt"), 0);
  EXPECT_EQ(w->StatusBar1->PanelText(0), " 目录");
}

TEST_F(QuickMainTest, AFailedScanKeepsTheShownDriveAndItsRows) {
  Open({"base/fat16.img", "base/fat16.img"});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "photos"));
  const int rows = w->ListModel->RowCount();
  ASSERT_GT(rows, 0);
  engine::TLogiDrive* c = w->Engine()->CurrentDrive;
  // D: is refused: make it unrecognised after the drive list was built.
  engine::TLogiDrive* d = w->Engine()->FindDrive('D');
  d->Identified = true;
  d->FsKind = engine::kUnrecognised;
  SelectDrive('D');
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(w->Engine()->CurrentDrive, c);
  EXPECT_EQ(w->Treeview2->currentItem(), w->DriveNode('C'));
  EXPECT_EQ(w->ListModel->RowCount(), rows);
  EXPECT_EQ(w->TreeView1->currentItem()->text(0), "photos");
  EXPECT_EQ(w->StatusBar1->PanelText(0), " 目录");
  // Clicking the scanned drive again shows its results without a rescan;
  // "扫描" rescans it.
  SelectDrive('C');
  const int lines = w->ListView3->LineCount();
  w->ScanExecute();
  EXPECT_GT(w->ListView3->LineCount(), lines);
  EXPECT_EQ(w->TreeView1->currentItem(), w->ScanRootNode);
}

}  // namespace
}  // namespace tarnwell::testing
