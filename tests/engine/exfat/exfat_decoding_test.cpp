// Entry sets and boot regions built byte by byte: what is accepted, what is
// refused, and how a deleted set is still checked.
#include <gtest/gtest.h>

#include <vector>

#include "engine/exfat/entry_set.h"
#include "engine/exfat/exfat_boot.h"
#include "engine/exfat/exfat_folder.h"
#include "engine/recovery/output_times.h"
#include "platform/text_codec.h"
#include "tests/support/fixtures.h"
#include "tests/engine/exfat/exfat_entry_bytes.h"
#include "tests/support/image_builder.h"

namespace tarnwell::engine {
namespace {

using testing::ImageBuilder;
using testing::EntrySet;

void MarkDeleted(std::vector<uint8_t>& set) {
  for (size_t i = 0; i < set.size(); i += 32) set[i] &= 0x7F;
}

TEST(ExfatEntrySetTest, DecodesNamesSizesAndStamps) {
  const std::string name = "a name longer than fifteen characters.txt";
  const auto bytes = EntrySet(name, 5000000000ull, 77, 0x20, 0x03);
  const auto set = DecodeExfatEntrySet(bytes.data(), bytes.size());
  ASSERT_TRUE(set);
  EXPECT_TRUE(set->checksumMatches);
  EXPECT_TRUE(set->inUse);
  EXPECT_TRUE(set->NoFatChain());
  EXPECT_EQ(set->entryCount, 5u);
  const TMidEntry entry = ExfatSetToEntry(*set);
  EXPECT_EQ(entry.LongName, name);
  EXPECT_EQ(entry.DirEntry.FirstCluster32(), 77u);
  // A length past 32 bits is capped in the FAT field and kept in full.
  EXPECT_EQ(entry.DirEntry.FileSize(), 0xFFFFFFFFu);
  ASSERT_TRUE(entry.Exfat);
  EXPECT_EQ(entry.Exfat->DataLength, 5000000000ull);
  EXPECT_EQ(entry.DirEntry.ModificationDate(), (44u << 9) | (3u << 5) | 1u);
  EXPECT_EQ(entry.DirEntry.ModificationTime(), 12u << 11);
}

TEST(ExfatEntrySetTest, ADeletedSetKeepsItsChecksumWithTheInUseBitsRestored) {
  auto bytes = EntrySet("gone.txt", 100, 9);
  MarkDeleted(bytes);
  const auto set = DecodeExfatEntrySet(bytes.data(), bytes.size());
  ASSERT_TRUE(set);
  EXPECT_FALSE(set->inUse);
  EXPECT_TRUE(set->checksumMatches);
  EXPECT_EQ(ExfatSetToEntry(*set).Status, kDeleted);
  // Any other changed byte breaks it.
  bytes[40] ^= 1;
  EXPECT_FALSE(DecodeExfatEntrySet(bytes.data(), bytes.size())->checksumMatches);
}

TEST(ExfatEntrySetTest, RefusesMalformedSets) {
  const auto good = EntrySet("file.txt", 10, 5);
  auto refused = [&](auto change, size_t avail = 0) {
    auto bytes = good;
    change(bytes);
    return !DecodeExfatEntrySet(bytes.data(), avail ? avail : bytes.size());
  };
  EXPECT_TRUE(refused([](auto&) {}, 64));                       // secondaries cut off
  EXPECT_TRUE(refused([](auto& b) { b[1] = 1; }));             // too few secondaries
  EXPECT_TRUE(refused([](auto& b) { b[1] = 19; }));            // too many
  EXPECT_TRUE(refused([](auto& b) { b[32] = 0xC1; }));         // no stream extension first
  EXPECT_TRUE(refused([](auto& b) { b[64] = 0x41; }));         // mixed in-use states
  EXPECT_TRUE(refused([](auto& b) { b[35] = 0; }));            // empty name
  EXPECT_TRUE(refused([](auto& b) { b[35] = 16; }));           // name needs two name entries
  EXPECT_TRUE(refused([](auto& b) { b[0] = 0x83; }));          // not a file entry
}

TEST(ExfatEntrySetTest, WalksSetsOverAPartlyOverwrittenDeletedSet) {
  // A deleted three-entry set whose first entry was taken by a new one:
  // the new set is found, the deleted remains are passed over, and the
  // walk stops at the end-of-folder mark.
  auto old = EntrySet("old name.txt", 10, 5);
  MarkDeleted(old);
  const auto fresh = EntrySet("new.txt", 20, 6);
  std::vector<uint8_t> bytes(fresh);
  bytes.insert(bytes.end(), old.begin() + 32, old.end());
  const auto after = EntrySet("after.txt", 30, 7);
  bytes.insert(bytes.end(), after.begin(), after.end());
  bytes.resize(bytes.size() + 64, 0);
  const auto hidden = EntrySet("hidden.txt", 1, 8);
  bytes.insert(bytes.end(), hidden.begin(), hidden.end());
  std::vector<std::string> names;
  ForEachExfatEntrySet(bytes.data(), bytes.size(), true, [&](const ExfatEntrySet& s, size_t) {
    names.push_back(ExfatSetToEntry(s).LongName);
  });
  EXPECT_EQ(names, (std::vector<std::string>{"new.txt", "after.txt"}));
}

TEST(ExfatTimesTest, AValidOffsetGivesTheZoneAndTheHundredthsAreKept) {
  // Three hours west of UTC, so that a stamp read as local time is off.
  testing::ScopedTimeZone west("XST+3");
  constexpr uint32_t kNoon = (44u << 25 | 3u << 21 | 1u << 16) | (12u << 11);  // 2024-03-01 12:00:00
  constexpr time_t kNoonUtc = 1709294400;
  EXPECT_EQ(ExfatTime(kNoon, 0, 0x80)->tv_sec, kNoonUtc);
  EXPECT_EQ(ExfatTime(kNoon, 0, 0xA0)->tv_sec, kNoonUtc - 8 * 3600) << "+8 h";
  EXPECT_EQ(ExfatTime(kNoon, 0, 0xEC)->tv_sec, kNoonUtc + 5 * 3600) << "-5 h";
  EXPECT_EQ(ExfatTime(kNoon, 0, 0xFF)->tv_sec, kNoonUtc + 15 * 60) << "-15 min: the sign bit is bit 6";
  EXPECT_EQ(ExfatTime(kNoon, 0, 0xBF)->tv_sec, kNoonUtc - 63 * 15 * 60) << "+15 h 45 min";
  // Bit 7 clear: the offset bits are not to be trusted; local time.
  EXPECT_EQ(ExfatTime(kNoon, 0, 0x20)->tv_sec, kNoonUtc + 3 * 3600);
  const auto fine = ExfatTime(kNoon | 29, 199, 0x80);  // 12:00:58 and 1.99 s
  ASSERT_TRUE(fine);
  EXPECT_EQ(fine->tv_sec, kNoonUtc + 59);
  EXPECT_EQ(fine->tv_nsec, 990'000'000);
  const auto unreadable = ExfatTime(kNoon, 200, 0x80);
  ASSERT_TRUE(unreadable);
  EXPECT_EQ(unreadable->tv_sec, kNoonUtc) << "a 10 ms part no clock gives is left out";
  EXPECT_EQ(unreadable->tv_nsec, 0);
  EXPECT_FALSE(ExfatTime(0, 0, 0x80));
  EXPECT_FALSE(ExfatTime((44u << 25 | 2u << 21 | 30u << 16), 0, 0x80)) << "30 February";
  EXPECT_FALSE(ExfatTime(kNoon | (24u << 11), 0, 0x80));
}

TEST(ExfatTimesTest, AnEntryGivesItsModificationAndFullAccessStamps) {
  testing::ScopedTimeZone west("XST+3");
  auto bytes = EntrySet("stamped.txt", 10, 5);
  // Accessed 2024-03-02 06:30:00 at +1 h; modified 10 ms part 50 at -2 h.
  const uint32_t accessed = (44u << 25 | 3u << 21 | 2u << 16) | (6u << 11 | 30u << 5);
  for (int i = 0; i < 4; ++i) bytes[16 + i] = static_cast<uint8_t>(accessed >> (8 * i));
  bytes[21] = 50;
  bytes[23] = 0x80 | 0x78;  // -8 quarters
  bytes[24] = 0x80 | 4;
  const EntryTimes times = ExfatEntryTimes(ExfatSetToEntry(*DecodeExfatEntrySet(bytes.data(), bytes.size())));
  ASSERT_TRUE(times.modified && times.accessed);
  EXPECT_EQ(times.modified->tv_sec, 1709294400 + 2 * 3600);
  EXPECT_EQ(times.modified->tv_nsec, 500'000'000);
  constexpr time_t kMarch2Utc = 1709337600;
  EXPECT_EQ(times.accessed->tv_sec, kMarch2Utc + 5 * 3600 + 30 * 60) << "05:30 UTC, time of day kept";
  // A found entry without exFAT facts is a FAT entry: local time.
  TMidEntry fat;
  StoreLE16(&fat.DirEntry.bytes[24], 0x5862);  // 2024-03-02 00:00:00
  EXPECT_EQ(ExfatEntryTimes(fat).modified->tv_sec, kMarch2Utc + 3 * 3600);
}

// A sound boot region of a small volume: 4 KiB clusters, FAT at 24,
// heap at 64, 100 clusters, root at cluster 4.
std::vector<uint8_t> BootRegion() {
  ImageBuilder b(12 * 512);
  b.PutText(3, "EXFAT   ").Put64(72, 64 + 100 * 8).Put32(80, 24).Put32(84, 8).Put32(88, 64);
  b.Put32(92, 100).Put32(96, 4).Put32(100, 0x1234).Put8(108, 9).Put8(109, 3).Put8(110, 1);
  b.Put16(510, 0xAA55);
  const uint32_t sum = ExfatBootChecksum(b.Bytes().data());
  for (size_t i = 0; i < 512; i += 4) b.Put32(11 * 512 + i, sum);
  return b.Take();
}

TEST(ExfatBootTest, ChecksRegionAndLayout) {
  auto region = BootRegion();
  EXPECT_TRUE(IsSoundExfatRegion(region.data()));
  // The volume flags and percent in use change in use, outside the sum.
  region[106] = 1;
  region[112] = 50;
  EXPECT_TRUE(IsSoundExfatRegion(region.data()));
  region[200] = 1;  // boot code changed: the checksum no longer holds
  EXPECT_FALSE(IsSoundExfatRegion(region.data()));

  auto usable = [](auto change) {
    auto bytes = BootRegion();
    change(bytes);
    return IsUsableExfatBoot(bytes.data());
  };
  EXPECT_TRUE(usable([](auto&) {}));
  EXPECT_FALSE(usable([](auto& b) { b[108] = 12; }));        // 4096-byte sectors
  EXPECT_FALSE(usable([](auto& b) { b[109] = 17; }));        // clusters over 32 MiB
  EXPECT_FALSE(usable([](auto& b) { b[96] = 102; }));        // root past the heap
  EXPECT_FALSE(usable([](auto& b) { b[92] = 200; }));        // heap past the volume
  EXPECT_FALSE(usable([](auto& b) { b[84] = 0; }));          // no FAT
  EXPECT_FALSE(usable([](auto& b) { b[88] = 20; }));         // heap before the FAT ends
  EXPECT_FALSE(usable([](auto& b) { b[20] = 1; }));          // FAT parameter bytes not zero
}

}  // namespace
}  // namespace tarnwell::engine
