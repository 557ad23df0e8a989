// Which sectors a raw scan's found entries account for, so that raw-recover
// --carve does not give a file back twice.
#include <gtest/gtest.h>

#include <memory>

#include "engine/records.h"
#include "physical/carve/found_extents.h"
#include "physical/raw/fat_geometry.h"
#include "physical/parti_entry.h"
#include "physical/raw_scan_records.h"

namespace tarnwell::physical::carve {
namespace {

std::unique_ptr<TMidEntry> FatFile(uint16_t cluster, uint32_t size, uint8_t attributes = 0x20) {
  auto e = std::make_unique<TMidEntry>();
  e->DirEntry.bytes[11] = attributes;
  e->DirEntry.bytes[26] = static_cast<uint8_t>(cluster);
  e->DirEntry.bytes[27] = static_cast<uint8_t>(cluster >> 8);
  for (int i = 0; i < 4; ++i) e->DirEntry.bytes[28 + i] = static_cast<uint8_t>(size >> (8 * i));
  return e;
}

TEST(FoundExtentsTest, FoundFilesAccountForTheirDataAndNothingElse) {
  TPartiEntry entry;
  entry.FatKind = 1;
  entry.FatClusterSectors = 4;
  entry.FatDataStart = 1000;  // cluster 2
  entry.FatEntries.push_back(FatFile(10, 5000));      // sectors 1032-1041
  entry.FatEntries.push_back(FatFile(20, 0));         // empty: no data
  entry.FatEntries.push_back(FatFile(30, 512, 0x10)); // a folder: its clusters are no file's data
  auto record = std::make_unique<engine::tntfsfilerecord>();
  record->DataStart = 100;
  record->DataSize = 1000;
  record->RecordFlags = 1;
  entry.NtfsClusterSectors = 8;
  entry.NtfsRecords.push_back(std::move(record));    // sectors 800-801 (the entry starts at 0)
  const AccountedSectors accounted(entry);
  EXPECT_TRUE(accounted.Contains(1032));
  EXPECT_TRUE(accounted.Contains(1041));
  EXPECT_FALSE(accounted.Contains(1042));
  EXPECT_FALSE(accounted.Contains(1072));  // cluster 20
  EXPECT_FALSE(accounted.Contains(1112));  // cluster 30, the folder
  EXPECT_TRUE(accounted.Contains(800));
  EXPECT_TRUE(accounted.Contains(801));
  EXPECT_FALSE(accounted.Contains(802));

  std::vector<CarvedFile> files(3);
  files[0].sector = 1032;
  files[1].sector = 1042;
  files[2].sector = 800;
  EXPECT_EQ(DropAccountedFor(accounted, files), 2u);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].sector, 1042u);
}

TEST(FoundExtentsTest, WithoutTheGeometryFatEntriesAccountForNothing) {
  TPartiEntry entry;
  entry.FatKind = 1;
  entry.FatClusterSectors = 4;
  entry.FatDataStart = raw::kDataStartUnknown;
  entry.FatEntries.push_back(FatFile(10, 5000));
  EXPECT_EQ(AccountedSectors(entry).Size(), 0u);
}

}  // namespace
}  // namespace tarnwell::physical::carve
