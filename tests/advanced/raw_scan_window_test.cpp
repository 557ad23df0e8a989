// The raw-range scan in the window: numbered folders, the file list, the
// properties and hex pages, recovery with its marks, stop and the busy
// checks, on the reformatted and zeroed fixture volumes.
#include <algorithm>
#include <filesystem>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QRadioButton>
#include <QTreeView>
#include <QTreeWidget>

#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "controls/event_log_view.h"
#include "controls/properties_page.h"
#include "physical/physical_drive.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/found_lookup.h"
#include "tests/advanced/adv_window_support.h"

namespace tarnwell::advanced {
namespace {

size_t ExactCopies(const std::string& image, const std::string& folder) {
  const std::multiset<std::string> got = HashesBelow(folder);
  size_t n = 0;
  for (const std::string& hash : ManifestHashes("raw/MANIFEST", image)) n += got.count(hash) > 0;
  return n;
}

TEST_F(AdvWindowTest, RawScanOfAReformattedFat32VolumeShowsItsOldFoldersAndRecoversThem) {
  Open({"raw/fat32-reformatted.img"});
  QAbstractItemModelTester folderTester(window->FolderModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  QAbstractItemModelTester listTester(window->FileModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  ScanDisk(0);
  EXPECT_TRUE(window->RadioButton1->isChecked());
  EXPECT_EQ(window->RadioButton1->text(), QStringLiteral("8 个 FAT 条目"));
  EXPECT_EQ(window->RadioButton2->text(), QStringLiteral("0 个 NTFS 条目"));
  ASSERT_EQ(window->FolderModel()->FolderCount(), 4u);
  EXPECT_EQ(FolderText(0), QStringLiteral("文件夹 000000"));
  EXPECT_EQ(window->TreeView1->currentIndex(), window->FolderModel()->FolderIndex(0));
  const std::vector<QString> log = LogTexts();
  EXPECT_NE(std::find(log.begin(), log.end(), QStringLiteral("找到 8 个 FAT 条目，0 个 NTFS 条目")), log.end());
  EXPECT_TRUE(boxes.empty()) << "no summary box with one kind of entries";

  // Every old file shows up in some folder; folders come first after a fill.
  std::set<QString> names;
  for (size_t f = 0; f < 4; ++f) {
    SelectFolder(f);
    bool fileSeen = false;
    for (int r = 0; r < window->FileModel()->RowCount(); ++r) {
      const bool folder = window->FileModel()->Row(r).image == kRowFolder;
      EXPECT_FALSE(folder && fileSeen) << "folders first";
      fileSeen = fileSeen || !folder;
      names.insert(window->FileModel()->Row(r).name);
    }
  }
  EXPECT_EQ(names, (std::set<QString>{"OLD", "ONE.TXT", "Report for the year.txt", "BIG.TXT", "small.txt",
                                      "HOLIDAY.JPG", "Long picture name.jpg", "NOTES.TXT"}));

  // Check everything of every folder and recover it, folder by folder.
  destination = testing::MakeTempFolder("advout");
  size_t recoveries = 0;
  int counted = 0;  // the files each recovery's last log line counts
  for (size_t f = 0; f < 4; ++f) {
    SelectFolder(f);
    window->Checkall1Click(true);
    window->RecoverExecute();
    if (window->FileModel()->RowCount() == 0) continue;
    ++recoveries;
    const QString last = LogTexts().back();
    EXPECT_TRUE(last.endsWith(QStringLiteral(" 个文件已恢复，0 个失败"))) << last.toStdString();
    counted += last.section(' ', 0, 0).toInt();
  }
  size_t written = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(destination)) written += e.is_regular_file();
  EXPECT_EQ(static_cast<size_t>(counted), written);
  EXPECT_EQ(ExactCopies("fat32-reformatted.img", destination), 7u);
  const std::vector<QString> lines = LogTexts();
  EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("恢复已完成。"));
  EXPECT_EQ(opened.size(), recoveries) << "the destination opens after each recovery";
  EXPECT_FALSE(window->Busy());
}

TEST_F(AdvWindowTest, PropertiesAndHexPageDescribeTheSelectedFile) {
  Open({"raw/fat32-reformatted.img"});
  ScanDisk(0);
  int row = -1;
  for (size_t f = 0; f < 4 && row < 0; ++f) {
    SelectFolder(f);
    row = RowOf(QStringLiteral("HOLIDAY.JPG"));
  }
  ASSERT_GE(row, 0);
  SelectRow(row);
  controls::PropertiesPage& page = *window->ListView2;
  EXPECT_EQ(page.Value(1), QStringLiteral("HOLIDAY.JPG"));
  EXPECT_EQ(page.Value(2), QStringLiteral("JPG 文件"));
  EXPECT_EQ(page.Value(3), QStringLiteral("40000"));
  EXPECT_EQ(page.Value(4), QStringLiteral("40448"));  // 79 clusters of 512 bytes
  EXPECT_EQ(page.Value(10), QStringLiteral("N"));
  EXPECT_EQ(page.Value(12), QStringLiteral("Y"));  // archive
  EXPECT_EQ(page.Value(14), QString());
  // The fixture's pictures begin with the JPEG marker FF D8.
  EXPECT_EQ(window->HexBuffer()[0], 0xFF);
  EXPECT_EQ(window->HexBuffer()[1], 0xD8);
  EXPECT_EQ(window->Panel5->text(), QStringLiteral(" '.JPG' 文件的正常报头(起始的两个字节)应该是 'FF D8'"));

  // An undetermined geometry leaves nothing to read: the hint turns red and
  // nothing of the previous file stays under the new name.
  window->CurrentPartition()->FatDataStart = physical::raw::kDataStartUnknown;
  SelectRow(RowOf(QStringLiteral("NOTES.TXT")) >= 0 ? RowOf(QStringLiteral("NOTES.TXT")) : 0);
  EXPECT_EQ(window->Panel5->text(), QStringLiteral(" 无法从该文件获取数据。"));
}

TEST_F(AdvWindowTest, InvalidStampsShowEmptyCellsNotAStaleOrMadeUpDate) {
  Open({"raw/fat32-reformatted.img"});
  ScanDisk(0);
  SelectFolder(1);
  ASSERT_GE(window->FileModel()->RowCount(), 2);
  SelectRow(0);
  const QString firstModified = window->ListView2->Value(6);
  EXPECT_FALSE(firstModified.isEmpty());
  // Give the second row a modification date of 31 February and no stamps.
  auto* entry = const_cast<physical::FoundFatEntry*>(
      static_cast<const physical::FoundFatEntry*>(window->FileModel()->Row(1).handle));
  entry->DirEntry.bytes[24] = 0x5F;  // day 31, month 2
  entry->DirEntry.bytes[25] = 0x00;
  for (int at : {14, 15, 16, 17, 18, 19}) entry->DirEntry.bytes[static_cast<size_t>(at)] = 0;
  window->TreeView1Change();  // the list is made again from the records
  const int row = RowOf(physical::raw::RawEntryName(*entry).c_str());
  ASSERT_GE(row, 0);
  SelectRow(row);
  EXPECT_EQ(window->ListView2->Value(6), QString());
  EXPECT_EQ(window->FileModel()->CellText(row, kColumnCreated), QString());
  EXPECT_EQ(window->FileModel()->CellText(row, kColumnAccessed), QString());
}

TEST_F(AdvWindowTest, RawScanOfAZeroedNtfsVolumeListsItsFilesAndRecoversThem) {
  Open({"raw/ntfs-zeroed.img"});
  ScanDisk(0);
  EXPECT_TRUE(window->RadioButton2->isChecked()) << "more NTFS than FAT entries";
  ASSERT_GT(window->FolderModel()->FolderCount(), 0u);
  destination = testing::MakeTempFolder("advntfs");
  std::set<QString> names;
  for (size_t f = 0; f < window->FolderModel()->FolderCount(); ++f) {
    SelectFolder(f);
    for (const QString& n : ListNames()) names.insert(n);
    window->Checkall1Click(true);
    window->RecoverExecute();
  }
  for (const char* name : {"resident.txt", "Report for the year.txt", "big.txt", "holiday.jpg"})
    EXPECT_TRUE(names.count(QString::fromUtf8(name))) << name;
  EXPECT_EQ(ExactCopies("ntfs-zeroed.img", destination), ManifestHashes("raw/MANIFEST", "ntfs-zeroed.img").size());

  // NTFS folders are listed only while asked for, and never opened.
  window->Showntfolder->setChecked(false);
  window->ShowntfolderClick();
  for (int r = 0; r < window->FileModel()->RowCount(); ++r)
    EXPECT_NE(window->FileModel()->Row(r).image, kRowFolder);
  window->Showntfolder->setChecked(true);
  window->ShowntfolderClick();
  bool sawFolder = false;
  for (size_t f = 0; f < window->FolderModel()->FolderCount() && !sawFolder; ++f) {
    SelectFolder(f);
    for (int r = 0; r < window->FileModel()->RowCount() && !sawFolder; ++r) {
      if (window->FileModel()->Row(r).image != kRowFolder) continue;
      sawFolder = true;
      SelectRow(r);
      window->ListView1DblClick();
      EXPECT_TRUE(HasBox(controls::BoxKind::kWarning, QStringLiteral("在“高级恢复”模式中无法打开 NTFS 目录。")));
    }
  }
  EXPECT_TRUE(sawFolder);
}

TEST_F(AdvWindowTest, RecoveryMarksFolderNodesPartlyOrWhollyRecovered) {
  Open({"raw/fat16-zeroed.img"});
  ScanDisk(0);
  destination = testing::MakeTempFolder("advmarks");
  // A file of some folder: that folder's node gains " - P", once.
  size_t fileFolder = 0, folderFolder = 0;
  bool haveFile = false, haveFolder = false;
  for (size_t f = 0; f < window->FolderModel()->FolderCount(); ++f) {
    SelectFolder(f);
    for (int r = 0; r < window->FileModel()->RowCount(); ++r) {
      const bool isFolder = window->FileModel()->Row(r).image == kRowFolder;
      if (!isFolder && !haveFile) fileFolder = f, haveFile = true;
      if (isFolder && !haveFolder) folderFolder = f, haveFolder = true;
    }
  }
  ASSERT_TRUE(haveFile && haveFolder);
  SelectFolder(fileFolder);
  for (int r = 0; r < window->FileModel()->RowCount(); ++r)
    if (window->FileModel()->Row(r).image == kRowFile) {
      window->FileModel()->SetChecked(r, true);
      break;
    }
  window->RecoverExecute();
  EXPECT_TRUE(FolderText(fileFolder).endsWith(QStringLiteral(" - P")));
  window->RecoverExecute();
  EXPECT_FALSE(FolderText(fileFolder).endsWith(QStringLiteral(" - P - P")));
  EXPECT_TRUE(FolderText(fileFolder).endsWith(QStringLiteral(" - P")));

  // A whole folder: its node and those below it end in " - T"; the folder
  // it was listed in keeps or gains " - P".
  SelectFolder(folderFolder);
  window->Checkall1Click(false);
  int folderRow = -1;
  for (int r = 0; r < window->FileModel()->RowCount() && folderRow < 0; ++r)
    if (window->FileModel()->Row(r).image == kRowFolder) folderRow = r;
  window->FileModel()->SetChecked(folderRow, true);
  window->RecoverExecute();
  size_t whole = 0;
  for (size_t f = 0; f < window->FolderModel()->FolderCount(); ++f)
    whole += FolderText(f).endsWith(QStringLiteral(" - T"));
  EXPECT_GE(whole, 1u);
  EXPECT_TRUE(FolderText(folderFolder).endsWith(QStringLiteral(" - P")) ||
              FolderText(folderFolder).endsWith(QStringLiteral(" - T")));
  window->TreeView1Change();  // showing the node again names its mark
  EXPECT_FALSE(window->StatusBarEx1->PanelText(0).trimmed().isEmpty());
}

TEST_F(AdvWindowTest, AStoppedFolderRecoveryIsNotMarkedComplete) {
  pumpInterval = std::chrono::milliseconds(0);
  Open({"raw/fat16-zeroed.img"});
  ScanDisk(0);
  destination = testing::MakeTempFolder("advstop");
  int folderRow = -1;
  size_t folder = 0;
  for (size_t f = 0; f < window->FolderModel()->FolderCount() && folderRow < 0; ++f) {
    SelectFolder(f);
    for (int r = 0; r < window->FileModel()->RowCount() && folderRow < 0; ++r)
      if (window->FileModel()->Row(r).image == kRowFolder) folderRow = r, folder = f;
  }
  ASSERT_GE(folderRow, 0);
  window->FileModel()->SetChecked(folderRow, true);
  const std::vector<QString> log = RecoverPressingStop();
  EXPECT_NE(std::find(log.begin(), log.end(), QStringLiteral("恢复被用户终止")), log.end());
  for (size_t f = 0; f < window->FolderModel()->FolderCount(); ++f)
    EXPECT_FALSE(FolderText(f).endsWith(QStringLiteral(" - T"))) << f;
  EXPECT_TRUE(FolderText(folder).endsWith(QStringLiteral(" - P")));
  EXPECT_FALSE(window->Busy());
  EXPECT_FALSE(window->SelectedDrive()->StopRequested);
}

TEST_F(AdvWindowTest, NothingCheckedOrNoDestinationRecoversNothing) {
  Open({"raw/fat16-zeroed.img"});
  ScanDisk(0);
  window->RecoverExecute();
  EXPECT_TRUE(HasBox(controls::BoxKind::kWarning, QStringLiteral("0 个文件已选择，请选择您想要恢复的文件。\n")));
  EXPECT_FALSE(window->Busy());
  window->Checkall1Click(true);
  destination.clear();  // the destination dialog is cancelled
  const size_t lines = LogTexts().size();
  window->RecoverExecute();
  EXPECT_EQ(LogTexts().size(), lines);
  EXPECT_FALSE(window->Busy());
}

TEST_F(AdvWindowTest, DuringAScanEveryOtherCommandAndClosingAreRefused) {
  Open({"raw/fat32-reformatted.img", "raw/fat16-zeroed.img"});
  bool tried = false;
  window->Pump().SetAfterEvents([&] {
    if (tried || !window->Busy()) return;
    tried = true;
    // What the user could click while the scan lets events through.
    window->TreeView2->setCurrentItem(DiskNode(1));
    window->RadioButton2->click();
    window->ScanExecute();
    window->close();
    window->reject();
    window->RecoverExecute();
    window->Button1Click();
    window->StopExecute();
  });
  ScanDisk(0);
  window->Pump().SetAfterEvents(nullptr);
  ASSERT_TRUE(tried);
  EXPECT_TRUE(window->isVisible()) << "neither closing nor Esc ends the window during a scan";
  EXPECT_EQ(window->TreeView2->currentItem(), DiskNode(0));
  EXPECT_TRUE(window->RadioButton1->isChecked());
  const std::vector<QString> log = LogTexts();
  EXPECT_NE(std::find(log.begin(), log.end(), QStringLiteral("驱动器扫描被用户终止")), log.end());
  EXPECT_FALSE(window->Busy());
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->SelectedDrive(), nullptr);
}

TEST_F(AdvWindowTest, StopWithoutADriveAndCommandsBeforeAnyScanDoNothing) {
  Open({});
  window->StopExecute();
  window->RecoverExecute();
  window->RadioButton2Click();
  window->Button1Click();
  window->ListView1DblClick();
  window->acToParentExecute();
  window->BackwardExecute();
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace tarnwell::advanced

namespace tarnwell::advanced {
namespace {

// Where only the size table is left to give the FAT geometry, the status
// line says so; a surviving boot sector leaves it quiet.
TEST_F(AdvWindowTest, AGuessedFatGeometryIsSaidInTheStatusLine) {
  std::vector<uint8_t> bytes = testing::ReadBinaryFile(testing::FixturePath("raw/fat32-reformatted.img"));
  // Without its boot sector, the backup and two of its three old folders.
  for (const uint64_t sector : {0, 6, 1294, 1295})
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(sector * 512), 512, uint8_t{0});
  table.AttachImage(testing::FixturePath("raw/fat32-reformatted.img"));
  table.AttachImage(testing::WriteTempImage(bytes, "adv-guessed"));
  Open({});
  ScanDisk(0);
  EXPECT_EQ(window->StatusBarEx1->PanelText(0).trimmed(), QString());
  ScanDisk(1);
  EXPECT_TRUE(window->StatusBarEx1->PanelText(0).contains(QStringLiteral("猜测")))
      << window->StatusBarEx1->PanelText(0).toStdString();
  // Back on the first disk, whose boot sector gave the geometry.
  Choose(DiskNode(0));
  EXPECT_EQ(window->StatusBarEx1->PanelText(0).trimmed(), QString());
}

}  // namespace
}  // namespace tarnwell::advanced

namespace tarnwell::advanced {
namespace {

// A quick-formatted volume whose old folders are found only as loose
// clusters of entries: they are listed under a node that says so, last.
TEST_F(AdvWindowTest, EntriesNoFoundFolderOwnsAreListedUnderTheirOwnNode) {
  Open({"raw/fat32-requick-1k.img"});
  QAbstractItemModelTester folderTester(window->FolderModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  ScanDisk(0);
  const size_t folders = window->FolderModel()->FolderCount();
  ASSERT_GE(folders, 2u);
  EXPECT_EQ(FolderText(folders - 1), QStringLiteral("丢失的条目"));
  EXPECT_EQ(FolderText(0), QStringLiteral("文件夹 000000"));
  SelectFolder(folders - 1);
  EXPECT_FALSE(ListNames().empty());
}

}  // namespace
}  // namespace tarnwell::advanced
