// Search, calibration, sorting, folder navigation and history of the
// advanced window on the raw fixtures.
#include <QAction>
#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QSpinBox>

#include "controls/properties_page.h"
#include <QTreeView>

#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "controls/search_panel.h"
#include "physical/physical_drive.h"
#include "physical/raw/fat_geometry.h"
#include "tests/advanced/adv_window_support.h"

namespace tarnwell::advanced {
namespace {

class WindowToolsTest : public AdvWindowTest {
 protected:
  // The folder whose list holds `name`, selected; -1 when none does.
  int64_t FolderHolding(const QString& name) {
    for (size_t f = 0; f < window->FolderModel()->FolderCount(); ++f) {
      SelectFolder(f);
      if (RowOf(name) >= 0) return static_cast<int64_t>(f);
    }
    return -1;
  }
  // Drags the selected row onto a calibration box, as the toolkit delivers
  // a drop from the file list.
  bool DropOn(QLineEdit* box) {
    QMimeData* mime = window->FileModel()->mimeData(window->ListView1->selectionModel()->selectedIndexes());
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &enter);
    const bool accepted = enter.isAccepted();
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &drop);
    delete mime;
    return accepted;
  }
  std::set<QString> Names() {
    const std::vector<QString> v = ListNames();
    return {v.begin(), v.end()};
  }
};

TEST_F(WindowToolsTest, SizeFilterCountsKilobytesOf1024AndEitherOrder) {
  Open({"raw/fat32-reformatted.img"});
  ScanDisk(0);
  controls::SearchPanel& find = *window->SearchPage;
  find.CheckBox4->setChecked(true);
  find.SpinEdit1->setValue(50);
  find.SpinEdit2->setValue(10);
  find.AllFiles->setChecked(true);
  window->Button1Click();
  // 10,240 to 51,200 bytes: 40,000 and 51,200 pass, 70,000 and 5,000 not.
  EXPECT_EQ(Names(), (std::set<QString>{"HOLIDAY.JPG", "NOTES.TXT"}));
  EXPECT_EQ(window->TreeView1->currentIndex(), window->FolderModel()->SearchIndex());
  EXPECT_EQ(window->History().Items().back(),
            window->FolderModel()->AbsoluteIndex(window->FolderModel()->SearchIndex()));

  // The scope "当前文件夹" with the search results selected does nothing.
  find.DeletedOnly->setChecked(true);
  find.SpinEdit1->setValue(1000);
  window->Button1Click();
  EXPECT_EQ(Names(), (std::set<QString>{"HOLIDAY.JPG", "NOTES.TXT"}));

  // Within one folder only.
  const int64_t pics = FolderHolding(QStringLiteral("HOLIDAY.JPG"));
  ASSERT_GE(pics, 0);
  find.SpinEdit1->setValue(0);
  find.SpinEdit2->setValue(200);
  window->Button1Click();
  EXPECT_EQ(Names(), (std::set<QString>{"HOLIDAY.JPG", "Long picture name.jpg", "NOTES.TXT"}));
}

TEST_F(WindowToolsTest, DateFilterTakesWholeDaysAndNeedsACriterion) {
  Open({"raw/fat32-reformatted.img"});
  ScanDisk(0);
  controls::SearchPanel& find = *window->SearchPage;
  find.AllFiles->setChecked(true);
  window->Button1Click();
  EXPECT_TRUE(HasBox(controls::BoxKind::kWarning, QStringLiteral("您必须至少指定 1 项搜索条件。")));

  find.CheckBox3->setChecked(true);
  find.ComboBox3->setCurrentIndex(4);  // "指定"
  find.ComboBox1->setCurrentIndex(0);  // creation
  find.DateTimePicker1->setDate(QDate(1990, 1, 1));
  find.DateTimePicker2->setDate(QDate(2099, 12, 31));
  window->Button1Click();
  EXPECT_EQ(window->FileModel()->RowCount(), 8);  // every entry of the scan
  find.DateTimePicker1->setDate(QDate(1990, 1, 2));
  find.DateTimePicker2->setDate(QDate(1990, 1, 1));
  window->Button1Click();
  EXPECT_EQ(window->FileModel()->RowCount(), 0);
}

TEST_F(WindowToolsTest, CalibrationByDroppingTwoFilesOfDifferentFolders) {
  Open({"raw/fat32-reformatted.img"});
  ScanDisk(0);
  physical::TPartiEntry& part = *window->CurrentPartition();
  const uint32_t clusterSectors = part.FatClusterSectors, dataStart = part.FatDataStart;
  EXPECT_EQ(window->Edit2->text(), QStringLiteral("请拖动一个文件到此处"));
  EXPECT_EQ(window->Edit3->text(), QStringLiteral("请拖动另一个文件到此处"));

  // Nothing selected: the drop is not even offered.
  window->ListView1->clearSelection();
  EXPECT_FALSE(DropOn(window->Edit2));
  ASSERT_GE(FolderHolding(QStringLiteral("HOLIDAY.JPG")), 0);
  SelectRow(RowOf(QStringLiteral("HOLIDAY.JPG")));
  EXPECT_TRUE(DropOn(window->Edit2));
  EXPECT_EQ(window->Edit2->text(), QStringLiteral("HOLIDAY.JPG"));
  SelectRow(RowOf(QStringLiteral("NOTES.TXT")));
  DropOn(window->Edit3);
  EXPECT_TRUE(HasBox(controls::BoxKind::kError, QStringLiteral("这两个文件不能位于同一目录中。")));
  EXPECT_EQ(window->CalibrationFile(1), nullptr);
  EXPECT_EQ(window->Edit2->text(), QStringLiteral("HOLIDAY.JPG"));

  ASSERT_GE(FolderHolding(QStringLiteral("BIG.TXT")), 0);
  SelectRow(RowOf(QStringLiteral("BIG.TXT")));
  EXPECT_TRUE(DropOn(window->Edit3));
  EXPECT_EQ(window->Edit3->text(), QStringLiteral("BIG.TXT"));

  // A spoiled geometry is put right by the two files.
  part.FatClusterSectors = 64;
  part.FatDataStart = 12345;
  window->AdjustExecute();
  EXPECT_TRUE(HasBox(controls::BoxKind::kInformation, QStringLiteral("校正完成。")));
  EXPECT_EQ(part.FatClusterSectors, clusterSectors);
  EXPECT_EQ(part.FatDataStart, dataStart);
  EXPECT_FALSE(window->Busy());

  // Files whose folders lie the other way round from their clusters give
  // no geometry: a warning, and nothing changes.
  auto* b = const_cast<physical::FoundFatEntry*>(window->CalibrationFile(1));
  const auto* a = window->CalibrationFile(0);
  b->DirCluster = a->DirSector > b->DirSector ? a->DirCluster + 5 : a->DirCluster - 1;
  boxes.clear();
  window->AdjustExecute();
  EXPECT_FALSE(HasBox(controls::BoxKind::kInformation, QStringLiteral("校正完成。")));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, controls::BoxKind::kWarning);
  EXPECT_EQ(part.FatClusterSectors, clusterSectors);

  // Switching to NTFS forgets both files.
  window->RadioButton2->click();
  EXPECT_EQ(window->CalibrationFile(0), nullptr);
  EXPECT_EQ(window->Edit2->text(), QStringLiteral("请拖动一个文件到此处"));
}

TEST_F(WindowToolsTest, ColumnClicksSortDescendingThenAscendingOnFull64BitSizes) {
  Open({"raw/ntfs-zeroed.img"});
  ScanDisk(0);
  int64_t folder = FolderHolding(QStringLiteral("holiday.jpg"));
  ASSERT_GE(folder, 0);
  // A record of 4 GiB + 1 byte must sort above 300,001 bytes, not below
  // as its low 32 bits (1) would.
  auto* big = const_cast<engine::tntfsfilerecord*>(
      static_cast<const engine::tntfsfilerecord*>(window->FileModel()->Row(RowOf(QStringLiteral("holiday.jpg"))).handle));
  big->DataSize = (int64_t{1} << 32) + 1;
  window->TreeView1Change();  // rows take their values when the list is made
  const int before = TfrmAdvMain::SortStateValue();
  window->ListView1ColumnClick(kColumnSize);
  EXPECT_EQ(TfrmAdvMain::SortStateValue(), before == 3 ? -3 : 3);
  if (TfrmAdvMain::SortStateValue() < 0) window->ListView1ColumnClick(kColumnSize);
  EXPECT_EQ(TfrmAdvMain::SortStateValue(), 3);
  EXPECT_EQ(window->FileModel()->Row(0).name, QStringLiteral("holiday.jpg"));
  EXPECT_EQ(window->FileModel()->CellText(0, kColumnSize), QStringLiteral("4294.97 MB"));
  for (int r = 1; r < window->FileModel()->RowCount(); ++r)
    EXPECT_GE(window->FileModel()->Row(r - 1).size, window->FileModel()->Row(r).size);
  window->ListView1ColumnClick(kColumnSize);
  EXPECT_EQ(TfrmAdvMain::SortStateValue(), -3);
  EXPECT_EQ(window->FileModel()->Row(window->FileModel()->RowCount() - 1).name, QStringLiteral("holiday.jpg"));
  window->ListView1ColumnClick(kColumnAccessed);
  EXPECT_EQ(TfrmAdvMain::SortStateValue(), 5);
  for (int r = 1; r < window->FileModel()->RowCount(); ++r)
    EXPECT_GE(window->FileModel()->Accessed(r - 1), window->FileModel()->Accessed(r));
}

TEST_F(WindowToolsTest, OpeningFoldersParentsAndTheHistory) {
  Open({"raw/fat32-reformatted.img"});
  ScanDisk(0);
  const int64_t docs = FolderHolding(QStringLiteral("OLD"));
  ASSERT_GE(docs, 0);
  SelectRow(RowOf(QStringLiteral("OLD")));
  window->ListView1DblClick();
  const int64_t old = window->FolderModel()->FolderOf(window->TreeView1->currentIndex());
  EXPECT_NE(old, docs);
  EXPECT_GE(RowOf(QStringLiteral("BIG.TXT")), 0);
  EXPECT_TRUE(window->Backward->isEnabled());

  window->BackwardExecute();
  EXPECT_EQ(window->FolderModel()->FolderOf(window->TreeView1->currentIndex()), docs);
  EXPECT_TRUE(window->Forward->isEnabled());
  window->ForwardExecute();
  EXPECT_EQ(window->FolderModel()->FolderOf(window->TreeView1->currentIndex()), old);

  // From a search result to the folder that holds it.
  controls::SearchPanel& find = *window->SearchPage;
  find.AllFiles->setChecked(true);
  find.CheckBox2->setChecked(true);
  find.Edit1->setText(QStringLiteral("big*"));
  window->Button1Click();
  ASSERT_EQ(ListNames(), (std::vector<QString>{"BIG.TXT"}));
  SelectRow(0);
  window->acToParentExecute();
  EXPECT_EQ(window->FolderModel()->FolderOf(window->TreeView1->currentIndex()), old);

  // Rebuilding the folder nodes forgets the positions recorded before.
  window->RadioButton1->click();
  EXPECT_FALSE(window->Backward->isEnabled());
  EXPECT_FALSE(window->Forward->isEnabled());
  EXPECT_EQ(window->History().Items().size(), 1u);
}

TEST_F(WindowToolsTest, AFolderWhoseClusterHasNoSectorIsNotLocated) {
  Open({"raw/fat32-reformatted.img"});
  ScanDisk(0);
  const QString notLocated = QStringLiteral("无法定位该目录。该目录可能已经损坏，或者您已经终止了扫\n描进程。");
  ASSERT_GE(FolderHolding(QStringLiteral("OLD")), 0);
  const QModelIndex shown = window->TreeView1->currentIndex();
  const int row = RowOf(QStringLiteral("OLD"));
  auto* old = const_cast<physical::FoundFatEntry*>(static_cast<const physical::FoundFatEntry*>(window->FileModel()->Row(row).handle));
  // Cluster 0 or 1 would wrap the key into some other folder's sector.
  const auto saved = old->DirEntry;
  for (uint8_t cluster : {0, 1}) {
    old->DirEntry.bytes[20] = old->DirEntry.bytes[21] = 0;
    old->DirEntry.bytes[26] = cluster;
    old->DirEntry.bytes[27] = 0;
    boxes.clear();
    SelectRow(row);
    window->ListView1DblClick();
    EXPECT_TRUE(HasBox(controls::BoxKind::kWarning, notLocated)) << int{cluster};
    EXPECT_EQ(window->TreeView1->currentIndex(), shown);
  }
  old->DirEntry = saved;
  window->CurrentPartition()->FatDataStart = physical::raw::kDataStartUnknown;
  boxes.clear();
  SelectRow(row);
  window->ListView1DblClick();
  EXPECT_TRUE(HasBox(controls::BoxKind::kWarning, notLocated));
  EXPECT_EQ(window->TreeView1->currentIndex(), shown);
}

TEST_F(WindowToolsTest, PropertiesPageNamesTheArchiveAttribute) {
  Open({});
  const QStringList expected = {"只读", "系统", "存档", "隐藏", "压缩"};
  for (int i = 0; i < expected.size(); ++i) EXPECT_EQ(window->ListView2->Caption(10 + i), expected[i]);
}

TEST_F(WindowToolsTest, SettingsAreReadAtShowAndWrittenAtClose) {
  Open({});
  window->Showntfolder->setChecked(false);
  window->OpenDir->setChecked(true);
  window->close();
  const AdvSettings saved = ReadAdvSettings(platform::ProfileFile(settingsDir + "/advrec.ini"), 1024);
  EXPECT_FALSE(saved.showNtFolders);
  EXPECT_TRUE(saved.openDestDir);
  Open({});
  EXPECT_FALSE(window->Showntfolder->isChecked());
  window->acHelpExecute();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_NE(opened[0].find("AdvRecovery.htm"), std::string::npos);
}

}  // namespace
}  // namespace tarnwell::advanced
