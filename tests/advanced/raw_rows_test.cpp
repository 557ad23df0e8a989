#include "advanced/raw_rows.h"

#include <gtest/gtest.h>

#include <cstring>

#include "advanced/disk_tree.h"
#include "platform/text_codec.h"

namespace tarnwell::advanced {
namespace {

TEST(RawRows, FileSizesUseDecimalUnitsWithABlank) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0"}, {999, "999"}, {1000, "1 KB"}, {2000, "2 KB"}, {1234, "1.23 KB"}, {999999, "1000 KB"},
      {1000000, "1 MB"}, {1250000, "1.25 MB"}, {1005000, "1 MB"},  // 100.5 hundredths: ties to even
      {(int64_t{1} << 32) + 1, "4294.97 MB"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatFileSize(bytes), QString::fromUtf8(text)) << bytes;
}

TEST(RawRows, FatEntryValuesAndProperties) {
  physical::TMidEntry e;
  auto& b = e.DirEntry.bytes;
  std::memcpy(b.data(), "\xE5OTES   TXT", 11);
  b[11] = 0x20 | 0x01;                       // archive, read-only
  b[16] = 0x21; b[17] = 0x4A;                // created 2017-01-01
  b[28] = 0x10; b[29] = 0x27;                // 10,000 bytes
  b[24] = 0x5F; b[25] = 0x00;                // modified 31 February: no such day
  const RawRowValues v = FatRowValues(e);
  EXPECT_EQ(v.name, QStringLiteral("?OTES.TXT"));
  EXPECT_FALSE(v.folder);
  EXPECT_EQ(v.size, 10000);
  EXPECT_GT(v.created, 0);
  EXPECT_EQ(v.accessed, 0);  // no access date

  const RawProperties p = FatProperties(e, 8);  // clusters of 4096 bytes
  EXPECT_EQ(p.exactSize, QStringLiteral("10000"));
  EXPECT_EQ(p.allocated, QStringLiteral("12288"));
  EXPECT_EQ(p.modified, QString());
  EXPECT_EQ(p.flags, (std::array<QString, 5>{"Y", "N", "Y", "N", ""}));
  EXPECT_EQ(FatProperties(e, 0).allocated, QString()) << "no geometry, no allocation";
  b[11] = 0x10;
  EXPECT_TRUE(FatRowValues(e).folder);
}

TEST(RawRows, NtfsRecordValuesAndProperties) {
  engine::tntfsfilerecord r;
  r.Name = "big.txt";
  r.DataSize = (int64_t{1} << 32) + 5;
  r.AllocatedSize = (int64_t{1} << 32) + 4096;
  r.FileName.SetAttributes(0x800 | 0x02);
  const RawRowValues v = NtfsRowValues(r);
  EXPECT_EQ(v.size, (int64_t{1} << 32) + 5);
  EXPECT_FALSE(v.folder);
  const RawProperties p = NtfsProperties(r);
  EXPECT_EQ(p.exactSize, QStringLiteral("4294967301"));
  EXPECT_EQ(p.allocated, QStringLiteral("4294971392"));
  EXPECT_EQ(p.flags, (std::array<QString, 5>{"N", "N", "N", "Y", "Y"}));
  r.FileName.SetAttributes(engine::kNtfsAttrDirectory);
  EXPECT_TRUE(NtfsRowValues(r).folder);
}

}  // namespace
}  // namespace tarnwell::advanced
