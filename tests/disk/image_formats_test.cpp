// Images in forensic and virtual-machine formats, made from raw fixtures by
// tests/fixtures/formats/make_format_images.sh: each must read as the very
// bytes of its raw source, with the same volumes and labels, and a damaged
// or incomplete one must say what is wrong.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "disk/formats/attach_image.h"
#include "disk/formats/image_format.h"
#include "disk/source_opener.h"
#include "platform/device_table.h"
#include "platform/volume_queries.h"
#include "tests/support/fixtures.h"
#include "tests/support/format_fixtures.h"

namespace tarnwell::disk {
namespace {

namespace fs = std::filesystem;
using formats::ImageFormat;
using testing::FixturePath;

std::vector<testing::FormatFixture> Fixtures() {
  auto rows = testing::FormatFixtures(testing::ReadTextFile(testing::FixtureSourcePath("formats/MANIFEST")));
  EXPECT_GE(rows.size(), 10u) << "formats/MANIFEST";
  return rows;
}

std::string FormatPath(const std::string& name) { return FixturePath("formats/" + name); }

// Copies the named fixture files of the formats folder into a new folder.
std::string CopyInto(const std::string& hint, std::initializer_list<const char*> names) {
  const std::string folder = testing::MakeTempFolder(hint);
  for (const char* name : names) fs::copy_file(FormatPath(name), fs::path(folder) / name);
  return folder;
}

// Every sector of disk index `disk` equals the bytes of `raw`.
void ExpectSameBytes(int disk, const std::vector<uint8_t>& raw) {
  const std::unique_ptr<SectorSource> source = OpenSourceForDriveCode(static_cast<int16_t>(disk));
  ASSERT_NE(source, nullptr);
  ASSERT_EQ(source->SectorCount(), raw.size() / kSectorSize);
  constexpr uint32_t kChunk = 2048;
  std::vector<uint8_t> buffer(kChunk * kSectorSize);
  for (uint64_t lba = 0; lba < source->SectorCount(); lba += kChunk) {
    uint32_t got = 0;
    ASSERT_TRUE(source->Read(lba, kChunk, buffer.data(), got)) << "sector " << lba;
    const uint64_t expected = std::min<uint64_t>(raw.size() - lba * kSectorSize, buffer.size());
    ASSERT_EQ(got, expected) << "sector " << lba;
    ASSERT_EQ(std::memcmp(buffer.data(), raw.data() + lba * kSectorSize, got), 0) << "sectors from " << lba;
  }
}

TEST(ImageFormats, EachReadsAsItsRawSourceWithTheSameVolumesAndLabels) {
  for (const testing::FormatFixture& f : Fixtures()) {
    SCOPED_TRACE(f.image + " (" + f.how + ")");
    testing::ScopedDeviceTable scope;
    scope.AttachImage(FixturePath(f.raw));
    std::string error;
    ASSERT_TRUE(AttachImage(FormatPath(f.image), &error)) << error;
    const auto& table = platform::DeviceTable::Instance();
    ASSERT_EQ(table.Disks().size(), 2u);
    const platform::PhysicalDisk& decoded = table.Disks()[1];
    EXPECT_TRUE(decoded.isImage);
    EXPECT_NE(decoded.format, "raw");
    EXPECT_EQ(decoded.name, f.image);
    EXPECT_EQ(decoded.sizeBytes, table.Disks()[0].sizeBytes);
    ExpectSameBytes(1, testing::ReadBinaryFile(FixturePath(f.raw)));

    // Volumes of the raw disk come first; the decoded disk's must match
    // them one for one, probed through the decoded image.
    std::vector<platform::VolumeEntry> raw, fromImage;
    for (const auto& v : table.Volumes()) (v.diskIndex == 0 ? raw : fromImage).push_back(v);
    ASSERT_EQ(fromImage.size(), raw.size());
    ASSERT_FALSE(raw.empty());
    for (size_t i = 0; i < raw.size(); ++i) {
      EXPECT_EQ(fromImage[i].startSector, raw[i].startSector) << i;
      EXPECT_EQ(fromImage[i].sectorCount, raw[i].sectorCount) << i;
      EXPECT_EQ(platform::QueryVolumeLabel(fromImage[i].letter), platform::QueryVolumeLabel(raw[i].letter)) << i;
      EXPECT_TRUE(platform::QueryDriveReady(fromImage[i].letter)) << i;
    }
  }
}

TEST(ImageFormats, FormatIsToldByContentNotByName) {
  const std::string folder = testing::MakeTempFolder("renamed");
  // An E01 under another name, and a raw disk under an E01 name.
  fs::copy_file(FormatPath("demo.E01"), fs::path(folder) / "evidence.bin");
  fs::copy_file(FixturePath("demo/demo-disk.img"), fs::path(folder) / "disk.E01");
  const struct {
    std::string path;
    ImageFormat format;
  } cases[] = {
      {FormatPath("demo.E01"), ImageFormat::kEwf},
      {folder + "/evidence.bin", ImageFormat::kEwf},
      {folder + "/disk.E01", ImageFormat::kRaw},
      {FormatPath("extended.vhd"), ImageFormat::kVhd},
      {FormatPath("exfat-fixed.vhd"), ImageFormat::kVhd},  // footer only, at the end
      {FormatPath("gpt.vhdx"), ImageFormat::kVhdx},
      {FormatPath("fat32-512.vmdk"), ImageFormat::kVmdk},
      {FormatPath("at63.vmdk"), ImageFormat::kVmdk},  // a text descriptor
      {FormatPath("at63-flat.vmdk"), ImageFormat::kRaw},
      {FormatPath("at2048-overlay.qcow2"), ImageFormat::kQcow},
      {FormatPath("fat16-512.001"), ImageFormat::kSplitRaw},
      {FormatPath("fat16-512.002"), ImageFormat::kRaw},  // a later piece alone
      {FixturePath("demo/demo-disk.img"), ImageFormat::kRaw},
  };
  for (const auto& c : cases)
    EXPECT_EQ(formats::FormatName(formats::DetectImageFormat(c.path)), std::string(formats::FormatName(c.format)))
        << c.path;

  testing::ScopedDeviceTable scope;
  std::string error;
  ASSERT_TRUE(AttachImage(folder + "/evidence.bin", &error)) << error;
  EXPECT_EQ(platform::DeviceTable::Instance().Disks()[0].format, "E01");
  ExpectSameBytes(0, testing::ReadBinaryFile(FixturePath("demo/demo-disk.img")));
}

TEST(ImageFormats, DamagedOrIncompleteImagesSayWhatIsWrong) {
  const auto cut = [](const std::string& hint, const char* name, uintmax_t keep) {
    const std::string folder = CopyInto(hint, {name});
    fs::resize_file(fs::path(folder) / name, keep);
    return folder + "/" + name;
  };
  const struct {
    std::string path;
    std::string says;
  } cases[] = {
      {CopyInto("segment", {"floppy.E01"}) + "/floppy.E01", "E01 image set is incomplete: its data goes on past floppy.E01 (floppy.E02 is missing"},
      {CopyInto("vhd-parent", {"extended-child.vhd"}) + "/extended-child.vhd",
       "differencing VHD image whose parent extended.vhd is missing"},
      {CopyInto("qcow-backing", {"at2048-overlay.qcow2"}) + "/at2048-overlay.qcow2",
       "differencing QCOW2 image whose parent at2048.qcow2 is missing"},
      {CopyInto("extent", {"at63.vmdk"}) + "/at63.vmdk", "VMDK image is incomplete: its extent file at63-flat.vmdk is missing"},
      {CopyInto("pieces", {"fat16-512.001", "fat16-512.003"}) + "/fat16-512.001", "split raw image is incomplete: piece fat16-512.002 is missing"},
      {cut("qcow-cut", "at2048.qcow2", 100000), "damaged QCOW2 image: "},
      {cut("vhdx-cut", "gpt.vhdx", 4096), "damaged VHDX image: "},
      {cut("vhd-cut", "extended.vhd", 1000000), "damaged VHD image: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    testing::ScopedDeviceTable scope;
    std::string error;
    EXPECT_FALSE(AttachImage(c.path, &error));
    EXPECT_EQ(error.rfind(c.path + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_TRUE(platform::DeviceTable::Instance().Disks().empty());
  }
}

// An E01 chunk whose checksum fails reads as an error, not as the zeros
// libewf hands out for it; the chunks around it still read.
TEST(ImageFormats, DamagedE01ChunkFailsItsReadsOnly) {
  const std::string folder = CopyInto("chunk", {"floppy.E01", "floppy.E02"});
  const std::vector<uint8_t> raw = testing::ReadBinaryFile(FixturePath("base/fat12-floppy.img"));
  std::vector<uint8_t> segment = testing::ReadBinaryFile(folder + "/floppy.E01");
  // The set is uncompressed: the boot sector lies in the segment as it is.
  const auto at = std::search(segment.begin(), segment.end(), raw.begin(), raw.begin() + kSectorSize);
  ASSERT_NE(at, segment.end());
  at[100] ^= 0xFF;
  std::ofstream(folder + "/floppy.E01", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(segment.data()), static_cast<std::streamsize>(segment.size()));

  testing::ScopedDeviceTable scope;
  std::string error;
  ASSERT_TRUE(AttachImage(folder + "/floppy.E01", &error)) << error;
  const std::unique_ptr<SectorSource> source = OpenSourceForDriveCode(0);
  ASSERT_NE(source, nullptr);
  std::vector<uint8_t> sector(kSectorSize);
  uint32_t got = 0;
  for (int pass = 0; pass < 2; ++pass) {  // the second read of the chunk too
    EXPECT_FALSE(source->Read(0, 1, sector.data(), got)) << pass;
    EXPECT_EQ(source->LastError(), EIO);
  }
  ASSERT_TRUE(source->Read(2000, 1, sector.data(), got));
  EXPECT_EQ(got, kSectorSize);
  EXPECT_EQ(std::memcmp(sector.data(), raw.data() + 2000 * kSectorSize, kSectorSize), 0);
}

}  // namespace
}  // namespace tarnwell::disk
