// A refused read taken again in halves: only the sectors that fail on
// their own are lost, in a few reads per bad sector.
#include <gtest/gtest.h>

#include <vector>

#include "disk/salvaging_read.h"
#include "tests/disk/imaging/failing_sectors.h"

namespace tarnwell::disk {
namespace {

using testing::FailingSectorSource;

uint32_t WordAt(const std::vector<uint8_t>& buffer, uint64_t sector) {
  return LoadLE32(buffer.data() + sector * kSectorSize);
}

TEST(SalvagingReadTest, KeepsEverySectorButTheBadOnesAndNamesThoseOnce) {
  FailingSectorSource source(100);
  source.Fail(3, 1);
  source.Fail(40, 2);
  source.Fail(63, 1);  // the last sector of one half, next to the first of the other
  source.Fail(64, 1);
  std::vector<uint8_t> buffer(100 * kSectorSize, 0xEE);
  std::vector<SectorRun> bad;
  uint32_t bytesRead = 0;
  ASSERT_TRUE(ReadSalvaging(source, 0, 100, buffer.data(), bytesRead, bad));
  EXPECT_EQ(bytesRead, 100u * kSectorSize);
  EXPECT_EQ(bad, (std::vector<SectorRun>{{3, 1}, {40, 2}, {63, 2}}));
  for (uint64_t s = 0; s < 100; ++s) {
    const bool isBad = s == 3 || s == 40 || s == 41 || s == 63 || s == 64;
    EXPECT_EQ(WordAt(buffer, s), isBad ? 0u : s) << s;
  }
  // Halving finds each bad sector in about two reads per level.
  EXPECT_LE(source.calls.size(), 60u);
}

TEST(SalvagingReadTest, AGoodReadIsOneReadAndAllBadIsAFailure) {
  FailingSectorSource source(16);
  std::vector<uint8_t> buffer(16 * kSectorSize);
  std::vector<SectorRun> bad;
  uint32_t bytesRead = 0;
  ASSERT_TRUE(ReadSalvaging(source, 0, 16, buffer.data(), bytesRead, bad));
  EXPECT_EQ(source.calls.size(), 1u);
  EXPECT_TRUE(bad.empty());
  source.Fail(4, 4);
  EXPECT_FALSE(ReadSalvaging(source, 4, 4, buffer.data(), bytesRead, bad));
  EXPECT_EQ(bad, (std::vector<SectorRun>{{4, 4}}));
  EXPECT_EQ(bytesRead, 4u * kSectorSize) << "the zeros stand in for them";
}

TEST(SalvagingReadTest, StopsAtTheSourcesEnd) {
  // 10 sectors, one bad, read as 16: the halves past the end are not
  // tried, and the bytes end where the source does.
  FailingSectorSource source(10);
  source.Fail(2, 1);
  std::vector<uint8_t> buffer(16 * kSectorSize);
  std::vector<SectorRun> bad;
  uint32_t bytesRead = 0;
  ASSERT_TRUE(ReadSalvaging(source, 0, 16, buffer.data(), bytesRead, bad));
  EXPECT_EQ(bytesRead, 10u * kSectorSize);
  EXPECT_EQ(bad, (std::vector<SectorRun>{{2, 1}}));
  EXPECT_EQ(WordAt(buffer, 9), 9u);
}

}  // namespace
}  // namespace tarnwell::disk
