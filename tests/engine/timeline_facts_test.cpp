// What a timeline line gives of found entries: the addresses The Sleuth
// Kit's tools take and the stamps as UTC instants. Whole volumes are
// compared with fls in tests/cli/body_file_test.cpp.
#include <gtest/gtest.h>

#include "common/little_endian.h"
#include "engine/timeline_facts.h"
#include "tests/support/fixtures.h"

namespace tarnwell::engine {
namespace {

// 2024-03-01 12:00:00 UTC.
constexpr int64_t kNoon = 1709294400;
constexpr uint64_t kNoonFileTime = (static_cast<uint64_t>(kNoon) + 11644473600ull) * 10000000ull;

TEST(FatEntryAddress, CountsSlotsFromTheSectorAfterTheFats) {
  struct Case {
    const char* name;
    uint64_t offset, firstDataSector;
    std::optional<uint64_t> address;
  };
  const Case cases[] = {
      {"first slot of the FAT12/16 root", 19 * 512, 19, 3},
      {"second slot", 19 * 512 + 32, 19, 4},
      {"next sector", 20 * 512 + 64, 19, 3 + 16 + 2},
      {"a slot's middle byte names the slot", 19 * 512 + 40, 19, 4},
      {"unknown place", 0, 19, std::nullopt},
      {"before the data area", 18 * 512, 19, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(FatEntryAddress(c.offset, c.firstDataSector), c.address) << c.name;
}

TEST(NtfsTimelineFacts, RecordWithItsContentsAttributeAndFourStamps) {
  tntfsfilerecord r;
  r.RecordSector = 200;
  r.RecordNumber = 64;
  r.RecordFlags = 1;
  r.ContentAttributeType = 0x80;
  r.ContentAttributeId = 2;
  r.FileName.SetAccessTime(kNoonFileTime + 10'000'000ull * 3 + 9'999'999);  // 3.9999999 s later
  r.FileName.SetModificationTime(kNoonFileTime);
  r.FileName.SetMftChangeTime(kNoonFileTime + 10'000'000ull * 60);
  r.FileName.SetCreationTime(116444736000000000ull - 1);  // before 1970: none
  TimelineFacts f = NtfsTimelineFacts(r);
  EXPECT_TRUE(f.known);
  EXPECT_EQ(f.address, "64-128-2");
  EXPECT_EQ(f.accessed, kNoon + 3);  // truncated, as fls does
  EXPECT_EQ(f.modified, kNoon);
  EXPECT_EQ(f.changed, kNoon + 60);
  EXPECT_EQ(f.created, 0);
  EXPECT_TRUE(f.nameTypeKnown);

  r.RecordFlags = 0;
  r.ContentAttributeType = 0;
  f = NtfsTimelineFacts(r);
  EXPECT_EQ(f.address, "64");
  EXPECT_FALSE(f.nameTypeKnown);
  // A lost folder the scan made up: nothing of its own to say.
  r.RecordSector = 0;
  EXPECT_FALSE(NtfsTimelineFacts(r).known);
}

TEST(FatTimelineFacts, LocalStampsTheOddSecondAndExfatOffsets) {
  testing::ScopedTimeZone west("XST+3");  // wall clock 3 hours behind UTC
  TLogiDrive drive;
  drive.FsKind = kFat16;  // a zeroed boot sector: the data area from sector 0
  TMidEntry e;
  e.EntryOffset = 512 + 32;
  // 2024-03-01 09:00:00 local, which is noon UTC here.
  const uint16_t date = ((2024 - 1980) << 9) | (3 << 5) | 1;
  const uint16_t nine = 9 << 11;
  StoreLE16(&e.DirEntry.bytes[14], nine);
  StoreLE16(&e.DirEntry.bytes[16], date);
  e.DirEntry.bytes[13] = 150;  // 1.5 s past the even second
  StoreLE16(&e.DirEntry.bytes[18], date);
  StoreLE16(&e.DirEntry.bytes[22], static_cast<uint16_t>(nine | 1));  // 09:00:02
  StoreLE16(&e.DirEntry.bytes[24], date);
  TimelineFacts f = FatTimelineFacts(e, drive);
  EXPECT_EQ(f.address, "20");
  EXPECT_EQ(f.created, kNoon + 1);
  EXPECT_EQ(f.modified, kNoon + 2);
  EXPECT_EQ(f.accessed, kNoon - 9 * 3600);  // the date's local midnight
  EXPECT_EQ(f.changed, 0);

  // exFAT: an offset byte of 0x80 says the stamps are UTC, whatever TZ is;
  // without bit 7 they are local time as FAT's.
  ExfatEntryFacts x;
  x.UtcOffsets = {0x80, 0x80, 0x00};
  x.AccessTime = nine;
  e.Exfat = x;
  f = FatTimelineFacts(e, drive);
  EXPECT_EQ(f.created, kNoon - 3 * 3600 + 1);
  EXPECT_EQ(f.modified, kNoon - 3 * 3600 + 2);
  EXPECT_EQ(f.accessed, kNoon);
}

}  // namespace
}  // namespace tarnwell::engine
