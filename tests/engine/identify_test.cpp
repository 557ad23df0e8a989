#include <gtest/gtest.h>

#include <array>

#include "disk/volume_reader.h"
#include "engine/boot_sector.h"
#include "engine/identify.h"
#include "engine/records.h"
#include "tests/support/fixtures.h"
#include "tests/support/image_builder.h"
#include "tests/support/test_drives.h"

namespace tarnwell::engine {
namespace {

using testing::ImageBuilder;

// A boot sector with the given type texts and 512-byte sectors of one
// sector per cluster.
std::vector<uint8_t> Boot(const std::string& at54, const std::string& at82, const std::string& oem) {
  ImageBuilder b(512);
  b.Put16(0x0B, 512).Put8(0x0D, 1);
  b.PutText(54, at54).PutText(82, at82).PutText(3, oem);
  return b.Take();
}

TEST(IdentifyFileSystem, TypeTextsInTheirOrder) {
  const struct {
    const char* what;
    std::string at54, at82, oem;
    uint8_t kind;
  } cases[] = {
      {"FAT12 text", "FAT12   ", "", "MSDOS5.0", kFat12},
      {"FAT16 text", "FAT16   ", "", "mkfs.fat", kFat16},
      {"FAT32 text", "", "FAT32   ", "mkfs.fat", kFat32},
      {"NTFS OEM name", "", "", "NTFS    ", kNtfs},
      {"lower case", "fat16   ", "", "", kFat16},
      {"leading blanks trimmed", "  FAT12 ", "", "", kFat12},
      {"cut at the first zero", std::string("FAT16\0XY", 8), "", "", kFat16},
      {"zero before the name", std::string("\0FAT16  ", 8), "", "", kUnrecognised},
      {"FAT16 wins over FAT32", "FAT16   ", "FAT32   ", "", kFat16},
      {"FAT32 wins over NTFS", "", "FAT32   ", "NTFS    ", kFat32},
      {"plain FAT is not enough", "FAT     ", "", "", kUnrecognised},
      {"FAT32 at 54 is not FAT32", "FAT32   ", "", "", kUnrecognised},
      {"eight letters, no match", "FAT12ABC", "", "", kUnrecognised},
      {"exFAT", "", "", "EXFAT   ", kUnrecognised},
      {"nothing", "", "", "", kUnrecognised},
  };
  for (const auto& c : cases) {
    const auto sector = Boot(c.at54, c.at82, c.oem);
    EXPECT_EQ(IdentifyFileSystem(sector.data()), c.kind) << c.what;
  }
}

std::vector<uint8_t> Ntfs(uint16_t bytesPerSector, uint8_t sectorsPerCluster, uint32_t perRecord) {
  ImageBuilder b(512);
  b.PutText(3, "NTFS    ").Put16(0x0B, bytesPerSector).Put8(0x0D, sectorsPerCluster);
  b.Put32(0x40, perRecord);
  return b.Take();
}

std::vector<uint8_t> Fat(const std::string& type, uint16_t bytesPerSector, uint8_t sectorsPerCluster) {
  ImageBuilder b(512);
  b.Put16(0x0B, bytesPerSector).Put8(0x0D, sectorsPerCluster);
  b.PutText(type == "FAT32" ? 82 : 54, type);
  return b.Take();
}

TEST(AcceptedKind, RefusesGeometryTheEngineCannotRead) {
  const struct {
    const char* what;
    std::vector<uint8_t> sector;
    uint8_t kind;
  } cases[] = {
      {"FAT16, 512-byte sectors", Fat("FAT16", 512, 4), kFat16},
      {"FAT12, 4096-byte sectors", Fat("FAT12", 4096, 1), kUnrecognised},
      {"FAT32, 2048-byte sectors", Fat("FAT32", 2048, 1), kUnrecognised},
      {"FAT16, 1024-byte sectors", Fat("FAT16", 1024, 1), kUnrecognised},
      {"FAT16, zero bytes per sector", Fat("FAT16", 0, 1), kUnrecognised},
      {"FAT32, no sectors per cluster", Fat("FAT32", 512, 0), kUnrecognised},
      {"NTFS, 0xF6 means 1024", Ntfs(512, 8, 0xF6), kNtfs},
      {"NTFS, one 2-sector cluster per record", Ntfs(512, 2, 1), kNtfs},
      {"NTFS, two 1-sector clusters per record", Ntfs(512, 1, 2), kNtfs},
      {"NTFS, 4096-byte records", Ntfs(512, 8, 1), kUnrecognised},
      {"NTFS, 4096-byte records as 0xF4", Ntfs(512, 8, 0xF4), kUnrecognised},
      // 0xF6 with its high bytes set is no longer the 2^10 shorthand: the
      // size is 8 x 512 x 0xFFFFFFF6 in 16 bits, 24576.
      {"NTFS, 0xF6 sign-extended", Ntfs(512, 8, 0xFFFFFFF6), kUnrecognised},
      {"NTFS, 0xF6 with a high byte", Ntfs(512, 8, 0x000100F6), kUnrecognised},
      // ...unless that product happens to truncate to 1024: 51 x 512 x
      // 0x100F6 is 1717699584, whose low 16 bits are 0x0400.
      {"NTFS, 0xF6 with a high byte truncating to 1024", Ntfs(512, 51, 0x000100F6), kNtfs},
      {"NTFS, 4096-byte sectors", Ntfs(4096, 1, 0xF6), kUnrecognised},
      {"NTFS, no sectors per cluster", Ntfs(512, 0, 0xF6), kUnrecognised},
      {"NTFS, record size 0", Ntfs(512, 8, 0), kUnrecognised},
  };
  for (const auto& c : cases) EXPECT_EQ(AcceptedKind(c.sector.data()), c.kind) << c.what;
}

TEST(BootSectorView, NtfsRecordSizeIsSixteenBitArithmetic) {
  EXPECT_EQ(BootSectorView(Ntfs(512, 8, 0xF6).data()).NtfsRecordSize(), 1024);
  EXPECT_EQ(BootSectorView(Ntfs(512, 8, 0xFFFFFFF6).data()).NtfsRecordSize(), 24576);
  EXPECT_EQ(BootSectorView(Ntfs(512, 51, 0x000100F6).data()).NtfsRecordSize(), 1024);
  EXPECT_EQ(BootSectorView(Ntfs(512, 128, 1).data()).NtfsRecordSize(), 0);
}

// Geometry of the fixture volumes, checked against what fsstat of The
// Sleuth Kit prints for them (root directory, data area, cluster size).
TEST(BootSectorView, GeometryOfRealVolumesMatchesTheOracle) {
  const struct {
    const char* image;
    uint8_t kind;
    uint32_t fatStart, rootStart, rootLength, clusterBytes;
    uint64_t cluster2;
  } cases[] = {
      {"base/fat12-floppy.img", kFat12, 1, 19, 14, 512, 33},
      {"base/fat16.img", kFat16, 4, 68, 32, 2048, 100},
      {"base/fat32.img", kFat32, 32, 0, 0, 512, 1166},
  };
  for (const auto& c : cases) {
    const auto drive = testing::ImageDrive(testing::FixturePath(c.image));
    std::array<uint8_t, 512> sector{};
    ASSERT_TRUE(drive->Reader().Read(0, 1, sector.data())) << c.image;
    ASSERT_EQ(AcceptedKind(sector.data()), c.kind) << c.image;
    const BootSectorView boot(sector);
    EXPECT_EQ(boot.FatStart(), c.fatStart) << c.image;
    EXPECT_EQ(boot.ClusterBytes(), c.clusterBytes) << c.image;
    if (c.kind == kFat32) {
      EXPECT_EQ(boot.Fat32ClusterSector(boot.RootCluster()), c.cluster2) << c.image;
      EXPECT_EQ(boot.RootCluster(), 2u);
    } else {
      EXPECT_EQ(boot.FatRootStart(), c.rootStart) << c.image;
      EXPECT_EQ(boot.FatRootLength(), c.rootLength) << c.image;
      EXPECT_EQ(boot.Fat16ClusterSector(2), c.cluster2) << c.image;
    }
  }
  // NTFS: fsstat says the MFT begins at cluster 4 of 4096 bytes.
  const auto drive = testing::ImageDrive(testing::FixturePath("base/ntfs.img"));
  std::array<uint8_t, 512> sector{};
  ASSERT_TRUE(drive->Reader().Read(0, 1, sector.data()));
  EXPECT_EQ(AcceptedKind(sector.data()), kNtfs);
  EXPECT_EQ(BootSectorView(sector).MftStartSector(), 32u);
}

// Hostile cluster numbers must not wrap around into the volume.
TEST(BootSectorView, ClusterSectorsDoNotWrap) {
  ImageBuilder b(512);
  b.Put16(0x0B, 512).Put8(0x0D, 128).Put16(0x0E, 32).Put8(0x10, 2).Put32(0x24, 0xFFFFFFFF);
  const BootSectorView boot(b.Bytes().data());
  EXPECT_GT(boot.Fat32ClusterSector(0xFFFFFFFF), 0xFFFFFFFFull);
  EXPECT_EQ(boot.Fat32DataStart(), 32 + 2 * 0xFFFFFFFFull);
}

}  // namespace
}  // namespace tarnwell::engine
