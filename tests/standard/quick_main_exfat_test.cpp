// The standard window on an exFAT volume: its folder tree, deleted rows,
// properties, and recovery checked against the fixture's manifest.
#include <QTableView>

#include "controls/hex_page.h"
#include "controls/properties_page.h"
#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

TEST_F(QuickMainTest, ExfatVolumeShowsItsTreeDeletedRowsAndRecoversByteExact) {
  // The sha256 the exFAT fixtures' manifest gives for a path of exfat.img.
  const auto exfatSha = [](const std::string& path) { return ManifestSha(path, "exfat/manifest.tsv", "exfat.img"); };
  Open({"exfat/exfat.img"});
  ASSERT_NE(w->DriveNode('C'), nullptr);
  SelectDrive('C');
  ASSERT_EQ(w->Engine()->CurrentDrive->FsKind, engine::kExfat);
  EXPECT_EQ(w->ScanRootNode->text(0), "C:\\");
  EXPECT_EQ(w->TreeView1->currentItem(), w->ScanRootNode);

  // The root's folders, the deleted one marked, and one level built below.
  QTreeWidgetItem* docs = Child(w->ScanRootNode, "docs");
  ASSERT_NE(docs, nullptr);
  ASSERT_NE(Child(w->ScanRootNode, "中文目录"), nullptr);
  ASSERT_NE(Child(w->ScanRootNode, "photos"), nullptr);
  QTreeWidgetItem* old = Child(w->ScanRootNode, "oldfolder");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->data(0, Qt::UserRole + 3).toInt(), 4);  // deleted folder
  ASSERT_NE(Child(docs, "reports"), nullptr);

  // Root rows: names from the name entries, sizes from the stream entry.
  EXPECT_EQ(Cell("readme.txt", 3), "700");
  EXPECT_EQ(Cell("readme.txt", 2), "");
  EXPECT_EQ(Cell("big.bin", 3), "3M");
  EXPECT_EQ(Cell("deleted.txt", 2), "已删除，完好");
  EXPECT_EQ(w->ListModel->Row(RowOf("deleted.txt")).image, 4);
  EXPECT_EQ(Cell("oldfolder", 1), "文件夹");
  EXPECT_GE(RowOf("A very long file name that goes on and on to show that exFAT keeps names of up to "
                  "two hundred and fifty five characters in several name entries of one entry set.txt"),
            0);

  // Properties: 4 KiB clusters, so 700 bytes take one.
  w->TabSet1->setCurrentIndex(0);
  SelectRow("readme.txt");
  EXPECT_EQ(w->ListView2->Value(3), "700");
  EXPECT_EQ(w->ListView2->Value(4), "4096");

  Open(Child(w->ScanRootNode, "photos"));
  EXPECT_EQ(w->StatusBar1->PanelText(1), " C:\\photos");
  EXPECT_EQ(Cell("gone-photo.jpg", 2), "已删除，完好");
  EXPECT_EQ(Cell("holiday.jpg", 2), "");
  Check("gone-photo.jpg");
  Check("holiday.jpg");
  w->RecoverExecute();
  EXPECT_EQ(Sha256(destination + "/gone-photo.jpg"), exfatSha("photos/gone-photo.jpg"));
  EXPECT_EQ(Sha256(destination + "/holiday.jpg"), exfatSha("photos/holiday.jpg"));
  // The hex page previews the file's own first bytes.
  const std::vector<uint8_t> recovered = ReadBinaryFile(destination + "/holiday.jpg");
  ASSERT_GE(recovered.size(), 16u);
  w->TabSet1->setCurrentIndex(1);
  SelectRow("holiday.jpg");
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(w->Hex->Data()[i], recovered[i]) << i;

  // A deleted folder goes with its deleted contents.
  Open(w->ScanRootNode);
  w->Checkall1Click(false);
  Check("oldfolder");
  Check("deleted.txt");
  w->RecoverExecute();
  EXPECT_EQ(Sha256(destination + "/deleted.txt"), exfatSha("deleted.txt"));
  EXPECT_EQ(Sha256(destination + "/oldfolder/notes.txt"), exfatSha("oldfolder/notes.txt"));
  EXPECT_EQ(Sha256(destination + "/oldfolder/old report.doc"),
            exfatSha("oldfolder/old report.doc"));
  EXPECT_EQ(w->ListView3->LineText(w->ListView3->LineCount() - 2), "恢复已完成。");
  EXPECT_TRUE(LastLog().endsWith("个文件已恢复，0 个失败")) << LastLog().toStdString();
  // Only the summaries that end each recovery, no complaint.
  ASSERT_FALSE(boxes.empty());
  for (const ShownBox& box : boxes) {
    EXPECT_EQ(box.kind, controls::BoxKind::kInformation) << box.text.toStdString();
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("恢复已完成。"))) << box.text.toStdString();
  }
}

}  // namespace
}  // namespace tarnwell::testing
