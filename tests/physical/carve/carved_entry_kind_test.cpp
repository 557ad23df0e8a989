// Carved files as entry handles: the preview holds the file's own bytes
// only (both pieces of a joined one), a single recovery goes straight into
// the destination, a recovery of many makes each type's folder once, and a
// damaged file is written as far as it validated and counted failed.
#include <filesystem>

#include "engine/recovery/output_path.h"
#include "physical/carve/carved_entry_kind.h"
#include "platform/text_codec.h"
#include "tests/physical/carve/carve_samples.h"
#include "tests/physical/disk_model_support.h"

namespace tarnwell::physical::carve {
namespace {

namespace fs = std::filesystem;

class CarvedEntryKindTest : public DiskModelTest {
 protected:
  // canon.jpg in two pieces: 2048 + 100 bytes at sector 10, the rest at 30;
  // a short text at 100.
  void SetUp() override {
    jpeg = testing::CarveSampleNamed("canon.jpg").bytes;
    std::vector<uint8_t> disk(200 * 512 + jpeg.size(), 0xEE);
    std::copy(jpeg.begin(), jpeg.begin() + kFirst, disk.begin() + 10 * 512);
    std::copy(jpeg.begin() + kFirst, jpeg.end(), disk.begin() + 30 * 512);
    std::copy(text.begin(), text.end(), disk.begin() + 100 * 512);
    drive = DiskOf(std::move(disk));
    joined = {Family::kJpeg, "jpg", 10, jpeg.size(), false, kFirst, 30};
    note = {Family::kText, "txt", 100, text.size(), false, 0, 0};
    log.lines.clear();  // what modelling the disk said
  }

  static constexpr uint64_t kFirst = 2048 + 100;
  std::vector<uint8_t> jpeg;
  const std::string text = "short note\n";
  std::unique_ptr<TPhysicalDrive> drive;
  CarvedFile joined, note;
  engine::NullStatusPanel status;
};

TEST_F(CarvedEntryKindTest, ThePreviewHoldsTheFilesOwnBytesAndNothingBeyond) {
  engine::PreviewBuffer buffer{};
  ASSERT_TRUE(drive->EntryOf(note).ReadPreview(buffer));
  EXPECT_TRUE(std::equal(text.begin(), text.end(), buffer.begin()));
  EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(text.size()), buffer.end(),
                          [](uint8_t b) { return b == 0; }))
      << "the rest of its sector is not the file's";
  // The first piece ends before the buffer does: the second follows it.
  CarvedFile shortFirst = joined;
  shortFirst.firstPieceBytes = 1000;
  ASSERT_TRUE(drive->EntryOf(shortFirst).ReadPreview(buffer));
  EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.begin() + 1000, buffer.begin()));
  EXPECT_TRUE(std::equal(buffer.begin() + 1000, buffer.end(), jpeg.begin() + kFirst));

  EXPECT_EQ(drive->CarvedFileOf(drive->EntryOf(note)), &note);
  EXPECT_EQ(drive->CarvedFileOf({}), nullptr);
  EXPECT_EQ(drive->EntryOf(note).Name(), "f0000100.txt");
  EXPECT_EQ(drive->EntryOf(joined).Properties().allocated, (5u + (jpeg.size() - kFirst + 511) / 512) * 512);
}

TEST_F(CarvedEntryKindTest, OneFileGoesStraightIntoTheDestinationAndManyIntoAFolderPerType) {
  const std::string out = testing::MakeTempFolder("carved-kind");
  std::optional<engine::OutputFolder> folder = engine::OutputFolder::Open(out);
  ASSERT_TRUE(folder);
  const std::string name = "preview.bin";
  ASSERT_EQ(drive->EntryOf(joined).Recover({*folder, log, status, progress, &name}), engine::RecoverResult::kRecovered);
  EXPECT_EQ(testing::ReadBinaryFile(out + "/preview.bin"), jpeg);
  ASSERT_EQ(drive->EntryOf(note).Recover({*folder, log, status, progress}), engine::RecoverResult::kRecovered);
  EXPECT_TRUE(fs::is_regular_file(out + "/f0000100.txt"));

  const std::string many = testing::MakeTempFolder("carved-many");
  std::optional<engine::OutputFolder> manyFolder = engine::OutputFolder::Open(many);
  CarvedFileRecovery recovery(drive->DriveCode(), *manyFolder);
  CarvedFile second = note;
  second.sector = 101;
  for (const CarvedFile* f : {&joined, &note, &second})
    EXPECT_EQ(recovery.Recover(*f, {*manyFolder, log, status, progress}, pump), engine::RecoverResult::kRecovered);
  EXPECT_EQ(testing::ReadBinaryFile(many + "/jpg/f0000010.jpg"), jpeg);
  EXPECT_TRUE(fs::is_regular_file(many + "/txt/f0000100.txt"));
  EXPECT_TRUE(fs::is_regular_file(many + "/txt/f0000101.txt")) << "one folder per type, made once";
  EXPECT_FALSE(fs::exists(many + "/txt_1"));
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(CarvedEntryKindTest, ADamagedFileIsWrittenAsFarAsItValidatedAndCountsFailed) {
  const std::string out = testing::MakeTempFolder("carved-damaged");
  std::optional<engine::OutputFolder> folder = engine::OutputFolder::Open(out);
  CarvedFile broken = joined;
  broken.firstPieceBytes = 0;
  broken.length = 1500;
  broken.damaged = true;
  CarvedFileRecovery recovery(drive->DriveCode(), *folder);
  EXPECT_EQ(recovery.Recover(broken, {*folder, log, status, progress}, pump), engine::RecoverResult::kFailed);
  EXPECT_EQ(fs::file_size(out + "/jpg/damaged/f0000010.jpg"), 1500u);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0].icon, kLogFailure);
  EXPECT_NE(platform::SystemToUtf8(log.lines[0].text).find("f0000010.jpg - 文件已损坏"), std::string::npos);
  // Nothing is overwritten: the same file again gets the next free name.
  EXPECT_EQ(recovery.Recover(broken, {*folder, log, status, progress}, pump), engine::RecoverResult::kFailed);
  EXPECT_EQ(std::distance(fs::directory_iterator(out + "/jpg/damaged"), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace tarnwell::physical::carve
