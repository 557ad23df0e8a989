// A recovered exFAT file is bounded by what the image really holds, not by
// the cluster count its boot sector claims.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "engine/exfat/exfat_boot.h"
#include "tests/engine/exfat/exfat_entry_bytes.h"
#include "tests/engine/fat/fat_test_volume.h"
#include "tests/support/fixtures.h"
#include "tests/support/test_drives.h"

namespace tarnwell::engine {
namespace {

// 1 MiB clusters: 2^20 of them claim 1 TiB, with a FAT of 8193 sectors.
constexpr uint32_t kClusterSectors = 2048;
constexpr uint32_t kClaimedClusters = 1u << 20;
constexpr uint32_t kFatSectors = 8193;
constexpr uint64_t kHeapSector = 24 + kFatSectors + 7;

uint64_t ClusterSector(uint32_t cluster) { return kHeapSector + uint64_t{cluster - 2} * kClusterSectors; }

// A 6 MiB image whose boot region claims a 1 TiB heap, with one file in
// the root (cluster 2): 100 bytes written at cluster 3, 512 GiB long.
std::vector<uint8_t> VolumeClaimingOneTebibyte() {
  testing::ImageBuilder b((kHeapSector + 2 * kClusterSectors) * 512);
  b.PutText(3, "EXFAT   ").Put64(72, kHeapSector + uint64_t{kClaimedClusters} * kClusterSectors);
  b.Put32(80, 24).Put32(84, kFatSectors).Put32(88, kHeapSector).Put32(92, kClaimedClusters).Put32(96, 2);
  b.Put32(100, 0x1234).Put8(108, 9).Put8(109, 11).Put8(110, 1).Put16(510, 0xAA55);
  const uint32_t sum = ExfatBootChecksum(b.Bytes().data());
  for (size_t i = 0; i < 512; i += 4) b.Put32(11 * 512 + i, sum);
  b.Put32(24 * 512 + 2 * 4, 0xFFFFFFFF);  // the root: cluster 2 alone

  std::vector<uint8_t> set = testing::EntrySet("big.bin", uint64_t{1} << 39, 3);
  for (int i = 0; i < 8; ++i) set[40 + i] = i == 0 ? 100 : 0;  // valid length 100
  const uint16_t check = ExfatSetChecksum(set.data(), set.size() / 32, false);
  set[2] = static_cast<uint8_t>(check);
  set[3] = static_cast<uint8_t>(check >> 8);
  b.PutBytes(ClusterSector(2) * 512, set);
  for (size_t i = 0; i < 100; ++i) b.Put8(ClusterSector(3) * 512 + i, 'd');
  return b.Take();
}

TEST(ExfatBoundsTest, AFileLongerThanTheImageIsCutThereAndReportedIncomplete) {
  const std::vector<uint8_t> bytes = VolumeClaimingOneTebibyte();
  const uint64_t imageBytes = bytes.size();
  testing::ScannedVolume s(bytes);
  ASSERT_TRUE(s.Scanned()) << s.ScanOutcome().Text();
  ASSERT_EQ(s.Entries().size(), 1u);
  const TMidEntry& big = *s.Entries().front();
  const std::string out = testing::MakeTempFolder("exfat-bounds");
  EXPECT_FALSE(testing::RecoverInto(s.Engine().EntryOf(big), out, "big.bin", s.log, s.status))
      << "a file cut short is not recovered whole";
  struct stat st {};
  ASSERT_EQ(::stat((out + "/big.bin").c_str(), &st), 0);
  EXPECT_LE(static_cast<uint64_t>(st.st_size), imageBytes);
  EXPECT_GE(st.st_size, 100);
  EXPECT_FALSE(s.log.lines.empty());
}

}  // namespace
}  // namespace tarnwell::engine
