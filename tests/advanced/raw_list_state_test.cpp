// The raw-scan list says which items are deleted, and lists the MFT's
// first records once although $MFTMirr holds a second copy of them.
#include <QRadioButton>
#include <map>
#include <set>

#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "tests/advanced/adv_window_support.h"

namespace tarnwell::advanced {
namespace {

TEST_F(AdvWindowTest, RawListShowsDeletedItemsAndEachMftRecordOnce) {
  Open({"demo/demo-disk.img"});
  ScanDisk(0);
  ASSERT_EQ(window->FileModel()->columnCount(), 6);
  EXPECT_EQ(window->FileModel()->headerData(kColumnState, Qt::Horizontal, Qt::DisplayRole).toString(), "状态");

  // FAT: the files the manifest says were deleted say so, the others not.
  std::set<QString> deletedNames, liveNames;
  for (const testing::ManifestRow& row : testing::ManifestRows("demo/manifest.tsv")) {
    if (row.fs != "FAT32" || row.kind != "file") continue;
    const QString name = QString::fromStdString(row.path).section('/', -1);
    (row.state == "deleted" ? deletedNames : liveNames).insert(name);
  }
  window->RadioButton1->click();
  int deleted = 0, live = 0;
  for (size_t f = 0; f < window->FolderModel()->FolderCount(); ++f) {
    SelectFolder(f);
    for (int r = 0; r < window->FileModel()->RowCount(); ++r) {
      const QString name = window->FileModel()->Row(r).name;
      // A short name's deletion mark hides its first letter.
      const bool wasDeleted = deletedNames.count(name) || name.startsWith('?');
      if (!wasDeleted && !liveNames.count(name)) continue;
      EXPECT_EQ(window->FileModel()->CellText(r, kColumnState), wasDeleted ? "已删除" : "") << name.toStdString();
      (wasDeleted ? deleted : live)++;
    }
  }
  EXPECT_GT(deleted, 0);
  EXPECT_GT(live, 0);

  // NTFS: $MFT, $MFTMirr, $LogFile and $Volume once each.
  window->RadioButton2->click();
  std::map<QString, int> seen;
  for (size_t f = 0; f < window->FolderModel()->FolderCount(); ++f) {
    SelectFolder(f);
    for (int r = 0; r < window->FileModel()->RowCount(); ++r) ++seen[window->FileModel()->Row(r).name];
  }
  for (const char* name : {"$MFT", "$MFTMirr", "$LogFile", "$Volume"})
    EXPECT_EQ(seen[QString::fromLatin1(name)], 1) << name;
}

}  // namespace
}  // namespace tarnwell::advanced
