#include <gtest/gtest.h>

#include "controls/display_format.h"
#include "standard/entry_rows.h"

namespace tarnwell::standard {
namespace {

using engine::TMidEntry;
using engine::tntfsfilerecord;

TMidEntry FatEntry(const char name83[12], uint8_t attributes) {
  TMidEntry e;
  std::copy(name83, name83 + 11, e.DirEntry.bytes.begin());
  e.DirEntry.bytes[11] = attributes;
  return e;
}

// Stamps of zero (a FAT date and time of 0, an NTFS time before 1980) are
// "no stamp": an empty cell, not the calendar's day zero.
TEST(EntryRowsTest, MissingStampsGiveEmptyCells) {
  TMidEntry fat = FatEntry("A       TXT", 0x20);
  EXPECT_EQ(EntryCreation(EntryRef::Of(&fat)), 0);
  EXPECT_EQ(controls::FormatListDateTime(EntryCreation(EntryRef::Of(&fat))), "");
  tntfsfilerecord ntfs;
  ntfs.FileName.SetCreationTime(116444736000000000ULL);  // 1970-01-01
  EXPECT_EQ(EntryCreation(EntryRef::Of(&ntfs)), 0);
  // A valid FAT stamp: 2024-03-05 13:30.
  fat.DirEntry.bytes[16] = static_cast<uint8_t>(((44 << 9) | (3 << 5) | 5) & 0xFF);
  fat.DirEntry.bytes[17] = static_cast<uint8_t>(((44 << 9) | (3 << 5) | 5) >> 8);
  fat.DirEntry.bytes[14] = static_cast<uint8_t>(((13 << 11) | (30 << 5)) & 0xFF);
  fat.DirEntry.bytes[15] = static_cast<uint8_t>(((13 << 11) | (30 << 5)) >> 8);
  EXPECT_EQ(controls::FormatListDateTime(EntryCreation(EntryRef::Of(&fat))), "03/05/24 01:30 PM");
}

TEST(EntryRowsTest, ImagesStatusesAndFolderPaths) {
  TMidEntry a = FatEntry("A          ", 0x10);
  TMidEntry b = FatEntry("\xE5" "B         ", 0x10);
  b.Status = engine::kDeleted;
  b.Parent = &a;
  TMidEntry f = FatEntry("F       JPG", 0x20);
  f.Parent = &b;
  f.Status = engine::kDeleted;
  TMidEntry damaged = FatEntry("D          ", 0x10);
  damaged.Status = engine::kDamagedFolder;
  EXPECT_EQ(EntryListImage(EntryRef::Of(&a)), kImageFolder);
  EXPECT_EQ(EntryListImage(EntryRef::Of(&b)), kImageDeletedFolder);
  EXPECT_EQ(EntryListImage(EntryRef::Of(&damaged)), kImageDamagedFolder);
  EXPECT_EQ(EntryListImage(EntryRef::Of(&f)), kImageDeletedFile);
  EXPECT_EQ(FolderTreeImages(EntryRef::Of(&damaged)), std::make_pair(6, 6));
  EXPECT_EQ(EntryStatusText(EntryRef::Of(&damaged)), "已损坏");
  EXPECT_EQ(EntryName(EntryRef::Of(&b)), "?B");
  EXPECT_EQ(EntryFolderPath(EntryRef::Of(&f)), "\\A\\?B");
  EXPECT_EQ(EntryFolderPath(EntryRef::Of(&a)), "\\");

  tntfsfilerecord root, work, file;
  root.Name = "\\";
  work.Name = "Work ";
  work.Parent = &root;
  work.RecordFlags = 1;
  work.FileName.SetAttributes(engine::kNtfsAttrDirectory);
  file.Name = "x.txt";
  file.Parent = &work;
  file.DataSize = 5'000'000'000LL;
  EXPECT_EQ(EntryFolderPath(EntryRef::Of(&file)), "\\Work");
  EXPECT_EQ(EntryFolderPath(EntryRef::Of(&work)), "\\");
  EXPECT_EQ(EntryListImage(EntryRef::Of(&work)), kImageFolder);
  EXPECT_EQ(EntryListImage(EntryRef::Of(&file)), kImageDeletedFile);
  EXPECT_EQ(EntrySize(EntryRef::Of(&file)), 5'000'000'000LL);
  // An exFAT file past 4 GiB: its FAT-shaped size field holds the cap.
  TMidEntry big = FatEntry("           ", 0x20);
  std::fill(big.DirEntry.bytes.begin() + 28, big.DirEntry.bytes.end(), 0xFF);
  big.Exfat = engine::ExfatEntryFacts{};
  big.Exfat->DataLength = 5'000'000'000ULL;
  EXPECT_EQ(EntrySize(EntryRef::Of(&big)), 5'000'000'000LL);

  // A parent chain that loops ends.
  TMidEntry loop1 = FatEntry("L1         ", 0x10), loop2 = FatEntry("L2         ", 0x10);
  loop1.Parent = &loop2;
  loop2.Parent = &loop1;
  EXPECT_FALSE(EntryFolderPath(EntryRef::Of(&loop1)).empty());
}

}  // namespace
}  // namespace tarnwell::standard
