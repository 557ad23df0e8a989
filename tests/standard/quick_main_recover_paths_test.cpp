// Recovering ticks of several folders (search results, or ticks made while
// moving around): each entry is written once, under its folders' path
// below the volume's root; ticks of one folder are still written flat.
#include <filesystem>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "controls/search_panel.h"
#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

namespace fs = std::filesystem;

size_t FilesBelow(const std::string& folder) {
  size_t n = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder)) n += e.is_regular_file();
  return n;
}

TEST_F(QuickMainTest, SearchResultsAreRecoveredOnceUnderTheirPaths) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  w->TabSet1->setCurrentIndex(2);
  w->SearchPage->CheckBox2->setChecked(true);
  w->SearchPage->Edit1->setText("*.txt,?ld,*.jpg");
  w->SearchPage->AllFiles->setChecked(true);
  w->Button1Click();
  ASSERT_EQ(w->TreeView1->currentItem(), w->SearchNode);
  // The deleted folder and the files inside it are all results: ticking
  // all of them must not write those files twice.
  ASSERT_GE(RowOf("?ld"), 0);
  ASSERT_GE(RowOf("song-list.txt"), 0);
  w->Checkall1Click(true);
  const int ticked = w->TickedCount();
  w->RecoverExecute();
  EXPECT_EQ(Sha256(destination + "/Music/@ld/song-list.txt"), ManifestSha("Music/old/song-list.txt"));
  EXPECT_EQ(Sha256(destination + "/Music/@ld/@yrics.txt"), ManifestSha("Music/old/lyrics.txt"));
  EXPECT_EQ(Sha256(destination + "/Photos/family dinner.jpg"), ManifestSha("Photos/family dinner.jpg"));
  EXPECT_FALSE(fs::exists(destination + "/Music/song-list.txt"));
  EXPECT_FALSE(fs::exists(destination + "/Music/@ld_1")) << "the folder's children are not written a second time";
  EXPECT_FALSE(fs::exists(destination + "/family dinner.jpg")) << "not flattened";
  EXPECT_EQ(QString::number(FilesBelow(destination)) + " 个文件已恢复，0 个失败", LastLog());
  EXPECT_LT(FilesBelow(destination), static_cast<size_t>(ticked) + 1);
}

}  // namespace
}  // namespace tarnwell::testing
