// Decoders over explicit bytes: slots, FAT labels, boot-sector serials and
// sizes, size captions and the scan-range rule.
#include <gtest/gtest.h>

#include "engine/records.h"
#include "physical/drive_caption.h"
#include "physical/partition_label.h"
#include "physical/partition_search.h"
#include "physical/partition_table.h"
#include "physical/scan_range.h"
#include "tests/support/image_builder.h"

namespace tarnwell::physical {
namespace {

using testing::Hex;

TEST(PartitionSlotTest, KeepsTheSlotBytesAndReadsThemLittleEndian) {
  std::vector<uint8_t> sector(512, 0);
  const auto slot = Hex("80 01 01 00 06 FE 3F 0C 3F 00 00 00 41 9A 03 00");
  std::copy(slot.begin(), slot.end(), sector.begin() + 462);
  const PartitionSlot s = PartitionSlot::At(sector.data(), 1);
  EXPECT_EQ(std::vector<uint8_t>(s.bytes.begin(), s.bytes.end()), slot);
  EXPECT_EQ(s.BootFlag(), 0x80);
  EXPECT_EQ(s.PartType(), 0x06);
  EXPECT_EQ(s.RelStart(), 63u);
  EXPECT_EQ(s.SectorCount(), 236097u);
  EXPECT_EQ(PartitionSlot::At(sector.data(), 0).PartType(), 0);
}

TEST(PartitionSlotTest, OnlySlotsWithABootFlagThatLieOnTheDiskArePartitions) {
  struct Case {
    uint8_t flag;
    uint64_t base;
    uint32_t start, count;
    uint64_t disk;
    bool usable;
  };
  const Case cases[] = {
      {0x00, 0, 63, 937, 1000, true},         // ends exactly at the disk's end
      {0x80, 0, 63, 937, 1000, true},         // bootable
      {0x00, 0, 63, 938, 1000, false},        // one sector past the end
      {0x00, 0, 1000, 1, 1000, false},        // starts at the end
      {0x00, 900, 99, 1, 1000, true},         // the base counts
      {0x00, 900, 100, 1, 1000, false},
      {0x01, 0, 63, 100, 1000, false},        // boot code, not a boot flag
      {0xEB, 0, 63, 100, 1000, false},
      {0x00, 0, 0xFFFFFFFF, 0xFFFFFFFF, 1000, false},  // no 32-bit wrap-around
      {0x00, 0xFFFFFFFF00000000, 1, 1, 1000, false},
  };
  for (const Case& c : cases) {
    PartitionSlot s;
    s.bytes[0] = c.flag;
    s.SetPartType(6);
    s.SetRelStart(c.start);
    s.SetSectorCount(c.count);
    EXPECT_EQ(IsUsableSlot(s, c.base, c.disk), c.usable)
        << "flag " << int{c.flag} << " base " << c.base << " start " << c.start << " count " << c.count;
  }
}

TEST(FatLabelTest, TrimsNameAndExtensionParts) {
  struct Case {
    std::string stored;
    uint8_t attributes;
    std::string label;
  };
  const Case cases[] = {
      {"MY DISK    ", 0x08, "MY DISK"},
      {"ABC     DEF", 0x08, "ABCDEF"},
      {"  LEAD  EXT", 0x28, "LEADEXT"},  // archive bit beside the label bit
      {"           ", 0x08, ""},         // blank name part: no label
      {"        EXT", 0x08, ""},
      {"README  TXT", 0x20, ""},         // a file, not a label
      {"A\0B\0C\0D\0E\0F", 0x0F, ""},    // a long-name piece carries bit 0x08 too
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> entry(32, 0);
    std::copy(c.stored.begin(), c.stored.begin() + 11, entry.begin());
    entry[11] = c.attributes;
    EXPECT_EQ(FatLabelOfRootEntry(entry.data()), c.label) << c.stored;
  }
}

TEST(BootSectorFieldsTest, SerialAndSizeComeFromTheKindsOwnOffsets) {
  testing::ImageBuilder fat(512);
  fat.Put16(19, 0).Put32(32, 123456).Put32(39, 0x11223344).Put32(67, 0x55667788);
  const uint8_t* boot = fat.Bytes().data();
  EXPECT_EQ(VolumeSerialOf(boot, engine::kFat12), 0x11223344u);
  EXPECT_EQ(VolumeSerialOf(boot, engine::kFat16), 0x11223344u);
  EXPECT_EQ(VolumeSerialOf(boot, engine::kFat32), 0x55667788u);
  // FAT16 with a zero 16-bit count takes the 32-bit count at 32.
  EXPECT_EQ(VolumeSectorsOf(boot, engine::kFat16), 123456u);
  fat.Put16(19, 2880);
  EXPECT_EQ(VolumeSectorsOf(fat.Bytes().data(), engine::kFat12), 2880u);
  EXPECT_EQ(VolumeSectorsOf(fat.Bytes().data(), engine::kFat32), 123456u);

  testing::ImageBuilder ntfs(512);
  ntfs.Put64(40, 0x0000000700000010).Put64(72, 0xAABBCCDD99887766);
  // NTFS: the low half of the serial at 72, the whole 64-bit count at 40
  // (a volume past 2 TiB keeps its size).
  EXPECT_EQ(VolumeSerialOf(ntfs.Bytes().data(), engine::kNtfs), 0x99887766u);
  EXPECT_EQ(VolumeSectorsOf(ntfs.Bytes().data(), engine::kNtfs), 0x0000000700000010u);
  EXPECT_EQ(VolumeSerialOf(ntfs.Bytes().data(), engine::kUnrecognised), 0u);
}

TEST(DriveCaptionTest, SizesSwitchToGigabytesAbove1000Megabytes) {
  EXPECT_EQ(FormatSectorSize(40000000), "19.07 GB");
  EXPECT_EQ(FormatSectorSize(1000000), "488.28 MB");
  EXPECT_EQ(FormatSectorSize(2048000), "1000.00 MB");
  EXPECT_EQ(FormatSectorSize(2048001), "0.98 GB");
  EXPECT_EQ(FormatSectorSize(0), "0.00 MB");
}

TEST(ScanRangeTest, FollowsTheRangeDialogsRules) {
  using V = ScanRange::Verdict;
  struct Case {
    uint32_t total;
    int64_t startMb, endMb;
    V verdict;
    int64_t start, count;
  };
  const Case cases[] = {
      {100000, 10, 5, V::kOk, 10240, 10240},       // either order
      {100000, 0, 48, V::kOk, 0, 98304},
      {100000, 0, 50, V::kOk, 0, 100000},          // clipped to the end
      {100000, 48, 60, V::kOk, 98304, 1696},
      {100000, 49, 60, V::kOutOfLimits, 0, 0},     // both at or past the end
      {100000, 7, 7, V::kEmpty, 0, 0},
      {100000, -1, 7, V::kOutOfLimits, 0, 0},
      {100000, 0, 1048576, V::kOutOfLimits, 0, 0},  // no longer fits 32 bits
  };
  for (const Case& c : cases) {
    const ScanRange r = ScanRangeFromMegabytes(c.total, c.startMb, c.endMb);
    EXPECT_EQ(r.verdict, c.verdict) << c.startMb << ".." << c.endMb;
    if (c.verdict != V::kOk) continue;
    EXPECT_EQ(r.startSector, c.start);
    EXPECT_EQ(r.sectorCount, c.count);
  }
  EXPECT_EQ(MegabytesOf(2047), 1);
  EXPECT_EQ(MegabytesOf(2049), 2);
}

}  // namespace
}  // namespace tarnwell::physical
