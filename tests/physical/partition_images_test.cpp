// Whole images made by partitioning tools: our own (with labels) and the
// shared corpus, compared with what The Sleuth Kit's mmls lists. We list
// free space our own way (from sector 63, gaps of more than 2048 sectors
// inside the extended partition), so those rows differ from mmls on purpose.
#include <gtest/gtest.h>

#include "physical/partition_label.h"
#include "tests/physical/disk_model_support.h"

namespace tarnwell::physical {
namespace {

struct ImageCase {
  const char* fixture;
  std::vector<EntryShape> entries;  // whole-disk entry first
};

class PartitionImageTest : public DiskModelTest, public ::testing::WithParamInterface<ImageCase> {};

TEST_P(PartitionImageTest, ListsTheTablesEntriesAndFreeSpace) {
  auto drive = DiskOfImage(GetParam().fixture);
  ASSERT_TRUE(drive);
  EXPECT_EQ(Shapes(drive->Partitions), GetParam().entries);
  for (const auto& e : drive->Partitions) EXPECT_LE(e->AbsoluteEnd(), drive->TotalSectors());
}

const ImageCase kImages[] = {
    // Only partition at 63: no leading free space; one sector left at the
    // end: no trailing free space either.
    {"partitions/at63.img", {{5, 0, 81920}, {6, 63, 81856}}},
    // At 2048: free from 63, 1985 sectors; two sectors left: listed.
    {"partitions/at2048.img",
     {{5, 0, 88066}, {0, 63, 1985}, {0x0C, 2048, 69632}, {7, 71680, 16384}, {0, 88064, 2}}},
    // 2048 sectors between the first logical drive and the second table: no
    // entry; 2049 before the third table: an entry.
    {"partitions/extended.img",
     {{5, 0, 131072}, {0, 63, 1985}, {1, 2048, 8192}, {5, 10240, 120832}, {6, 12288, 8192},
      {5, 22528, 10240}, {6, 24576, 8192}, {0, 32768, 2049}, {5, 34817, 18432},
      {7, 36865, 16384}, {0, 53249, 77823}}},
    // DFTT 1: the second table holds two logical drives and a link.
    {"corpus/dftt-01-extend-part/ext-part-test-2.dd",
     {{5, 0, 312480}, {4, 63, 52353}, {4, 52416, 52416}, {4, 104832, 52416},
      {5, 157248, 155232}, {4, 157311, 52353}, {4, 209727, 52353}, {5, 262080, 50400},
      {6, 262143, 50337}}},
    // A Windows chain of four tables. mmls: one unallocated run 516736-524287;
    // here the extended partition's tail and the disk's tail.
    {"corpus/dfirntfs-mbr/mbr-win-512.raw",
     {{5, 0, 524288}, {0, 63, 65}, {6, 128, 16384}, {6, 16512, 16384}, {6, 32896, 16384},
      {5, 49280, 471040}, {6, 49408, 16384}, {5, 65792, 16512}, {6, 65920, 16384},
      {5, 82304, 16512}, {6, 82432, 16384}, {5, 98816, 417920}, {6, 98944, 417792},
      {0, 516736, 3584}, {0, 520320, 3968}}},
    // The extended partition first, starting at sector 1 (before the first
    // track): no wrapped free-space entry.
    {"corpus/dfirntfs-mbr/mbr-512-p1e2.bin",
     {{5, 0, 2048}, {5, 1, 1024}, {0x83, 2, 511}, {5, 513, 512}, {0x83, 514, 511},
      {0x83, 1025, 1023}}},
    {"corpus/dfirntfs-mbr/mbr-512-p1e2_2.bin",
     {{5, 0, 2048}, {0x83, 1, 64}, {5, 65, 1983}, {0x83, 66, 35}, {5, 101, 1947},
      {0x8E, 102, 1946}}},
    // Tables written for 4096-byte sectors read as 512-byte ones, as mmls
    // does without -b: the extended table lands on zeros, nothing false.
    {"corpus/dfirntfs-mbr/mbr-4096-p1e1.bin",
     {{5, 0, 2048}, {0x8E, 3, 2}, {0, 5, 3}, {5, 8, 4}, {0, 12, 2036}}},
    {"corpus/dfirntfs-mbr/mbr-4096-p1e0.bin",
     {{5, 0, 2048}, {0x83, 1, 125}, {5, 126, 130}, {0, 256, 1792}}},
    // A GPT disk lists its GUID partition table's entries as mmls does; they
    // fill the usable range, so there is no free space.
    {"corpus/dfirntfs-mbr/gpt-512-3p.raw", {{5, 0, 2048}, {0xEE, 34, 31}, {0xEE, 65, 64}, {0xEE, 129, 1886}}},
    // mmls ends the last gap at 122879; the image holds 122881 sectors.
    {"corpus/tsk-imageformat-mmls1/imageformat_mmls_1.raw",
     {{5, 0, 122881}, {0, 63, 65}, {7, 128, 55296}, {7, 55424, 61440}, {0, 116864, 6017}}},
    {"corpus/pytsk-volume-system/tsk_volume_system.raw",
     {{5, 0, 2880}, {0x83, 1, 350}, {5, 351, 2529}, {0x83, 352, 2528}}},
    // The first 1024 bytes of partitioned disks: every slot reaches past
    // these two sectors, so none is a partition (mmls lists p1's slot).
    {"corpus/dfirntfs-mbr/mbr-512-p1.bin", {{5, 0, 2}}},
    {"corpus/dfirntfs-mbr/mbr-512-p4.bin", {{5, 0, 2}}},
};

INSTANTIATE_TEST_SUITE_P(Images, PartitionImageTest, ::testing::ValuesIn(kImages));

TEST_F(DiskModelTest, TruncatedTablesPaddedToTheirDiskListTheirSlots) {
  // The 1 KiB captures come from 1 MiB disks; padded back, their slots fit.
  auto bytes = testing::ReadBinaryFile(testing::FixturePath("corpus/dfirntfs-mbr/mbr-512-p4.bin"));
  ASSERT_EQ(bytes.size(), 1024u);
  bytes.resize(2048 * 512);
  auto drive = DiskOf(std::move(bytes));
  ASSERT_TRUE(drive);
  const std::vector<EntryShape> expected = {
      {5, 0, 2048}, {0x83, 1, 2}, {0x83, 3, 2}, {0x83, 5, 2}, {0x8E, 7, 2041}};
  EXPECT_EQ(Shapes(drive->Partitions), expected);
}

TEST_F(DiskModelTest, ExtendedChildrenHoldTheirTablesEntriesAndGaps) {
  auto drive = DiskOfImage("partitions/extended.img");
  ASSERT_TRUE(drive);
  const std::vector<EntryShape> top = {
      {0, 63, 1985}, {1, 2048, 8192}, {5, 10240, 120832}};
  EXPECT_EQ(Shapes(drive->WholeDisk().Children), top);
  const TPartiEntry& extended = *drive->WholeDisk().Children[2];
  const std::vector<EntryShape> inner = {
      {6, 12288, 8192}, {5, 22528, 10240}, {0, 32768, 2049}, {0, 53249, 77823}};
  EXPECT_EQ(Shapes(extended.Children), inner);
  EXPECT_EQ(drive->ExtendedBase, 10240u);
}

TEST_F(DiskModelTest, LabelsComeFromTheFileSystemsWithTheDriveLetterInFront) {
  auto at63 = DiskOfImage("partitions/at63.img");
  auto at2048 = DiskOfImage("partitions/at2048.img");
  auto extended = DiskOfImage("partitions/extended.img");
  ASSERT_TRUE(at63 && at2048 && extended);
  // Volumes got their letters in disk order: C: on the first disk, D: and
  // E: on the second, F: to I: on the third.
  EXPECT_EQ(at63->Partitions[1]->Label, "(C:) MY DISK");     // stored "MY DISK    "
  EXPECT_EQ(at2048->Partitions[2]->Label, "(D:) ABCDEF");    // stored "ABC     DEF"
  EXPECT_EQ(extended->Partitions[2]->Label, "(F:) PRIMARY");  // FAT12
  EXPECT_EQ(extended->Partitions[4]->Label, "(G:) LOGICALONE");
  EXPECT_EQ(extended->Partitions[6]->Label, "(H:) LOGICALTWO");
  // Free space and extended entries have no letter.
  EXPECT_EQ(extended->Partitions[1]->Label, "");
  EXPECT_EQ(extended->Partitions[3]->Label, "");
  EXPECT_EQ(at63->WholeDisk().Label, "");
}

TEST_F(DiskModelTest, NtfsLabelComesFromTheVolumeName) {
  auto at2048 = DiskOfImage("partitions/at2048.img");
  ASSERT_TRUE(at2048);
  EXPECT_EQ(at2048->Partitions[3]->Label, "(D:) NTFS LABEL");
}

}  // namespace
}  // namespace tarnwell::physical
