#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "disk/device_reader.h"
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

}  // namespace
}  // namespace tarnwell::disk
