// Search over FAT entries and NTFS records placed in a drive's list.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/entry_helpers.h"
#include "engine/entry_order.h"
#include "engine/filetime.h"
#include "engine/undelete.h"
#include "tests/support/fixtures.h"
#include "tests/support/recording_window.h"

namespace tarnwell::engine {
namespace {

uint16_t DosDate(int y, int m, int d) { return static_cast<uint16_t>(((y - 1980) << 9) | (m << 5) | d); }

class SearchTest : public ::testing::Test {
 protected:
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
  TUndelete engine{boxes, pump, {}};
  TLogiDrive drive;

  void SetUp() override {
    drive.DriveName = "C:";
    engine.CurrentDrive = &drive;
  }

  TMidEntry* Fat(uint32_t parent, const std::string& name83, uint32_t cluster, uint32_t size,
                 bool folder = false, uint8_t status = kExisting, uint16_t created = 0) {
    auto e = std::make_unique<TMidEntry>();
    std::string n = name83;
    n.resize(11, ' ');
    std::copy(n.begin(), n.end(), e->DirEntry.bytes.begin());
    e->DirEntry.bytes[11] = folder ? 0x10 : 0x20;
    StoreLE16(&e->DirEntry.bytes[16], created);
    StoreLE16(&e->DirEntry.bytes[26], static_cast<uint16_t>(cluster));
    StoreLE32(&e->DirEntry.bytes[28], size);
    e->ParentCluster = parent;
    e->Status = status;
    TMidEntry* raw = e.get();
    drive.FatEntries.push_back(std::move(e));
    return raw;
  }
  std::vector<std::string> FatNames() {
    std::vector<std::string> names;
    for (const EntryHandle& e : engine.SearchResults) names.push_back(e.Name());
    return names;
  }
  std::vector<std::string> Run(TSearchCriteria c) {
    engine.SearchResults.clear();
    EXPECT_TRUE(engine.Search(c));
    return FatNames();
  }

  // Root 0; Docs (cluster 5) holds a.txt and Sub (6); Sub holds b.TXT and
  // a deleted folder pointing back at Docs.
  void FatTree() {
    drive.FsKind = kFat16;
    Fat(0, "DOCS", 5, 0, true);
    Fat(0, "TOP     TXT", 9, 100);
    Fat(0, "\xE5" "ONE    TXT", 10, 5000, false, kDeleted);
    Fat(5, "A       TXT", 11, 2048);
    Fat(5, "SUB", 6, 0, true);
    Fat(6, "B       TXT", 12, 4096, false, kExisting, DosDate(2024, 3, 1));
    Fat(6, "\xE5" "OOP", 5, 0, true, kDeleted);
    SortFatEntries(drive.FatEntries);
  }
};

TEST_F(SearchTest, PatternsCaseAndCommas) {
  FatTree();
  TSearchCriteria c;
  c.Names = "*.TXT";
  EXPECT_EQ(Run(c).size(), 4u);  // lowered on both sides
  c.CaseSensitive = true;
  EXPECT_EQ(Run(c).size(), 4u);  // the stored 8.3 names are upper case
  c.CaseSensitive = false;
  c.Names = "a.txt,top.txt";
  EXPECT_EQ(Run(c).size(), 2u);
  c.Names = "a.txt, top.txt";  // the blank belongs to the second pattern
  EXPECT_EQ(Run(c).size(), 1u);
  c.Names = "\xE5*";  // a deleted entry's name keeps its 0xE5
  EXPECT_EQ(Run(c).size(), 2u);
}

TEST_F(SearchTest, DeletedSizeAndDate) {
  FatTree();
  TSearchCriteria c;
  c.DeletedOnly = true;
  EXPECT_EQ(Run(c).size(), 2u);
  c.DeletedOnly = false;
  c.SizeMin = 2048;
  c.SizeMax = 4096;
  EXPECT_EQ(Run(c).size(), 2u);
  c.SizeMax = -1;  // one negative bound disables the size test
  EXPECT_EQ(Run(c).size(), drive.FatEntries.size());
  c.SizeMin = -1;
  c.DateKind = 0;
  c.DateFrom = FormatDosDateTime(DosDate(2024, 3, 1), 0).value;
  c.DateTo = c.DateFrom + 0.99;
  // B.TXT by its date; empty stamps are valid with value 0 and fall outside.
  std::vector<std::string> found = Run(c);
  EXPECT_NE(std::find(found.begin(), found.end(), "B.TXT"), found.end());
  EXPECT_EQ(std::find(found.begin(), found.end(), "A.TXT"), found.end());
}

TEST_F(SearchTest, InvalidStampCountsAsTheFromDate) {
  drive.FsKind = kFat16;
  Fat(0, "\xE5" "AD     TXT", 3, 10, false, kDeleted, DosDate(2023, 2, 30));
  TSearchCriteria c;
  c.DateFrom = 45000;
  c.DateTo = 45000;  // from equal to to: still found
  EXPECT_EQ(Run(c).size(), 1u);
  c.DateTo = 44999;  // a from-date after the to-date finds nothing
  EXPECT_EQ(Run(c).size(), 0u);
}

TEST_F(SearchTest, BelowAFolderAtAnyDepthOnceEach) {
  FatTree();
  TSearchCriteria c;
  c.FolderKey = 5;
  c.Names = "*";
  // Docs' subtree: A.TXT, SUB, then SUB's contents (depth first, folder
  // before its contents); the deleted folder pointing back at Docs is
  // listed but Docs is not searched again.
  EXPECT_EQ(Run(c), (std::vector<std::string>{"A.TXT", "SUB", "B.TXT", "?OOP"}));
  c.FolderKey = -1;
  EXPECT_EQ(Run(c).size(), drive.FatEntries.size());
  c.FolderKey = 77;
  EXPECT_TRUE(Run(c).empty());
}

TEST_F(SearchTest, NtfsRecordsByNameDeletedSizeAndDate) {
  drive.FsKind = kNtfs;
  auto add = [&](uint64_t parent, int64_t number, const std::string& name, bool inUse,
                 int64_t size, bool folder, uint64_t modified) {
    auto r = std::make_unique<tntfsfilerecord>();
    r->FileName.SetParentRecord(parent);
    r->RecordNumber = number;
    r->RecordSector = 1000 + 2 * number;  // read from the MFT, not made up by the scan
    r->Name = name;
    r->RecordFlags = inUse ? 1 : 0;
    r->DataSize = size;
    r->FileName.SetAttributes(folder ? kNtfsAttrDirectory : 0x20);
    r->FileName.SetModificationTime(modified);
    drive.NtfsEntries.push_back(std::move(r));
  };
  // 2024-03-01 12:00 UTC as FILETIME.
  const uint64_t march = static_cast<uint64_t>((DaysFromCivil(2024, 3, 1) - DaysFromCivil(1601, 1, 1)) * 86400 + 43200) * 10000000ULL;
  add(0, 5, ".", true, 0, true, 0);
  add(5, 30, "Photos", true, 0, true, march);
  add(5, 31, "notes.txt", false, 100, false, march);
  add(30, 40, "cat.JPG", false, 300000, false, 0);
  add(30, 41, "dog.jpg", true, 200000, false, march);
  add(40, 50, "not a child", true, 1, false, 0);
  SortNtfsEntries(drive.NtfsEntries, true);

  auto names = [&](TSearchCriteria c) {
    engine.SearchResults.clear();
    EXPECT_TRUE(engine.Search(c));
    std::vector<std::string> out;
    for (const EntryHandle& r : engine.SearchResults) out.push_back(r.Name());
    return out;
  };
  TSearchCriteria c;
  c.Names = "*.jpg";
  EXPECT_EQ(names(c), (std::vector<std::string>{"cat.JPG", "dog.jpg"}));
  c.CaseSensitive = true;
  EXPECT_EQ(names(c), (std::vector<std::string>{"dog.jpg"}));
  c = {};
  c.DeletedOnly = true;
  EXPECT_EQ(names(c), (std::vector<std::string>{"notes.txt", "cat.JPG"}));
  c = {};
  c.SizeMin = 250000;
  c.SizeMax = 1000000;
  EXPECT_EQ(names(c), (std::vector<std::string>{"cat.JPG"}));
  c = {};
  c.DateKind = 1;
  c.DateFrom = DaysFromCivil(2024, 3, 1);
  c.DateTo = c.DateFrom + 1;
  EXPECT_EQ(names(c), (std::vector<std::string>{"Photos", "notes.txt", "dog.jpg"}));
  c = {};
  c.FolderKey = 5;
  EXPECT_EQ(names(c), (std::vector<std::string>{"Photos", "cat.JPG", "dog.jpg", "notes.txt"}));
}

}  // namespace
}  // namespace tarnwell::engine
