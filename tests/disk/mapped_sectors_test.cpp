// Sectors mapped straight from an image: the same bytes a read gives, at
// any window offset, short where a read is short; and a page that cannot
// be read (the image cut short under the mapping) is a `false` from
// TouchGuarded, not the end of the process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "disk/file_sector_source.h"
#include "disk/guarded_touch.h"
#include "tests/disk/numbered_sectors.h"
#include "tests/support/fixtures.h"

namespace tarnwell::disk {
namespace {

using testing::NumberedSectors;
using testing::SectorNumberAt;

// Sums every byte under the guard, as a pass testing them would touch them.
bool TouchAll(const MappedSectors& mapped, uint64_t& sum) {
  return TouchGuarded([&] {
    uint64_t s = 0;
    for (uint64_t i = 0; i < mapped.size(); ++i) s += mapped.bytes()[i];
    sum = s;
  });
}

TEST(MappedSectors, GiveTheBytesAReadGivesAtAnyWindowOffset) {
  // 40 sectors and a 100-byte tail; windows that start off a page boundary.
  const auto bytes = NumberedSectors(40, 100);
  const std::string path = testing::WriteTempImage(bytes, "mapped", "image.bin");
  struct Case {
    uint64_t windowStart, lba, count;
  };
  for (const Case c : {Case{0, 0, 8}, Case{3 * 512, 5, 9}, Case{7 * 512, 30, 64}, Case{512, 38, 1}}) {
    auto source = FileSectorSource::Open(path, c.windowStart, bytes.size() - c.windowStart);
    ASSERT_TRUE(source);
    auto mapped = source->Map(c.lba, c.count);
    ASSERT_TRUE(mapped) << c.windowStart << "/" << c.lba;
    std::vector<uint8_t> read(static_cast<size_t>(c.count) * 512 + 512);
    uint32_t got = 0;
    ASSERT_TRUE(source->Read(c.lba, static_cast<uint32_t>(c.count), read.data(), got));
    ASSERT_EQ(mapped->size(), got) << "short exactly where the read is short";
    std::vector<uint8_t> copy(got);
    ASSERT_TRUE(TouchGuarded([&] { std::memcpy(copy.data(), mapped->bytes(), got); }));
    EXPECT_EQ(0, std::memcmp(copy.data(), read.data(), got));
    EXPECT_EQ(SectorNumberAt(copy.data()), c.windowStart / 512 + c.lba);
  }
}

TEST(MappedSectors, NothingPastTheEndOrOfNothing) {
  const auto bytes = NumberedSectors(10);
  const std::string path = testing::WriteTempImage(bytes, "mapped", "image.bin");
  auto source = FileSectorSource::Open(path, 0, bytes.size());
  ASSERT_TRUE(source);
  EXPECT_FALSE(source->Map(10, 1));
  EXPECT_FALSE(source->Map(uint64_t{1} << 40, 1));
  EXPECT_FALSE(source->Map(2, 0));
  EXPECT_FALSE(source->Map(0, UINT64_MAX)) << "a count whose bytes do not fit 64 bits";
  // A window longer than the file maps only what the file holds.
  auto longer = FileSectorSource::Open(path, 0, bytes.size() * 4);
  auto mapped = longer->Map(8, 100);
  ASSERT_TRUE(mapped);
  EXPECT_EQ(mapped->size(), 2u * 512);
}

TEST(MappedSectors, AnImageCutShortUnderTheMappingFaultsIntoFalse) {
  const auto bytes = NumberedSectors(256);
  const std::string path = testing::WriteTempImage(bytes, "mapped", "image.bin");
  auto source = FileSectorSource::Open(path, 0, bytes.size());
  ASSERT_TRUE(source);
  auto mapped = source->Map(0, 256);
  ASSERT_TRUE(mapped);
  uint64_t sum = 0;
  ASSERT_TRUE(TouchAll(*mapped, sum));
  EXPECT_GT(sum, 0u);

  ASSERT_EQ(::truncate(path.c_str(), 0), 0);
  EXPECT_FALSE(TouchAll(*mapped, sum));
  EXPECT_FALSE(TouchAll(*mapped, sum)) << "the guard works again after a fault";
  // A handler set by someone else after the first guarded call does not
  // take the fault away from the guard.
  struct sigaction defaultAction {};
  defaultAction.sa_handler = SIG_DFL;
  sigemptyset(&defaultAction.sa_mask);
  ASSERT_EQ(::sigaction(SIGBUS, &defaultAction, nullptr), 0);
  EXPECT_FALSE(TouchAll(*mapped, sum));
  // And code that touches nothing mapped is not disturbed by the handler.
  int plain = 0;
  EXPECT_TRUE(TouchGuarded([&] { plain = 7; }));
  EXPECT_EQ(plain, 7);
}

TEST(MappedSectorsDeathTest, AFaultOutsideTheGuardStillEndsTheProcess) {
  // The handler must not swallow faults of code that did not ask for it.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto bytes = NumberedSectors(16);
  const std::string path = testing::WriteTempImage(bytes, "mapped", "image.bin");
  EXPECT_EXIT(
      {
        auto source = FileSectorSource::Open(path, 0, bytes.size());
        auto mapped = source->Map(0, 16);
        uint64_t sum = 0;
        TouchAll(*mapped, sum);  // installs the handler
        if (::truncate(path.c_str(), 0) != 0) std::_Exit(3);
        volatile uint8_t byte = mapped->bytes()[4096];
        (void)byte;
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGBUS), "");
}

}  // namespace
}  // namespace tarnwell::disk
