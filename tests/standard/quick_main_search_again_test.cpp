// Searching again from "查找结果", where every search leaves the user: the
// new search looks where the previous one did, and the search page says
// where that is.
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QCheckBox>

#include "controls/search_panel.h"
#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

TEST_F(QuickMainTest, SearchingFromTheResultsSearchesThePreviousPlaceAgain) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  w->TabSet1->setCurrentIndex(2);
  EXPECT_EQ(w->SearchPage->PlaceLabel->text(), "搜索位置: C:\\ (整个驱动器)");
  Open(Child(w->ScanRootNode, "Music"));
  EXPECT_EQ(w->SearchPage->PlaceLabel->text(), "搜索位置: C:\\Music");
  w->SearchPage->CheckBox2->setChecked(true);
  w->SearchPage->Edit1->setText("*.txt,*.m3u");
  w->Button1Click();
  ASSERT_EQ(w->TreeView1->currentItem(), w->SearchNode);
  EXPECT_EQ(w->SearchPage->PlaceLabel->text(), "搜索位置: C:\\Music") << "the results' place";
  const int deletedOnly = w->ListModel->RowCount();
  ASSERT_GT(deletedOnly, 0);

  // All files this time, still below Music only; the results are replaced.
  w->SearchPage->AllFiles->setChecked(true);
  w->Button1Click();
  EXPECT_EQ(w->TreeView1->currentItem(), w->SearchNode);
  EXPECT_GT(w->ListModel->RowCount(), deletedOnly);
  EXPECT_EQ(w->Engine()->SearchResults.size(), static_cast<size_t>(w->ListModel->RowCount()));
  for (int row = 0; row < w->ListModel->RowCount(); ++row)
    EXPECT_TRUE(w->ListModel->Text(row, 1).startsWith("C:\\Music")) << w->ListModel->Text(row, 1).toStdString();

  // A new scan forgets the place: the whole drive again.
  w->ScanExecute();
  w->TreeView1->setCurrentItem(w->SearchNode);
  EXPECT_EQ(w->SearchPage->PlaceLabel->text(), "搜索位置: C:\\ (整个驱动器)");
  w->SearchPage->Edit1->setText("*.jpg");
  w->Button1Click();
  bool photos = false;
  for (int row = 0; row < w->ListModel->RowCount(); ++row)
    photos = photos || w->ListModel->Text(row, 1) == "C:\\Photos";
  EXPECT_TRUE(photos);
}

}  // namespace
}  // namespace tarnwell::testing
