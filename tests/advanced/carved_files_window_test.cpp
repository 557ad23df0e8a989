// Files found by type in the window: the scan with "同时按文件类型查找",
// the "按文件类型" node and its types, the list, the hex page and the
// recovery, checked against the command line's carve on the same image.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <map>

#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "controls/properties_page.h"
#include "physical/parti_entry.h"
#include "physical/physical_drive.h"
#include "tests/advanced/adv_window_support.h"
#include "tests/support/json_lines.h"

namespace tarnwell::advanced {
namespace {

namespace fs = std::filesystem;

// Every file below a folder by its path relative to it, with its bytes.
std::map<std::string, std::vector<uint8_t>> FilesBelow(const std::string& folder) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) files[fs::relative(e.path(), folder).string()] = testing::ReadBinaryFile(e.path());
  return files;
}

class CarvedFilesWindowTest : public AdvWindowTest {
 protected:
  // Scans disk 0 with the signature scan beside the raw scan.
  void ScanWithTypes() {
    window->FindByType->setChecked(true);
    ScanDisk(0);
  }
  int64_t TypeNode(const QString& extension) const {
    const FolderTreeModel& m = *window->FolderModel();
    for (size_t i = 0; i < m.CarvedTypeCount(); ++i)
      if (m.CarvedType(i).extension == extension) return static_cast<int64_t>(i);
    return -1;
  }
  void SelectType(const QString& extension) {
    const int64_t type = TypeNode(extension);
    ASSERT_GE(type, 0) << extension.toStdString();
    window->TreeView1->setCurrentIndex(window->FolderModel()->CarvedTypeIndex(static_cast<size_t>(type)));
  }
  std::vector<uint8_t> ImageBytes(uint64_t sector, size_t count) const {
    const std::vector<uint8_t> image = testing::ReadBinaryFile(testing::FixturePath("carve/samples.img"));
    const size_t from = static_cast<size_t>(sector * 512);
    return {image.begin() + static_cast<std::ptrdiff_t>(from),
            image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), from + count))};
  }
};

TEST_F(CarvedFilesWindowTest, TypesListWhatTheCommandLineFindsAndRecoveryWritesTheSameFiles) {
  Open({"carve/samples.img"});
  QAbstractItemModelTester folderTester(window->FolderModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  QAbstractItemModelTester listTester(window->FileModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  ScanWithTypes();
  const FolderTreeModel& model = *window->FolderModel();
  const QModelIndex root = model.CarvedRootIndex();
  ASSERT_TRUE(root.isValid());
  // After the found folders, under the scan results; the search results
  // stay the second top-level node.
  EXPECT_EQ(root.parent(), model.ScanRootIndex());
  EXPECT_EQ(root.row(), static_cast<int>(model.FolderCount()));
  EXPECT_EQ(model.data(root, Qt::DisplayRole).toString(), QStringLiteral("按文件类型"));
  EXPECT_TRUE(window->TreeView1->isExpanded(root));

  // One node per type the command line lists, with as many files.
  const testing::CliRun run = testing::RunCli("--no-devices carve '" + testing::FixturePath("carve/samples.img") +
                                              "':0 --json");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::map<QString, size_t> cliTypes;
  const auto lines = testing::JsonLines(run.out);
  for (size_t i = 1; i < lines.size(); ++i)
    ++cliTypes[QString::fromStdString(lines[i]["type"].get<std::string>())];
  std::map<QString, size_t> shown;
  for (size_t i = 0; i < model.CarvedTypeCount(); ++i) shown[model.CarvedType(i).extension] = model.CarvedType(i).count;
  EXPECT_EQ(shown, cliTypes);
  ASSERT_GE(TypeNode(QStringLiteral("jpg")), 0);
  const size_t jpgs = cliTypes[QStringLiteral("jpg")];
  EXPECT_EQ(model.CarvedTypeText(static_cast<size_t>(TypeNode(QStringLiteral("jpg")))),
            QStringLiteral("jpg (%1)").arg(jpgs));

  // A type lists its files; the whole node lists them all.
  SelectType(QStringLiteral("jpg"));
  EXPECT_EQ(window->FileModel()->RowCount(), static_cast<int>(jpgs));
  for (const QString& name : ListNames()) EXPECT_TRUE(name.startsWith('f') && name.endsWith(".jpg")) << name.toStdString();
  window->TreeView1->setCurrentIndex(root);
  ASSERT_EQ(window->FileModel()->RowCount(), static_cast<int>(lines.size() - 1));

  // Everything recovered: byte for byte what `carve --out` writes, in the
  // same folders; the damaged picture counts as failed and says so.
  const std::string cliOut = testing::MakeTempFolder("carve-cli");
  ASSERT_EQ(testing::RunCli("-q --no-devices carve '" + testing::FixturePath("carve/samples.img") + "':0 --out '" +
                            cliOut + "'")
                .exitCode,
            1);
  destination = testing::MakeTempFolder("carve-window");
  window->Checkall1Click(true);
  window->RecoverExecute();
  EXPECT_EQ(FilesBelow(destination), FilesBelow(cliOut));
  const std::vector<QString> log = LogTexts();
  EXPECT_EQ(log.back(), QStringLiteral("%1 个文件已恢复，1 个失败").arg(lines.size() - 2));
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const QString& l) { return l.contains("文件已损坏"); }), 1);
  EXPECT_TRUE(questions.empty()) << "the destination has room";
  EXPECT_FALSE(window->Busy());
}

TEST_F(CarvedFilesWindowTest, TheHexPageShowsTheFilesOwnFirstBytesAndTheListItsSectorAndState) {
  Open({"carve/samples.img"});
  ScanWithTypes();
  SelectType(QStringLiteral("jpg"));
  EXPECT_EQ(window->FileModel()->headerData(kColumnAccessed, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("起始扇区"));
  window->TabSet1->setCurrentIndex(kPageHex);

  // restart.jpg: 287 bytes at sector 686; what follows in its sector is
  // not part of it.
  const int small = RowOf(QStringLiteral("f0000686.jpg"));
  ASSERT_GE(small, 0);
  SelectRow(small);
  EXPECT_EQ(window->FileModel()->CellText(small, kColumnAccessed), QStringLiteral("686"));
  EXPECT_EQ(window->FileModel()->CellText(small, kColumnSize), QStringLiteral("287"));
  EXPECT_EQ(window->FileModel()->Text(small, kColumnState), QStringLiteral("已验证"));
  const std::vector<uint8_t> head = ImageBytes(686, 287);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), window->HexBuffer().begin()));
  EXPECT_TRUE(std::all_of(window->HexBuffer().begin() + 287, window->HexBuffer().end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(window->Panel5->text(), QStringLiteral(" '.jpg' 文件的正常报头(起始的两个字节)应该是 'FF D8'"));
  EXPECT_EQ(window->ListView2->Value(1), QStringLiteral("f0000686.jpg"));
  EXPECT_EQ(window->ListView2->Value(3), QStringLiteral("287"));
  EXPECT_EQ(window->ListView2->Value(4), QStringLiteral("512"));
  EXPECT_EQ(window->ListView2->Value(7), QString()) << "no access date in place of the sector";
  EXPECT_EQ(window->ListView2->Value(10), QString()) << "no attributes without an entry";

  // The picture in two pieces: its first 2048 bytes lie in the first.
  int pieces = -1;
  for (int r = 0; r < window->FileModel()->RowCount(); ++r)
    if (window->FileModel()->Text(r, kColumnState) == QStringLiteral("已拼接")) pieces = r;
  ASSERT_GE(pieces, 0);
  SelectRow(pieces);
  const uint64_t sector = window->FileModel()->StartSector(pieces);
  const std::vector<uint8_t> first = ImageBytes(sector, 2048);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), window->HexBuffer().begin()));

  // Sorted by start sector as numbers, one way or the other.
  window->ListView1ColumnClick(kColumnAccessed);
  std::vector<uint64_t> sectors;
  for (int r = 0; r < window->FileModel()->RowCount(); ++r) sectors.push_back(window->FileModel()->StartSector(r));
  EXPECT_TRUE(std::is_sorted(sectors.begin(), sectors.end()) || std::is_sorted(sectors.rbegin(), sectors.rend()));
  EXPECT_NE(sectors.front(), sectors.back());
}

TEST_F(CarvedFilesWindowTest, WithoutTheOptionTheScanAndTheTreeAreAsBefore) {
  Open({"carve/samples.img"});
  EXPECT_FALSE(window->FindByType->isChecked()) << "off unless asked";
  ScanDisk(0);
  const FolderTreeModel& model = *window->FolderModel();
  EXPECT_FALSE(model.CarvedRootIndex().isValid());
  EXPECT_EQ(model.rowCount(model.ScanRootIndex()), static_cast<int>(model.FolderCount()));
  for (const QString& line : LogTexts()) EXPECT_FALSE(line.contains("按文件类型")) << line.toStdString();
  EXPECT_TRUE(window->CurrentPartition()->CarvedFiles.empty());
}

TEST_F(CarvedFilesWindowTest, FilesTheFoundEntriesGiveBackByNameAreNotListedAgain) {
  // Every file of the reformatted volume is found by name.
  Open({"raw/fat32-reformatted.img"});
  ScanWithTypes();
  EXPECT_FALSE(window->FolderModel()->CarvedRootIndex().isValid());
  EXPECT_GT(window->FolderModel()->FolderCount(), 0u);
  const std::vector<QString> log = LogTexts();
  EXPECT_NE(std::find(log.begin(), log.end(), QStringLiteral("按文件类型找到 0 个文件，另有 6 个已由找到的条目给出")),
            log.end());
}

TEST_F(CarvedFilesWindowTest, TheCardsDeletedFilesComeBackByTypeAndNothingInTheDestinationIsWrittenThrough) {
  // The card's root folder is not placed by the raw scan: all it holds
  // comes from the signatures. A link planted where the pictures' folder
  // would go is left alone.
  Open({"carve/card.img"});
  ScanWithTypes();
  const QModelIndex root = window->FolderModel()->CarvedRootIndex();
  ASSERT_TRUE(root.isValid());
  EXPECT_EQ(window->TreeView1->currentIndex(), window->FolderModel()->FolderCount() > 0
                                                   ? window->FolderModel()->FolderIndex(0)
                                                   : root);
  window->TreeView1->setCurrentIndex(root);
  const size_t onCard = ManifestHashes("carve/MANIFEST", "card.img").size();
  EXPECT_EQ(static_cast<size_t>(window->FileModel()->RowCount()), onCard);
  const std::vector<QString> scanLog = LogTexts();
  EXPECT_NE(std::find(scanLog.begin(), scanLog.end(), QStringLiteral("按文件类型找到 %1 个文件").arg(onCard)),
            scanLog.end());
  destination = testing::MakeTempFolder("carve-card");
  const std::string elsewhere = testing::MakeTempFolder("carve-elsewhere");
  fs::create_directory_symlink(elsewhere, destination + "/jpg");
  window->Checkall1Click(true);
  window->RecoverExecute();
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_TRUE(fs::is_symlink(destination + "/jpg"));
  std::multiset<std::string> expected;
  for (const std::string& h : ManifestHashes("carve/MANIFEST", "card.img")) expected.insert(h);
  EXPECT_EQ(HashesBelow(destination), expected);
  EXPECT_EQ(LogTexts().back(), QStringLiteral("%1 个文件已恢复，0 个失败").arg(expected.size()));
  // Going back leads to the folder or the type shown before.
  SelectType(QStringLiteral("pdf"));
  window->BackwardExecute();
  EXPECT_EQ(window->TreeView1->currentIndex(), root);
}

TEST_F(CarvedFilesWindowTest, StopEndsTheRecoveryAfterTheFileInHand) {
  pumpInterval = std::chrono::milliseconds(0);
  Open({"carve/samples.img"});
  ScanWithTypes();
  window->TreeView1->setCurrentIndex(window->FolderModel()->CarvedRootIndex());
  window->Checkall1Click(true);
  destination = testing::MakeTempFolder("carve-stop");
  const std::vector<QString> log = RecoverPressingStop();
  EXPECT_NE(std::find(log.begin(), log.end(), QStringLiteral("恢复被用户终止")), log.end());
  EXPECT_EQ(HashesBelow(destination).size(), 1u) << "the file being written is finished, no other begun";
  EXPECT_EQ(log.back(), QStringLiteral("1 个文件已恢复，0 个失败"));
  EXPECT_FALSE(window->Busy());
  EXPECT_FALSE(window->SelectedDrive()->StopRequested);
}

// A picture of 4 MiB at the start of an 8 MiB disk, its pixels a byte no
// signature begins with.
constexpr uint32_t kWidth = 1024, kHeight = 1365, kPixels = kWidth * 3 * kHeight;
constexpr uint64_t kLargePictureBytes = 54 + kPixels;
std::string LargePictureImage() {
  std::vector<uint8_t> disk(8 << 20, 0);
  uint8_t* h = disk.data();
  const auto put32 = [](uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
  };
  h[0] = 'B';
  h[1] = 'M';
  put32(h + 2, 54 + kPixels);
  put32(h + 10, 54);
  put32(h + 14, 40);
  put32(h + 18, kWidth);
  put32(h + 22, kHeight);
  h[26] = 1;
  h[28] = 24;
  std::fill(disk.begin() + 54, disk.begin() + 54 + kPixels, uint8_t{0x5A});
  return testing::WriteTempImage(disk, "carve-large");
}

TEST_F(CarvedFilesWindowTest, StopCutsALargeFileShortAndSaysSo) {
  pumpInterval = std::chrono::milliseconds(0);
  table.AttachImage(LargePictureImage());
  Open({});
  ScanWithTypes();
  SelectType(QStringLiteral("bmp"));
  ASSERT_EQ(window->FileModel()->RowCount(), 1);
  EXPECT_EQ(window->FileModel()->CellText(0, kColumnSize), QStringLiteral("4.19 MB"));
  window->Checkall1Click(true);
  destination = testing::MakeTempFolder("carve-large-out");
  const std::vector<QString> log = RecoverPressingStop();
  EXPECT_NE(std::find(log.begin(), log.end(), QStringLiteral("恢复被用户终止")), log.end());
  const auto cut = std::find_if(log.begin(), log.end(), [](const QString& l) {
    return l.startsWith(QStringLiteral("f0000000.bmp - 已停止，只写入了前 ")) && l.endsWith(QStringLiteral("字节，文件不完整"));
  });
  ASSERT_NE(cut, log.end());
  uintmax_t written = 0;
  for (const auto& e : fs::recursive_directory_iterator(destination))
    if (e.is_regular_file()) written += e.file_size();
  EXPECT_LE(written, 1u << 20) << "the copy ends at the read the stop came in";
  EXPECT_LT(written, kLargePictureBytes);
  EXPECT_FALSE(window->Busy());
  EXPECT_FALSE(window->SelectedDrive()->StopRequested);
}

TEST_F(CarvedFilesWindowTest, TheOptionIsRememberedWithTheWindow) {
  Open({"carve/samples.img"});
  window->FindByType->setChecked(true);
  window->reject();
  window.reset();
  Open({});
  EXPECT_TRUE(window->FindByType->isChecked());
}

}  // namespace
}  // namespace tarnwell::advanced
