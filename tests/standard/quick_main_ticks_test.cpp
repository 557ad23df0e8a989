// Ticks in the standard window belong to entries, not to the rows shown:
// they survive folder changes, searches and sorting, the status bar counts
// them, and "恢复" takes every one of them.
#include <filesystem>

#include "controls/search_panel.h"
#include "controls/status_bar_ex.h"
#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

namespace tarnwell::testing {
namespace {

namespace fs = std::filesystem;

bool Ticked(standard::TfrmQuickMain& w, int row) { return row >= 0 && w.ListModel->Row(row).checked; }

TEST_F(QuickMainTest, TicksSurviveFoldersSortingAndSearchesAndAllAreRecovered) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  QTreeWidgetItem* photos = Child(w->ScanRootNode, "Photos");
  Open(photos);
  Check("family dinner.jpg");
  Open(Child(w->ScanRootNode, "Music"));
  Check("?ld");
  EXPECT_EQ(w->StatusBar1->PanelText(3), " 已选择 2 个条目");

  Open(photos);
  EXPECT_TRUE(Ticked(*w, RowOf("family dinner.jpg"))) << "a tick outlives a visit to another folder";
  w->ListView1ColumnClick(0);
  w->ListView1ColumnClick(3);
  EXPECT_TRUE(Ticked(*w, RowOf("family dinner.jpg")));
  EXPECT_EQ(w->ListModel->CheckedRows().size(), 1u);

  // A search shows the ticked entry ticked, and an untick there counts.
  w->TabSet1->setCurrentIndex(2);
  w->SearchPage->CheckBox2->setChecked(true);
  w->SearchPage->Edit1->setText("*.jpg");
  w->SearchPage->AllFiles->setChecked(true);
  Open(w->ScanRootNode);
  w->Button1Click();
  ASSERT_EQ(w->TreeView1->currentItem(), w->SearchNode);
  EXPECT_TRUE(Ticked(*w, RowOf("family dinner.jpg")));
  Check("生日.jpg");
  EXPECT_EQ(w->StatusBar1->PanelText(3), " 已选择 3 个条目");

  w->RecoverExecute();
  EXPECT_EQ(Sha256(destination + "/Photos/family dinner.jpg"), ManifestSha("Photos/family dinner.jpg"));
  EXPECT_EQ(Sha256(destination + "/Photos/生日.jpg"), ManifestSha("Photos/生日.jpg"));
  EXPECT_EQ(Sha256(destination + "/Music/@ld/song-list.txt"), ManifestSha("Music/old/song-list.txt"));
}

TEST_F(QuickMainTest, TicksStayWithTheirDriveAndARescanDropsThem) {
  Open({"demo/demo-disk.img"});
  SelectDrive('D');
  Check("notes.txt");
  SelectDrive('C');
  EXPECT_EQ(w->TickedCount(), 1);
  EXPECT_EQ(w->ListModel->TickCount(), 0) << "D:'s tick is not recovered from C:";
  SelectDrive('D');
  EXPECT_TRUE(Ticked(*w, RowOf("notes.txt")));
  // "扫描" rescans D: and releases the entries the tick pointed at.
  w->ScanExecute();
  EXPECT_EQ(w->TickedCount(), 0);
  EXPECT_FALSE(Ticked(*w, RowOf("notes.txt")));
  EXPECT_EQ(w->StatusBar1->PanelText(3), " 已选择 0 个条目");
}

TEST_F(QuickMainTest, SelectAllDeletedInTheFolderAndInTheWholeVolume) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "Music"));
  w->CheckDeletedInFolder();
  for (int row = 0; row < w->ListModel->RowCount(); ++row)
    EXPECT_EQ(w->ListModel->Row(row).checked, !w->ListModel->Text(row, 2).isEmpty())
        << w->ListModel->Row(row).name.toStdString();
  const int inFolder = w->TickedCount();
  EXPECT_GT(inFolder, 0);

  // The whole volume: every deleted entry, the search results left as
  // they were.
  engine::TSearchCriteria deleted;
  deleted.DeletedOnly = true;
  ASSERT_TRUE(w->Engine()->Search(deleted));
  const size_t volumeDeleted = w->Engine()->SearchResults.size();
  w->Engine()->SearchResults.clear();
  w->CheckDeletedInVolume();
  EXPECT_EQ(w->TickedCount(), static_cast<int>(volumeDeleted));
  EXPECT_GT(volumeDeleted, static_cast<size_t>(inFolder));
  EXPECT_TRUE(w->Engine()->SearchResults.empty());
}

}  // namespace
}  // namespace tarnwell::testing
