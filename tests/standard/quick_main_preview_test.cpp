// The "预览" page as a user opens it on a memory card: pictures and text
// read through the recovery's copy (deleted ones included), a clear line
// for anything else, and a bound on what is read.
#include <QCryptographicHash>
#include <QDir>
#include <filesystem>

#include "controls/preview_page.h"
#include "engine/recovery/extract_to_memory.h"
#include "engine/undelete.h"
#include "platform/device_table.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

constexpr int kPreviewTab = 4;

class QuickMainPreviewTest : public QuickMainTest {
 protected:
  void OpenCard() {
    Open({"carve/card.img"});
    w->Treeview2->setCurrentItem(w->DriveNode(platform::DeviceTable::Instance().Volumes()[0].letter));
    w->TabSet1->setCurrentIndex(kPreviewTab);
  }
  QByteArray CardSha(const std::string& path) { return ManifestSha(path, "carve/MANIFEST", "card.img"); }
};

TEST_F(QuickMainPreviewTest, PicturesAndTextAreShownFromTheRecoveredBytesOtherFilesSayWhyNot) {
  OpenCard();
  ASSERT_GE(RowOf("canon.jpg"), 0);

  SelectRow("canon.jpg");
  EXPECT_EQ(w->Preview->Shown(), controls::PreviewKind::kPicture);
  EXPECT_FALSE(w->Preview->PictureSize().isEmpty());

  SelectRow("?radient.png");  // deleted, its first letter gone: read as its recovery would be
  EXPECT_EQ(w->Preview->Shown(), controls::PreviewKind::kPicture);
  EXPECT_FALSE(w->Preview->PictureSize().isEmpty());

  SelectRow("notes.txt");
  ASSERT_EQ(w->Preview->Shown(), controls::PreviewKind::kText);
  EXPECT_FALSE(w->Preview->TextShown().isEmpty());

  SelectRow("song.mp3");
  EXPECT_EQ(w->Preview->Shown(), controls::PreviewKind::kNone);
  EXPECT_TRUE(w->Preview->MessageText().contains(QStringLiteral("十六进制")));

  // Switching to the page shows the row already chosen.
  w->TabSet1->setCurrentIndex(1);
  SelectRow("canon.jpg");
  w->TabSet1->setCurrentIndex(kPreviewTab);
  EXPECT_EQ(w->Preview->Shown(), controls::PreviewKind::kPicture);
  EXPECT_FALSE(w->Engine()->Scanning);  // the window is free again
}

TEST_F(QuickMainPreviewTest, ExtractionIsTheRecoveryCopyBoundedAndLeavesNothingBehind) {
  OpenCard();
  const std::string scratch = MakeTempFolder("preview_scratch");
  const engine::EntryHandle jpeg = w->RowEntry(RowOf("?ikon.jpg"));  // deleted
  ASSERT_TRUE(jpeg);

  engine::ExtractedFile file = engine::ExtractToMemory(jpeg, 1 << 20, scratch);
  ASSERT_EQ(file.outcome, engine::ExtractOutcome::kExtracted);
  const QByteArray bytes(reinterpret_cast<const char*>(file.bytes.data()), static_cast<qsizetype>(file.bytes.size()));
  EXPECT_EQ(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(), CardSha("nikon.jpg"));

  // Larger than the bound: nothing is read at all.
  file = engine::ExtractToMemory(jpeg, jpeg.Size() - 1, scratch);
  EXPECT_EQ(file.outcome, engine::ExtractOutcome::kTooLarge);
  EXPECT_TRUE(file.bytes.empty());
  EXPECT_EQ(engine::ExtractToMemory(w->RowEntry(RowOf("notes.txt")), 1 << 20, "/nonexistent").outcome,
            engine::ExtractOutcome::kNoScratch);
  // The scratch folder's copies are gone again.
  EXPECT_TRUE(std::filesystem::is_empty(scratch));
}

}  // namespace
}  // namespace tarnwell::testing
