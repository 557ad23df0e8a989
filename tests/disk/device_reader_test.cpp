#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "disk/device_reader.h"
#include "disk/source_opener.h"
#include "disk/volume_reader.h"
#include "platform/unique_fd.h"
#include "tests/disk/numbered_sectors.h"
#include "tests/support/fixtures.h"

namespace tarnwell::disk {
namespace {

using testing::NumberedSectors;
using testing::SectorNumberAt;

TEST(DriveCodes, VolumesAreMinusTheUpperCaseLetter) {
  const struct {
    char letter;
    int16_t code;
  } cases[] = {{'C', -67}, {'c', -67}, {'A', -65}, {'z', -90}};
  for (const auto& c : cases) {
    EXPECT_EQ(DriveCodeOfLetter(c.letter), c.code) << c.letter;
    EXPECT_EQ(LetterOfDriveCode(c.code), std::toupper(c.letter)) << c.code;
  }
  // Physical disks and codes that name no letter (a lower-case code, the
  // characters around A-Z, the extremes) give no letter.
  for (int16_t code : {0, 1, 2, 128, -97, -64, -91, -1, INT16_MIN, INT16_MAX})
    EXPECT_EQ(LetterOfDriveCode(code), 0) << code;
}

// A 3 MB disk (too big for a floppy letter) becomes C:.
class DeviceReaderTest : public ::testing::Test {
 protected:
  testing::ScopedDeviceTable table;
  void SetUp() override { table.AttachMemory("disk0", NumberedSectors(6144, 100)); }
};

TEST_F(DeviceReaderTest, DriveCodesOpenDisksAndVolumes) {
  for (int16_t code : {int16_t{0}, int16_t{-67}}) {
    DiskDevice device(code);
    ASSERT_TRUE(device.IsOpen()) << code;
    uint8_t sector[512];
    uint32_t got = 0;
    ASSERT_TRUE(device.Read(77, 1, sector, got));
    EXPECT_EQ(got, 512u);
    EXPECT_EQ(SectorNumberAt(sector), 77u);
  }
  // No second disk, no D:, and a lower-case code: the open fails with -1.
  for (int16_t code : {int16_t{1}, int16_t{-68}, int16_t{-99}, int16_t{-1}})
    EXPECT_EQ(OpenDiskDevice(code), kInvalidHandle) << code;
}

TEST_F(DeviceReaderTest, InvalidAndClosedHandlesReadNothing) {
  uint8_t sector[512];
  uint32_t got = 99;
  EXPECT_FALSE(ReadDiskSectors(kInvalidHandle, 1, sector, 0, got, 0));
  EXPECT_FALSE(CloseHandle(kInvalidHandle));

  DiskHandle handle;
  {
    DiskDevice device(0);
    handle = device.Handle();
    ASSERT_NE(handle, kInvalidHandle);
  }
  // The RAII wrapper closed it; the number is dead now.
  EXPECT_FALSE(ReadDiskSectors(handle, 1, sector, 0, got, 0));
  EXPECT_FALSE(CloseHandle(handle));
  EXPECT_FALSE(CloseHandle(123456));
}

TEST_F(DeviceReaderTest, BytesReadTellsHowManySectorsArrivedAtTheEnd) {
  DiskDevice device(0);
  std::vector<uint8_t> buffer(8 * 512, 0xAA);
  uint32_t got = 0;
  // Two whole sectors and the 100-byte tail remain from 6142.
  ASSERT_TRUE(device.Read(6142, 8, buffer.data(), got));
  EXPECT_EQ(got, 2u * 512 + 100);
  EXPECT_EQ(SectorNumberAt(buffer.data() + 512), 6143u);
  ASSERT_TRUE(device.Read(0, 0, buffer.data(), got));
  EXPECT_EQ(got, 0u);
  // An address whose byte offset overflows 64 bits is a failed seek.
  EXPECT_FALSE(device.Read(UINT64_MAX, 1, buffer.data(), got));
  EXPECT_FALSE(device.Read(UINT64_MAX >> 8, 1, buffer.data(), got));
}

// A sparse image with marks at sector 3, past 2^23 and past 2^32: a reader
// that drops the high part of the offset reads the wrong mark.
TEST(LargeOffsets, SixtyFourBitAddressesReachTheirSectors) {
  const uint64_t kPast23 = (1ull << 23) + 3;
  const uint64_t kPast32 = (1ull << 32) + 3;
  const std::string path = testing::MakeTempFolder("sparse") + "/sparse.img";
  {
    platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    ASSERT_TRUE(fd.valid());
    uint8_t mark[512];
    const std::pair<uint64_t, uint8_t> marks[] = {{3, 0x11}, {kPast23, 0x23}, {kPast32, 0x32}};
    for (const auto& [lba, value] : marks) {
      std::memset(mark, value, sizeof mark);
      ASSERT_EQ(::pwrite(fd.get(), mark, 512, static_cast<off_t>(lba * 512)), 512);
    }
    if (::ftruncate(fd.get(), static_cast<off_t>((kPast32 + 8) * 512)) != 0)
      GTEST_SKIP() << "the temporary file system cannot hold a 2 TiB sparse file";
  }
  testing::ScopedDeviceTable table;
  table.AttachImage(path);
  uint8_t sector[512];
  uint32_t got = 0;
  {
    DiskDevice disk(0);
    ASSERT_TRUE(disk.Read(kPast23, 1, sector, got));
    EXPECT_EQ(got, 512u);
    EXPECT_EQ(sector[0], 0x23);
    ASSERT_TRUE(disk.Read(kPast32, 1, sector, got));
    EXPECT_EQ(sector[0], 0x32);
    ASSERT_TRUE(disk.Read(3, 1, sector, got));
    EXPECT_EQ(sector[0], 0x11);
  }
  // The volume reader takes a 32-bit address; past 2^23 its byte offset
  // still needs the high part.
  ASSERT_TRUE(ReadVolumeSectors("C:", static_cast<uint32_t>(kPast23), 1, sector));
  EXPECT_EQ(sector[0], 0x23);
  ::unlink(path.c_str());
}

}  // namespace
}  // namespace tarnwell::disk
