// An image read through its map fails where the copy could not read.
#include "disk/imaging/rescued_image_source.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "disk/imaging/attach_rescued_image.h"
#include "disk/memory_sector_source.h"
#include "disk/source_opener.h"
#include "tests/disk/numbered_sectors.h"
#include "tests/support/fixtures.h"

namespace tarnwell::disk::imaging {
namespace {

using testing::NumberedSectors;
using testing::SectorNumberAt;

struct ReadCase {
  const char* what;
  uint64_t lba;
  uint32_t count;
  bool ok;
  uint32_t sectors;  // that arrived
};

// 64 numbered sectors copied with sectors 10-13 bad and 40-47 never tried.
constexpr const char* kMap =
    "0x7000 - 1\n"
    "0x0000 0x1400 +\n"
    "0x1400 0x0800 -\n"
    "0x1C00 0x3400 +\n"
    "0x5000 0x1000 ?\n"
    "0x6000 0x2000 +\n";

std::string WriteImageAndMap(const std::string& hint, uint32_t imageSectors, const char* map) {
  const std::string image = testing::WriteTempImage(NumberedSectors(imageSectors), hint);
  std::ofstream(image + ".map") << map;
  return image;
}

TEST(RescuedImageSource, ReadsStopAtTheFirstSectorTheCopyNeverRead) {
  testing::ScopedDeviceTable table;
  const std::string image = WriteImageAndMap("rescued", 64, kMap);
  std::string error;
  ASSERT_TRUE(AttachRescuedImage(image, image + ".map", &error)) << error;
  const std::unique_ptr<SectorSource> source = OpenSourceForDriveCode(0);
  ASSERT_TRUE(source);
  EXPECT_EQ(source->SectorCount(), 64u);
  const ReadCase cases[] = {
      {"read whole", 0, 10, true, 10},
      {"runs into a bad sector", 8, 4, false, 2},
      {"starts on one", 12, 1, false, 0},
      {"between the bad and the untried", 14, 26, true, 26},
      {"runs into untried ones", 30, 20, false, 10},
      {"after them", 48, 16, true, 16},
      {"past the end", 60, 8, true, 4},
  };
  for (const ReadCase& c : cases) {
    std::vector<uint8_t> buffer(size_t{c.count} * 512, 0xAA);
    uint32_t got = 999;
    EXPECT_EQ(source->Read(c.lba, c.count, buffer.data(), got), c.ok) << c.what;
    EXPECT_EQ(got, c.sectors * 512) << c.what;
    if (c.sectors) {
      EXPECT_EQ(SectorNumberAt(buffer.data()), c.lba) << c.what;
    }
    if (!c.ok) {
      EXPECT_EQ(source->LastError(), EIO) << c.what;
    }
  }
  // The fast path of the scans maps only what was read whole.
  EXPECT_FALSE(source->Map(0, 64));
  EXPECT_TRUE(source->Map(14, 26));
}

// A partition of the copied disk: a window whose reads are judged in the
// disk's own sector numbers.
TEST(RescuedImageSource, AWindowIsJudgedByTheSectorsOfItsDisk) {
  auto readable = std::make_shared<platform::ReadableSectors>();
  readable->diskBytes = 64 * 512;
  readable->runs = {{0, 20}, {24, 64}};
  auto bytes = std::make_shared<const std::vector<uint8_t>>(NumberedSectors(64));
  RescuedImageSource partition(std::make_unique<MemorySectorSource>(bytes, 16 * 512, 32 * 512), readable, 16, 32);
  EXPECT_EQ(partition.SectorCount(), 32u);
  uint8_t buffer[16 * 512];
  uint32_t got = 0;
  EXPECT_FALSE(partition.Read(0, 16, buffer, got));  // disk sectors 20-23 unread
  EXPECT_EQ(got, 4u * 512);
  EXPECT_EQ(SectorNumberAt(buffer), 16u);
  EXPECT_TRUE(partition.Read(8, 16, buffer, got));
  EXPECT_EQ(SectorNumberAt(buffer), 24u);
}

// An image written without its trailing zeros is shorter than its disk;
// what the map says was read there reads as zeros.
TEST(RescuedImageSource, AnImageShorterThanItsDiskReadsZerosWhereTheCopyReadThem) {
  testing::ScopedDeviceTable table;
  const std::string image = WriteImageAndMap("short", 32, "0 + 1\n0 0x8000 +\n");
  std::string error;
  ASSERT_TRUE(AttachRescuedImage(image, image + ".map", &error)) << error;
  const std::unique_ptr<SectorSource> source = OpenSourceForDriveCode(0);
  ASSERT_TRUE(source);
  EXPECT_EQ(source->SectorCount(), 64u);
  std::vector<uint8_t> buffer(4 * 512, 0xAA);
  uint32_t got = 0;
  ASSERT_TRUE(source->Read(30, 4, buffer.data(), got));
  EXPECT_EQ(got, 4u * 512);
  EXPECT_EQ(SectorNumberAt(buffer.data() + 512), 31u);
  EXPECT_EQ(buffer[2 * 512], 0);
  EXPECT_EQ(buffer[4 * 512 - 1], 0);
}

TEST(RescuedImageSource, ADamagedOrMissingMapIsNotAttached) {
  testing::ScopedDeviceTable table;
  const std::string image = WriteImageAndMap("damaged", 8, "0 + 1\n0 512 +\n0x400 512 +\n");
  std::string error;
  EXPECT_FALSE(AttachRescuedImage(image, image + ".map", &error));
  EXPECT_NE(error.find("第 3 行"), std::string::npos) << error;
  EXPECT_FALSE(AttachRescuedImage(image, image + ".nomap", &error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  EXPECT_TRUE(platform::DeviceTable::Instance().Disks().empty());
}

}  // namespace
}  // namespace tarnwell::disk::imaging
