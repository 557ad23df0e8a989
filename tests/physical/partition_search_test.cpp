// The search for lost partitions: chunks, serials, stop, busy and the
// wiped copies of the made images.
#include <gtest/gtest.h>
#include <unistd.h>


#include "physical/drive_caption.h"
#include "physical/partition_search.h"
#include "platform/device_table.h"
#include "platform/text_codec.h"
#include "tests/physical/disk_model_support.h"

namespace tarnwell::physical {
namespace {

using platform::SystemText;
using testing::ImageBuilder;

class PartitionSearchTest : public DiskModelTest {
 protected:
  // Searches the whole disk of the drive.
  bool SearchAll(TPhysicalDrive& drive) {
    return SearchPartitions(drive, drive.WholeDisk(), progress, drive.WholeDisk().SectorCount(), 0);
  }
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    for (const auto& line : log.lines) texts.push_back(line.text + "/" + std::to_string(line.icon));
    return texts;
  }
  const std::string started = SystemText("正在开始智能扫描 ...") + "/0";
  const std::string completed = SystemText("智能扫描已完成") + "/0";
  const std::string stopped = SystemText("智能扫描被用户终止") + "/2";
};

TEST_F(PartitionSearchTest, FindsThePartitionsOfAWipedMasterBootRecord) {
  auto drive = DiskOfImage("partitions/at2048-wiped.img");
  ASSERT_TRUE(drive);
  ASSERT_EQ(drive->Partitions.size(), 2u);  // the disk and its free space
  EXPECT_TRUE(SearchAll(*drive));
  // The FAT32 backup boot sector six sectors on and the NTFS one at the
  // volume's end carry the same serials: passed over. NTFS counts its
  // volume without that last sector.
  const std::vector<EntryShape> expected = {{255, 2048, 69632}, {255, 71680, 16383}};
  EXPECT_EQ(Shapes(drive->FoundPartitions), expected);
  EXPECT_EQ(drive->FoundPartitions[0]->Label, "ABCDEF");
  EXPECT_EQ(drive->FoundPartitions[0]->DriveCode, drive->DriveCode());
  EXPECT_TRUE(drive->WholeDisk().Searched);
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{started, completed}));
  EXPECT_FALSE(drive->Busy);
  EXPECT_EQ(progress.positions.back(), 0);
}

TEST_F(PartitionSearchTest, FindsOnlyTheLogicalDrivesCutOffTheChain) {
  auto drive = DiskOfImage("partitions/extended-unlinked.img");
  ASSERT_TRUE(drive);
  EXPECT_TRUE(SearchAll(*drive));
  const std::vector<EntryShape> expected = {{255, 24576, 8192}, {255, 36865, 16383}};
  EXPECT_EQ(Shapes(drive->FoundPartitions), expected);
  EXPECT_EQ(drive->FoundPartitions[0]->Label, "LOGICALTWO");
}

TEST_F(PartitionSearchTest, FindsEveryVolumeOfAWipedExtendedDisk) {
  auto drive = DiskOfImage("partitions/extended-wiped.img");
  ASSERT_TRUE(drive);
  EXPECT_TRUE(SearchAll(*drive));
  const std::vector<EntryShape> expected = {
      {255, 2048, 8192}, {255, 12288, 8192}, {255, 24576, 8192}, {255, 36865, 16383}};
  EXPECT_EQ(Shapes(drive->FoundPartitions), expected);
  EXPECT_EQ(drive->FoundPartitions[0]->Label, "PRIMARY");
  EXPECT_EQ(drive->FoundPartitions[1]->Label, "LOGICALONE");
}

TEST_F(PartitionSearchTest, ListedPartitionsAreNotFoundAgain) {
  for (const char* image : {"partitions/at2048.img", "partitions/extended.img",
                            "corpus/dftt-01-extend-part/ext-part-test-2.dd",
                            "corpus/tsk-imageformat-mmls1/imageformat_mmls_1.raw"}) {
    auto drive = DiskOfImage(image);
    ASSERT_TRUE(drive);
    EXPECT_TRUE(SearchAll(*drive));
    EXPECT_TRUE(drive->FoundPartitions.empty()) << image;
  }
}

TEST_F(PartitionSearchTest, ASecondSearchDoesNotListTheSameVolumesAgain) {
  auto drive = DiskOfImage("partitions/at2048-wiped.img");
  ASSERT_TRUE(drive);
  ASSERT_TRUE(SearchAll(*drive));
  ASSERT_EQ(drive->FoundPartitions.size(), 2u);
  TPartiEntry* first = drive->FoundPartitions[0].get();
  // Over the whole disk again, and over a range that starts on the second.
  EXPECT_TRUE(SearchAll(*drive));
  EXPECT_TRUE(SearchPartitions(*drive, drive->WholeDisk(), progress, 20000, 70000));
  const std::vector<EntryShape> expected = {{255, 2048, 69632}, {255, 71680, 16383}};
  EXPECT_EQ(Shapes(drive->FoundPartitions), expected);
  // The entries found first stay, with whatever a scan attached to them.
  EXPECT_EQ(drive->FoundPartitions[0].get(), first);
}

TEST_F(PartitionSearchTest, SerialsTellVolumesApart) {
  ImageBuilder image(3000 * 512);
  PutFat16Boot(image, 100, 0xAAAA, 50);
  PutFat16Boot(image, 200, 0xAAAA, 50);   // same serial right after: passed over
  PutFat16Boot(image, 300, 0xBBBB, 50);
  PutFat16Boot(image, 400, 0xAAAA, 50);   // seen again after another: added again
  PutFat16Boot(image, 500, 0xAAAA, 50);
  PutFat16Boot(image, 501, 0xAAAA, 50);   // two volumes, one serial, adjacent: one
  PutSignature(image, 600);                            // signature, no file system
  PutFat16Boot(image, 700, 0xCCCC, 0);                 // 16-bit count 0: the 32-bit one
  image.Put32(700 * 512 + 32, 1234);
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  EXPECT_TRUE(SearchAll(*drive));
  const std::vector<EntryShape> expected = {
      {255, 100, 50}, {255, 300, 50}, {255, 400, 50}, {255, 700, 1234}};
  // 500 and 501 carry 400's serial with nothing between: passed over.
  EXPECT_EQ(Shapes(drive->FoundPartitions), expected);
}

TEST_F(PartitionSearchTest, AMappedDiskFindsWhatAReadOneFindsAndSurvivesBeingCutShort) {
  ImageBuilder image(3000 * 512);
  for (uint64_t sector : {100, 300, 999, 2500}) PutFat16Boot(image, sector, 0x1000 + static_cast<uint32_t>(sector), 10);
  std::vector<uint8_t> bytes = image.Take();
  const std::string path = testing::WriteTempImage(bytes, "search");
  auto read = DiskOf(bytes);
  auto mapped = DiskOfPath(path);
  ASSERT_TRUE(read && mapped);
  EXPECT_TRUE(SearchAll(*read));
  EXPECT_TRUE(SearchAll(*mapped));
  const std::vector<EntryShape> all = {{255, 100, 10}, {255, 300, 10}, {255, 999, 10}, {255, 2500, 10}};
  EXPECT_EQ(Shapes(read->FoundPartitions), all);
  EXPECT_EQ(Shapes(mapped->FoundPartitions), all);

  // The image shrinks to its first chunk once that chunk is searched: the
  // pages mapped behind it are gone, and the search reads on instead of
  // dying of the fault, then says where the source ended instead of
  // claiming to have finished.
  auto cut = DiskOfPath(path);
  ASSERT_TRUE(cut);
  pump.actOnCall = pump.calls + 1;
  pump.action = [&] { ASSERT_EQ(::truncate(path.c_str(), 1000 * 512), 0); };
  EXPECT_TRUE(SearchAll(*cut));
  EXPECT_EQ(Shapes(cut->FoundPartitions), (std::vector<EntryShape>{{255, 100, 10}, {255, 300, 10}, {255, 999, 10}}));
  EXPECT_EQ(LogTexts().back(), SystemText("扫描期间数据源变短或被改写: 自扇区 1000 起已无法读取") + "/1");
}

TEST_F(PartitionSearchTest, ReadsWholeChunksAndPumpsOncePerChunk) {
  ImageBuilder image(5000 * 512);
  PutFat16Boot(image, 2999, 0x1111, 10);  // inside the third chunk, past the range
  PutFat16Boot(image, 3000, 0x2222, 10);  // the fourth chunk is never read
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  EXPECT_TRUE(SearchPartitions(*drive, drive->WholeDisk(), progress, 2500, 0));
  EXPECT_EQ(pump.calls, 3);
  EXPECT_EQ(Shapes(drive->FoundPartitions), (std::vector<EntryShape>{{255, 2999, 10}}));
  EXPECT_EQ(progress.positions, (std::vector<int>{0, 33, 67, 0}));
}

TEST_F(PartitionSearchTest, StartOffsetCountsFromTheEntry) {
  ImageBuilder image(5000 * 512);
  PutFat16Boot(image, 1500, 0x1111, 10);
  PutFat16Boot(image, 4100, 0x2222, 10);
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  EXPECT_TRUE(SearchPartitions(*drive, drive->WholeDisk(), progress, 1000, 4000));
  EXPECT_EQ(Shapes(drive->FoundPartitions), (std::vector<EntryShape>{{255, 4100, 10}}));
}

TEST_F(PartitionSearchTest, ReadsPastTheDisksEndFindLessNotFail) {
  ImageBuilder image(1500 * 512);
  PutFat16Boot(image, 1499, 0x1111, 500);  // claims more sectors than the disk holds
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  EXPECT_TRUE(SearchPartitions(*drive, drive->WholeDisk(), progress, 5000, 0));
  EXPECT_EQ(pump.calls, 5) << "the chunks past the disk's end read nothing, and still pump";
  ASSERT_EQ(drive->FoundPartitions.size(), 1u);
  EXPECT_TRUE(EndsPastDisk(*drive, *drive->FoundPartitions[0]));
  EXPECT_EQ(LogTexts().back(), completed);
}

TEST_F(PartitionSearchTest, StopEndsAfterTheCurrentChunkAndKeepsWhatWasFound) {
  ImageBuilder image(6000 * 512);
  PutFat16Boot(image, 500, 0x1111, 10);
  PutFat16Boot(image, 4500, 0x2222, 10);
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  pump.actOnCall = 3;  // after the third chunk
  pump.action = [&] { drive->RequestStop(); };
  EXPECT_TRUE(SearchAll(*drive));
  EXPECT_EQ(pump.calls, 3);
  EXPECT_EQ(Shapes(drive->FoundPartitions), (std::vector<EntryShape>{{255, 500, 10}}));
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{started, stopped}));
  EXPECT_FALSE(drive->StopRequested);
  EXPECT_FALSE(drive->Busy);
  EXPECT_TRUE(drive->WholeDisk().Searched);
  // Outside an operation the stop command is not heard.
  drive->RequestStop();
  EXPECT_FALSE(drive->StopRequested);
}

TEST_F(PartitionSearchTest, ACaptionShowsTheWholeSizeOfADiskBeyondTwoTebibytes) {
  // A disk of 3 TiB: the whole-disk entry keeps its 64-bit size beyond the
  // 32-bit slot, and the caption shows it.
  table.AttachMemory("small", std::vector<uint8_t>(64 * 512));
  std::optional<TDriveRecord> record = QueryPhysicalDriveRecord(0);
  ASSERT_TRUE(record);
  record->TotalSectors = uint64_t{3} << 31;
  TPhysicalDrive drive(*record, Window());
  EXPECT_EQ(drive.WholeDisk().SectorCount(), uint64_t{3} << 31);
  EXPECT_EQ(platform::SystemToUtf8(DriveCaption(drive)), "物理驱动器 00H (3072.00 GB)");
}

TEST_F(PartitionSearchTest, BusyDriveOrUnreadyVolumeRefuses) {
  auto drive = DiskOf(std::vector<uint8_t>(4096 * 512));
  ASSERT_TRUE(drive);
  drive->Busy = true;
  EXPECT_FALSE(SearchAll(*drive));
  EXPECT_TRUE(log.lines.empty());
  EXPECT_FALSE(drive->WholeDisk().Searched);

  table.AttachMemory("empty", {});  // a volume of no size: not ready
  const char letter = platform::DeviceTable::Instance().Volumes().back().letter;
  TPhysicalDrive volume(VolumeDriveRecord(letter), Window());
  EXPECT_FALSE(SearchAll(volume));
  EXPECT_EQ(boxes.errors, (std::vector<std::string>{SystemText("驱动器未就绪。")}));
  EXPECT_TRUE(log.lines.empty());
}

}  // namespace
}  // namespace tarnwell::physical
