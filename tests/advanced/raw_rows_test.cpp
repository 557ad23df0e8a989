#include "advanced/raw_rows.h"

#include <gtest/gtest.h>

#include <cstring>

#include "advanced/disk_tree.h"
#include "physical/physical_drive.h"
#include "platform/text_codec.h"
#include "tests/support/recording_window.h"

namespace tarnwell::advanced {
namespace {

TEST(RawRows, FileSizesUseDecimalUnitsWithABlank) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0"}, {999, "999"}, {1000, "1 KB"}, {2000, "2 KB"}, {1234, "1.23 KB"}, {999999, "1000 KB"},
      {1000000, "1 MB"}, {1250000, "1.25 MB"}, {1005000, "1 MB"},  // 100.5 hundredths: ties to even
      {(int64_t{1} << 32) + 1, "4294.97 MB"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatFileSize(bytes), QString::fromUtf8(text)) << bytes;
}

// A volume drive that no table lists, whose whole-disk entry holds what
// the tests place in it: enough to make handles of found items.
struct Drive {
  testing::RecordingLog log;
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
  physical::TPhysicalDrive drive{physical::VolumeDriveRecord('Z'), {log, boxes, pump}};
  explicit Drive(uint32_t fatClusterSectors) {
    drive.CurrentPartition = &drive.WholeDisk();
    drive.WholeDisk().FatClusterSectors = fatClusterSectors;
  }
};

TEST(RawRows, FatEntryValuesAndProperties) {
  const Drive geometry(8), none(0);  // clusters of 4096 bytes, or unknown
  physical::FoundFatEntry e;
  auto& b = e.DirEntry.bytes;
  std::memcpy(b.data(), "\xE5OTES   TXT", 11);
  b[11] = 0x20 | 0x01;                       // archive, read-only
  b[16] = 0x21; b[17] = 0x4A;                // created 2017-01-01
  b[28] = 0x10; b[29] = 0x27;                // 10,000 bytes
  b[24] = 0x5F; b[25] = 0x00;                // modified 31 February: no such day
  const RawRowValues v = RowValues(geometry.drive.EntryOf(e));
  EXPECT_EQ(v.name, QStringLiteral("?OTES.TXT"));
  EXPECT_FALSE(v.folder);
  EXPECT_EQ(v.size, 10000);
  EXPECT_GT(v.created, 0);
  EXPECT_EQ(v.accessed, 0);  // no access date

  const RawProperties p = PropertiesOf(geometry.drive.EntryOf(e));
  EXPECT_EQ(p.exactSize, QStringLiteral("10000"));
  EXPECT_EQ(p.allocated, QStringLiteral("12288"));
  EXPECT_EQ(p.modified, QString());
  EXPECT_EQ(p.flags, (std::array<QString, 5>{"Y", "N", "Y", "N", ""}));
  EXPECT_EQ(PropertiesOf(none.drive.EntryOf(e)).allocated, QString()) << "no geometry, no allocation";
  b[11] = 0x10;
  EXPECT_TRUE(RowValues(geometry.drive.EntryOf(e)).folder);
}

TEST(RawRows, NtfsRecordValuesAndProperties) {
  const Drive found(0);
  engine::tntfsfilerecord r;
  r.Name = "big.txt";
  r.DataSize = (int64_t{1} << 32) + 5;
  r.AllocatedSize = (int64_t{1} << 32) + 4096;
  r.FileName.SetAttributes(0x800 | 0x02);
  const RawRowValues v = RowValues(found.drive.EntryOf(r));
  EXPECT_EQ(v.size, (int64_t{1} << 32) + 5);
  EXPECT_FALSE(v.folder);
  const RawProperties p = PropertiesOf(found.drive.EntryOf(r));
  EXPECT_EQ(p.exactSize, QStringLiteral("4294967301"));
  EXPECT_EQ(p.allocated, QStringLiteral("4294971392"));
  EXPECT_EQ(p.flags, (std::array<QString, 5>{"N", "N", "N", "Y", "Y"}));
  r.FileName.SetAttributes(engine::kNtfsAttrDirectory);
  EXPECT_TRUE(RowValues(found.drive.EntryOf(r)).folder);
}

}  // namespace
}  // namespace tarnwell::advanced
