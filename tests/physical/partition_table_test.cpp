// Crafted tables: loops, overlaps, sizes past the end, boot code read as
// slots, the running position of the extended chain, and the drive list.
#include <gtest/gtest.h>

#include "physical/partition_table.h"
#include "physical/physical_drive_list.h"
#include "platform/text_codec.h"
#include "tests/physical/disk_model_support.h"

namespace tarnwell::physical {
namespace {

using testing::ImageBuilder;

constexpr uint64_t kDisk = 10000;  // sectors of the crafted disks

TEST_F(DiskModelTest, ChainThatLinksBackToATableAlreadyReadEnds) {
  ImageBuilder image(kDisk * 512);
  PutSlot(image, 0, 0, 0x00, 0x05, 100, 900);
  PutSlot(image, 100, 0, 0x00, 0x06, 63, 100);    // logical at 163
  PutSlot(image, 100, 1, 0x00, 0x05, 200, 300);   // link to 300
  PutSlot(image, 300, 0, 0x00, 0x06, 63, 50);     // logical at 363
  PutSlot(image, 300, 1, 0x00, 0x05, 0, 900);     // link back to 100
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  const std::vector<EntryShape> expected = {
      {5, 0, kDisk}, {0, 63, 37}, {5, 100, 900}, {5, 100, 900}, {6, 163, 100},
      {5, 300, 300}, {6, 363, 50}, {0, 1000, 9000}};
  EXPECT_EQ(Shapes(drive->Partitions), expected);
  // The looping link is listed as the table says, but its table is not read
  // again: it leads nowhere.
  for (const auto& e : drive->Partitions) {
    if (e->IsExtended() && e.get() != &drive->WholeDisk() && e->BaseLba == 100 && e->RelStart() == 0) {
      EXPECT_TRUE(e->Children.empty());
    }
  }
  // ... and the log says where the chain was cut.
  const std::string said = platform::SystemText("扇区 100 处的扩展分区链指回已读过的分区表或过长，已停止读取。");
  size_t lines = 0;
  for (const auto& line : log.lines) lines += line.text == said && line.icon == kLogFailure;
  EXPECT_EQ(lines, 1u);
}

TEST_F(DiskModelTest, LongChainStopsAtTheTableCap) {
  ImageBuilder image(kDisk * 512);
  PutSlot(image, 0, 0, 0x00, 0x05, 10, 5000);
  for (uint32_t i = 0; i < 2000; ++i) PutSlot(image, 10 + i, 0, 0x00, 0x05, i + 1, 1);
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  // disk, leading free, the extended entry, one link in each table read
  // after the master boot record (itself one of the tables), tail.
  EXPECT_EQ(drive->Partitions.size(), 1 + 1 + 1 + (kMaxPartitionTables - 1) + 1);
}

TEST_F(DiskModelTest, OutOfOrderAndOverlappingSlotsGiveNoWrappedFreeSpace) {
  ImageBuilder image(kDisk * 512);
  PutSlot(image, 0, 0, 0x00, 0x06, 5000, 1000);
  PutSlot(image, 0, 1, 0x00, 0x06, 2048, 1000);
  PutSlot(image, 0, 2, 0x00, 0x06, 2500, 100);    // inside the one before
  PutSlot(image, 0, 3, 0x00, 0x07, 7000, 500);
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  const std::vector<EntryShape> expected = {{5, 0, kDisk},     {0, 63, 4937},  {6, 2048, 1000},
                                            {6, 2500, 100},    {6, 5000, 1000}, {0, 6000, 1000},
                                            {7, 7000, 500},    {0, 7500, 2500}};
  EXPECT_EQ(Shapes(drive->Partitions), expected);
}

TEST_F(DiskModelTest, SlotsPastTheEndOrWithoutABootFlagAreNoPartitions) {
  ImageBuilder image(kDisk * 512);
  PutSlot(image, 0, 0, 0x00, 0x06, 2048, 1000);
  PutSlot(image, 0, 1, 0x00, 0x07, 9000, 1001);   // one sector too long
  PutSlot(image, 0, 2, 0x23, 0x07, 4000, 100);    // no boot flag
  PutSlot(image, 0, 3, 0x00, 0x05, 5000, 6000);   // extended past the end
  PutSlot(image, 5000, 0, 0x00, 0x06, 63, 100);   // so this is never read
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  const std::vector<EntryShape> expected = {
      {5, 0, kDisk}, {0, 63, 1985}, {6, 2048, 1000}, {0, 3048, 6952}};
  EXPECT_EQ(Shapes(drive->Partitions), expected);
}

TEST_F(DiskModelTest, LinkPastTheEndIsNotFollowed) {
  ImageBuilder image(kDisk * 512);
  PutSlot(image, 0, 0, 0x00, 0x05, 1000, 9000);
  PutSlot(image, 1000, 0, 0x00, 0x06, 63, 100);
  PutSlot(image, 1000, 1, 0x00, 0x05, 8000, 2000);  // 1000 + 8000 + 2000 > 10000
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  const std::vector<EntryShape> expected = {
      {5, 0, kDisk}, {0, 63, 937}, {5, 1000, 9000}, {6, 1063, 100}, {0, 1163, 8837}};
  EXPECT_EQ(Shapes(drive->Partitions), expected);
}

TEST_F(DiskModelTest, BareVolumeShowsOnlyItsWholeDiskEntry) {
  // The last 66 bytes of a Windows XP FAT16 boot sector (DFTT image 6): the
  // boot message where a table's slots would be.
  ImageBuilder image(kDisk * 512);
  image.PutBytes(446, testing::Hex(
      "6f 74 68 65 72 20 6d 65 64 69 61 2e ff 0d 0a 44 69 73 6b 20 65 72 72 6f 72 ff 0d 0a "
      "50 72 65 73 73 20 61 6e 79 20 6b 65 79 20 74 6f 20 72 65 73 74 61 72 74 0d 0a 00 00 "
      "00 00 00 00 00 ac cb d8 55 aa"));
  PutFat16Boot(image, 0, 0x1234, 10000);
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  const std::vector<EntryShape> expected = {{5, 0, kDisk}, {0, 63, kDisk - 63}};
  EXPECT_EQ(Shapes(drive->Partitions), expected);
}

TEST_F(DiskModelTest, LinkAdvancesTheExtendedPositionByOneTrack) {
  ImageBuilder image(kDisk * 512);
  PutSlot(image, 0, 0, 0x00, 0x05, 1000, 9000);
  PutSlot(image, 1000, 0, 0x00, 0x06, 63, 1000);    // 1063..2063
  PutSlot(image, 1000, 1, 0x00, 0x05, 3000, 2000);  // table at 4000
  PutSlot(image, 4000, 0, 0x00, 0x06, 2200, 1000);  // 6200..7200
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  TPartiEntry* extended = drive->WholeDisk().Children.at(1);
  ASSERT_TRUE(extended->IsExtended());
  // Counted from the table at 4000 plus one track (4063), not from the
  // link's own end (6000): 2137 sectors are free before 6200.
  const std::vector<EntryShape> expected = {
      {6, 1063, 1000}, {5, 4000, 2000}, {0, 4063, 2137}, {0, 7200, 2800}};
  EXPECT_EQ(Shapes(extended->Children), expected);
}

TEST_F(DiskModelTest, TablesWithNothingReadableGiveTheWholeDiskOnly) {
  for (size_t bytes : {size_t{0}, size_t{300}, size_t{512}}) {
    auto drive = DiskOf(std::vector<uint8_t>(bytes, 0));
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->Partitions.size(), 1u) << bytes;
    EXPECT_EQ(drive->WholeDisk().SectorCount(), bytes / 512);
  }
}

TEST_F(DiskModelTest, MoreThanTwentySixDrivesAreAllListed) {
  for (int i = 0; i < 30; ++i) table.AttachMemory("d" + std::to_string(i), std::vector<uint8_t>(4096));
  const TPhysicalDriveList list(Window());
  // Floppy-sized bare volumes: A: and B:, then C: to Z:; all 30 disks
  // follow the 26 volumes.
  EXPECT_EQ(list.Count(), 56u);
  EXPECT_EQ(list.Items.front()->DriveCode(), -'A');
  EXPECT_EQ(list.Items.back()->DriveCode(), 29);
  EXPECT_TRUE(boxes.errors.empty());
}

TEST_F(DiskModelTest, VolumeHasOnlyItsWholeDiskEntryWithTheVolumeLabel) {
  table.AttachMemory("bare", std::vector<uint8_t>(4096));
  const TPhysicalDriveList list(Window());
  ASSERT_EQ(list.Count(), 2u);
  const TPhysicalDrive& volume = *list.Items[0];
  EXPECT_TRUE(volume.IsVolume());
  ASSERT_EQ(volume.Partitions.size(), 1u);
  EXPECT_EQ(volume.WholeDisk().SectorCount(), 0u);
  EXPECT_EQ(volume.WholeDisk().PartType(), kTypeExtended);
  EXPECT_EQ(volume.WholeDisk().Label, "NoName");  // a volume without a name
  EXPECT_EQ(volume.DriveRecord->Geometry.SectorsPerTrack, 0u);
  const TPhysicalDrive& disk = *list.Items[1];
  EXPECT_EQ(disk.DriveRecord->Geometry.SectorsPerTrack, 63u);
  EXPECT_EQ(disk.DriveRecord->Geometry.TracksPerCylinder, 255u);
  EXPECT_EQ(disk.DriveRecord->Geometry.Cylinders, 1);
  EXPECT_EQ(disk.TotalSectors(), 8u);  // the true size, not 1 x 255 x 63
}

}  // namespace
}  // namespace tarnwell::physical
