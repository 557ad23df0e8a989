#include <gtest/gtest.h>

#include "controls/display_format.h"
#include "engine/undelete.h"
#include "standard/entry_rows.h"
#include "tests/support/recording_window.h"

namespace tarnwell::standard {
namespace {

using engine::TMidEntry;
using engine::tntfsfilerecord;

// Handles come from an engine; these records stand on their own.
struct Handles {
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
  engine::TUndelete engine{boxes, pump, {}};
  engine::EntryHandle operator()(const TMidEntry* e) const { return engine.EntryOf(*e); }
  engine::EntryHandle operator()(const tntfsfilerecord* r) const { return engine.EntryOf(*r); }
};

TMidEntry FatEntry(const char name83[12], uint8_t attributes) {
  TMidEntry e;
  std::copy(name83, name83 + 11, e.DirEntry.bytes.begin());
  e.DirEntry.bytes[11] = attributes;
  return e;
}

// Stamps of zero (a FAT date and time of 0, an NTFS time before 1980) are
// "no stamp": an empty cell, not the calendar's day zero.
TEST(EntryRowsTest, MissingStampsGiveEmptyCells) {
  const Handles Of;
  TMidEntry fat = FatEntry("A       TXT", 0x20);
  EXPECT_EQ(Of(&fat).Stamp(engine::kDateCreated), 0);
  EXPECT_EQ(controls::FormatListDateTime(Of(&fat).Stamp(engine::kDateCreated)), "");
  tntfsfilerecord ntfs;
  ntfs.FileName.SetCreationTime(116444736000000000ULL);  // 1970-01-01
  EXPECT_EQ(Of(&ntfs).Stamp(engine::kDateCreated), 0);
  // A valid FAT stamp: 2024-03-05 13:30.
  fat.DirEntry.bytes[16] = static_cast<uint8_t>(((44 << 9) | (3 << 5) | 5) & 0xFF);
  fat.DirEntry.bytes[17] = static_cast<uint8_t>(((44 << 9) | (3 << 5) | 5) >> 8);
  fat.DirEntry.bytes[14] = static_cast<uint8_t>(((13 << 11) | (30 << 5)) & 0xFF);
  fat.DirEntry.bytes[15] = static_cast<uint8_t>(((13 << 11) | (30 << 5)) >> 8);
  EXPECT_EQ(controls::FormatListDateTime(Of(&fat).Stamp(engine::kDateCreated)), "03/05/24 01:30 PM");
}

TEST(EntryRowsTest, ImagesStatusesAndFolderPaths) {
  const Handles Of;
  TMidEntry a = FatEntry("A          ", 0x10);
  TMidEntry b = FatEntry("\xE5" "B         ", 0x10);
  b.Status = engine::kDeleted;
  b.Parent = &a;
  TMidEntry f = FatEntry("F       JPG", 0x20);
  f.Parent = &b;
  f.Status = engine::kDeleted;
  TMidEntry damaged = FatEntry("D          ", 0x10);
  damaged.Status = engine::kDamagedFolder;
  EXPECT_EQ(EntryListImage(Of(&a)), kImageFolder);
  EXPECT_EQ(EntryListImage(Of(&b)), kImageDeletedFolder);
  EXPECT_EQ(EntryListImage(Of(&damaged)), kImageDamagedFolder);
  EXPECT_EQ(EntryListImage(Of(&f)), kImageDeletedFile);
  EXPECT_EQ(FolderTreeImages(Of(&damaged)), std::make_pair(6, 6));
  EXPECT_EQ(EntryStatusText(Of(&damaged)), "已损坏");
  EXPECT_EQ(Of(&b).Name(), "?B");
  EXPECT_EQ(Of(&f).FolderPath(), "\\A\\?B");
  EXPECT_EQ(Of(&a).FolderPath(), "\\");

  tntfsfilerecord root, work, file;
  root.Name = "\\";
  work.Name = "Work ";
  work.Parent = &root;
  work.RecordFlags = 1;
  work.FileName.SetAttributes(engine::kNtfsAttrDirectory);
  file.Name = "x.txt";
  file.Parent = &work;
  file.DataSize = 5'000'000'000LL;
  EXPECT_EQ(Of(&file).FolderPath(), "\\Work");
  EXPECT_EQ(Of(&work).FolderPath(), "\\");
  EXPECT_EQ(EntryListImage(Of(&work)), kImageFolder);
  EXPECT_EQ(EntryListImage(Of(&file)), kImageDeletedFile);
  EXPECT_EQ(Of(&file).Size(), 5'000'000'000ULL);
  // An exFAT file past 4 GiB: its FAT-shaped size field holds the cap.
  TMidEntry big = FatEntry("           ", 0x20);
  std::fill(big.DirEntry.bytes.begin() + 28, big.DirEntry.bytes.end(), 0xFF);
  big.Exfat = engine::ExfatEntryFacts{};
  big.Exfat->DataLength = 5'000'000'000ULL;
  EXPECT_EQ(Of(&big).Size(), 5'000'000'000ULL);

  // A parent chain that loops ends.
  TMidEntry loop1 = FatEntry("L1         ", 0x10), loop2 = FatEntry("L2         ", 0x10);
  loop1.Parent = &loop2;
  loop2.Parent = &loop1;
  EXPECT_FALSE(Of(&loop1).FolderPath().empty());
}

}  // namespace
}  // namespace tarnwell::standard
