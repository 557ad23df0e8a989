#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <memory>

#include "disk/device_reader.h"
#include "disk/file_sector_source.h"
#include "disk/memory_sector_source.h"
#include "disk/read_error_reporter.h"
#include "disk/volume_reader.h"
#include "platform/device_table.h"
#include "platform/text_codec.h"
#include "tests/disk/numbered_sectors.h"
#include "tests/support/fixtures.h"

namespace tarnwell::disk {
namespace {

using testing::NumberedSectors;
using testing::SectorNumberAt;

// Records what the volume reader says instead of printing it.
class RecordingReporter {
 public:
  RecordingReporter()
      : previous_(SetReadErrorReporter([this](const std::string& m) { messages.push_back(m); })) {}
  ~RecordingReporter() { SetReadErrorReporter(std::move(previous_)); }
  std::vector<std::string> messages;

 private:
  ReadErrorReporter previous_;
};

class VolumeReaderTest : public ::testing::Test {
 protected:
  testing::ScopedDeviceTable table;
  RecordingReporter reporter;
};

TEST_F(VolumeReaderTest, TrueOnlyWhenEverySectorArrived) {
  table.AttachMemory("disk0", NumberedSectors(6144));
  std::vector<uint8_t> buffer(4 * 512, 0xAA);
  ASSERT_TRUE(ReadVolumeSectors("C:", 100, 4, buffer.data()));
  EXPECT_EQ(SectorNumberAt(buffer.data()), 100u);
  EXPECT_EQ(SectorNumberAt(buffer.data() + 3 * 512), 103u);
  // The drive name's letter may be lower case.
  ASSERT_TRUE(ReadVolumeSectors("c:", 6143, 1, buffer.data()));
  EXPECT_EQ(SectorNumberAt(buffer.data()), 6143u);

  // Two of four sectors remain: the data that came is there, but the read
  // failed; a short read is no read error, so nothing is shown.
  std::fill(buffer.begin(), buffer.end(), 0xAA);
  EXPECT_FALSE(ReadVolumeSectors("C:", 6142, 4, buffer.data()));
  EXPECT_EQ(SectorNumberAt(buffer.data() + 512), 6143u);
  EXPECT_FALSE(ReadVolumeSectors("C:", 6144, 1, buffer.data()));
  EXPECT_FALSE(ReadVolumeSectors("C:", UINT32_MAX, 1, buffer.data()));
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(VolumeReaderTest, UnknownDrivesFailSilently) {
  table.AttachMemory("disk0", NumberedSectors(6144));
  uint8_t sector[512];
  for (const char* name : {"", ":", "1:", "D:", "[:", "@:"})
    EXPECT_FALSE(ReadVolumeSectors(name, 0, 1, sector)) << name;
  EXPECT_TRUE(reporter.messages.empty());
}

// The reader keeps sources open between calls; a rebuilt device table must
// not leave it reading the old disk.
TEST_F(VolumeReaderTest, RebuiltTableIsNoticed) {
  table.AttachMemory("first", NumberedSectors(6144));
  uint8_t sector[512];
  ASSERT_TRUE(ReadVolumeSectors("C:", 5, 1, sector));
  platform::DeviceTable::Instance().Reset();
  std::vector<uint8_t> other(6144 * 512, 0x5A);
  table.AttachMemory("second", std::move(other));
  ASSERT_TRUE(ReadVolumeSectors("C:", 5, 1, sector));
  EXPECT_EQ(sector[0], 0x5A);
}

// An image whose path turns into a folder after attaching: every read of it
// fails with EISDIR, as a failing disk fails with EIO.
TEST_F(VolumeReaderTest, ReadErrorShowsTheMessageExactly) {
  const std::string path = testing::WriteTempImage(NumberedSectors(6144), "eio");
  table.AttachImage(path);
  ASSERT_EQ(::unlink(path.c_str()), 0);
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);

  std::vector<uint8_t> buffer(3 * 512);
  EXPECT_FALSE(ReadVolumeSectors("c:", 4097, 3, buffer.data()));
  ASSERT_EQ(reporter.messages.size(), 1u);
  const std::string expected = platform::SystemText(
      "读取数据时发生错误:\r\n错误代码:" + std::to_string(EISDIR) +
      "\r\n驱动器:C   扇区号:4097   块:3");
  EXPECT_EQ(reporter.messages[0], expected);
  // It is in the system code page: "读取" is B6 C1 C8 A1 in GB18030.
  EXPECT_EQ(reporter.messages[0].substr(0, 4), "\xB6\xC1\xC8\xA1");

  // The device reader stays silent; its callers decide what to say.
  DiskDevice device(-67);
  ASSERT_TRUE(device.IsOpen());
  uint32_t got = 7;
  EXPECT_FALSE(device.Read(0, 1, buffer.data(), got));
  EXPECT_EQ(reporter.messages.size(), 1u);
  ::rmdir(path.c_str());
}

// The handle the engine reads through: every failure says which request
// failed and why, and addresses are 64-bit all the way down.
TEST_F(VolumeReaderTest, ReadsSayWhichRequestFailedAndWhy) {
  auto bytes = std::make_shared<const std::vector<uint8_t>>(NumberedSectors(64));
  MemorySectorSource memory(bytes, 0, bytes->size());
  const VolumeReader volume(&memory, 'C');
  std::vector<uint8_t> buffer(4 * 512, 0xAA);
  EXPECT_EQ(volume.SectorCount(), 64u);
  ASSERT_TRUE(volume.Read(60, 4, buffer.data()).Ok());
  EXPECT_EQ(SectorNumberAt(buffer.data() + 3 * 512), 63u);

  // Past the end: what lies inside arrived, the result names the request.
  const ReadResult past = volume.Read(62, 4, buffer.data());
  EXPECT_EQ(past.failure, ReadFailure::kOutOfRange);
  EXPECT_EQ(past.sector, 62u);
  EXPECT_EQ(past.count, 4u);
  EXPECT_EQ(SectorNumberAt(buffer.data() + 512), 63u);
  EXPECT_EQ(volume.Read(uint64_t{1} << 40, 1, buffer.data()).failure, ReadFailure::kOutOfRange);
  EXPECT_EQ(VolumeReader(nullptr, 'C').Read(0, 1, buffer.data()).failure, ReadFailure::kNoSource);

  // A file that shrank under its source: the sectors the volume should
  // hold do not arrive.
  const std::string path = testing::WriteTempImage(NumberedSectors(64), "shrunk");
  auto file = FileSectorSource::Open(path, 0, 64 * 512);
  ASSERT_TRUE(file);
  ASSERT_EQ(::truncate(path.c_str(), 10 * 512), 0);
  const ReadResult shrunk = VolumeReader(file.get(), 'C').Read(8, 4, buffer.data());
  EXPECT_EQ(shrunk.failure, ReadFailure::kShortRead);
  EXPECT_EQ(shrunk.sector, 8u);
  EXPECT_TRUE(reporter.messages.empty()) << "only a read error shows the message";

  // A read error carries its errno and shows the message once, with the
  // whole 64-bit sector number.
  ASSERT_EQ(::unlink(path.c_str()), 0);
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
  auto folder = FileSectorSource::Open(path, 0, uint64_t{5} << 41);
  ASSERT_TRUE(folder);
  const uint64_t high = (uint64_t{1} << 32) + 7;
  const ReadResult failed = VolumeReader(folder.get(), 'D').Read(high, 2, buffer.data());
  EXPECT_EQ(failed.failure, ReadFailure::kReadError);
  EXPECT_EQ(failed.error, EISDIR);
  EXPECT_EQ(failed.sector, high);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0], FormatVolumeReadError(EISDIR, 'D', high, 2));
  EXPECT_NE(reporter.messages[0].find("4294967303"), std::string::npos);
  // Without a letter there is nobody to name: no message.
  EXPECT_FALSE(VolumeReader(folder.get(), 0).Read(0, 1, buffer.data()).Ok());
  EXPECT_EQ(reporter.messages.size(), 1u);
  ::rmdir(path.c_str());
}

// Sectors past 2 TiB come from where they are, not from a wrapped 32-bit
// address.
TEST_F(VolumeReaderTest, SectorsPastTwoTebibytesAreReadWhereTheyAre) {
  const std::string path = testing::MakeTempFolder("sparse") + "/disk.img";
  const uint64_t far = (uint64_t{1} << 32) + 3;
  {
    std::ofstream out(path, std::ios::binary);
    const std::vector<uint8_t> sectors = NumberedSectors(8);
    out.seekp(static_cast<std::streamoff>(far * 512));
    out.write(reinterpret_cast<const char*>(sectors.data() + 5 * 512), 512);
  }
  auto file = FileSectorSource::Open(path, 0, (far + 1) * 512);
  ASSERT_TRUE(file);
  std::vector<uint8_t> sector(512, 0xAA);
  ASSERT_TRUE(VolumeReader(file.get(), 'C').Read(far, 1, sector.data()).Ok());
  EXPECT_EQ(SectorNumberAt(sector.data()), 5u);
  ASSERT_TRUE(VolumeReader(file.get(), 'C').Read(3, 1, sector.data()).Ok());
  EXPECT_EQ(SectorNumberAt(sector.data()), 0u) << "a hole, not the sector 2^32 further on";
}

}  // namespace
}  // namespace tarnwell::disk
