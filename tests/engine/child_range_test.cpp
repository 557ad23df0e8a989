#include <gtest/gtest.h>

#include "engine/entry_order.h"
#include "engine/undelete.h"
#include "tests/support/fixtures.h"
#include "tests/support/recording_window.h"

namespace tarnwell::engine {
namespace {

using testing::CountingPump;
using testing::RecordingBoxes;

// An engine over an empty device table with one synthetic drive whose
// entry list the test fills.
class ChildRangeTest : public ::testing::Test {
 protected:
  RecordingBoxes boxes;
  CountingPump pump;
  TUndelete engine{boxes, pump, {}};
  TLogiDrive drive;

  void SetUp() override {
    drive.DriveName = "C:";
    engine.CurrentDrive = &drive;
  }
  void AddFat(uint32_t parent, const std::string& name83) {
    auto e = std::make_unique<TMidEntry>();
    for (size_t i = 0; i < 11; ++i) e->DirEntry.bytes[i] = i < name83.size() ? name83[i] : ' ';
    e->ParentCluster = parent;
    drive.FatEntries.push_back(std::move(e));
  }
  void AddNtfs(uint64_t parent, const std::string& name) {
    auto r = std::make_unique<tntfsfilerecord>();
    r->FileName.SetParentRecord(parent);
    r->Name = name;
    drive.NtfsEntries.push_back(std::move(r));
  }
};

TEST_F(ChildRangeTest, EmptyListAndMissingKeyGiveMinusOne) {
  drive.FsKind = kFat16;
  int first = 7, last = 7;
  EXPECT_FALSE(engine.GetChildRange(0, first, last));
  EXPECT_EQ(first, -1);
  EXPECT_EQ(last, -1);
  AddFat(3, "A          ");
  AddFat(9, "B          ");
  EXPECT_FALSE(engine.GetChildRange(5, first, last));
  EXPECT_EQ(first, -1);
  EXPECT_EQ(last, -1);
  EXPECT_FALSE(engine.GetChildRange(10, first, last));
  EXPECT_FALSE(engine.GetChildRange(1, first, last));
}

TEST_F(ChildRangeTest, FindsBoundsAtEveryPositionOfEveryListSize) {
  // Runs of each key at the start, in the middle and at the end of lists of
  // every length up to 40 catch off-by-one errors in the final two-candidate
  // test of the bisection.
  drive.FsKind = kFat32;
  for (int before = 0; before < 7; ++before) {
    for (int run = 1; run < 7; ++run) {
      for (int after = 0; after < 7; ++after) {
        drive.FatEntries.clear();
        for (int i = 0; i < before; ++i) AddFat(2 + i, "X          ");
        for (int i = 0; i < run; ++i) AddFat(100, "Y          ");
        for (int i = 0; i < after; ++i) AddFat(200 + i, "Z          ");
        int first = -1, last = -1;
        ASSERT_TRUE(engine.GetChildRange(100, first, last)) << before << "," << run << "," << after;
        EXPECT_EQ(first, before);
        EXPECT_EQ(last, before + run - 1);
      }
    }
  }
}

TEST_F(ChildRangeTest, NtfsUsesTheFortyEightBitParent) {
  drive.FsKind = kNtfs;
  AddNtfs(0, "\\");
  AddNtfs(5, "a");
  AddNtfs(5, "b");
  // Same low 32 bits as 5, but a different 48-bit parent: not a child of 5.
  AddNtfs((1ULL << 32) | 5, "c");
  int first = -1, last = -1;
  ASSERT_TRUE(engine.GetChildRange(5, first, last));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 2);
}

TEST(EntryOrder, FatNameKeyLowersBaseOnlyAndPutsBareNameFirst) {
  TMidEntry a, b, c;
  auto set = [](TMidEntry& e, const char* name83) {
    for (int i = 0; i < 11; ++i) e.DirEntry.bytes[i] = static_cast<uint8_t>(name83[i]);
  };
  set(a, "README     ");
  set(b, "README  TXT");
  set(c, "readme  ABC");
  EXPECT_EQ(FatNameKey(b.DirEntry), "readme.TXT");
  EXPECT_LT(CompareFatEntries(a, b), 0);  // "readme" is a prefix of "readme.TXT"
  EXPECT_LT(CompareFatEntries(c, b), 0);  // ".ABC" < ".TXT"
  a.ParentCluster = 3;
  EXPECT_GT(CompareFatEntries(a, b), 0);  // parent first
}

TEST(EntryOrder, SortKeepsNtfsRootFirst) {
  NtfsEntryList list;
  auto add = [&](uint64_t parent, const char* name) {
    auto r = std::make_unique<tntfsfilerecord>();
    r->FileName.SetParentRecord(parent);
    r->Name = name;
    list.push_back(std::move(r));
  };
  add(0, "\\");
  add(5, "b");
  add(5, "B");
  add(0, "[Folder]44");
  add(44, "x");
  SortNtfsEntries(list, true);
  EXPECT_EQ(list[0]->Name, "\\");
  EXPECT_EQ(list[1]->Name, "[Folder]44");
  EXPECT_EQ(list[2]->Name, "B");  // byte-wise: upper case first
  EXPECT_EQ(list[3]->Name, "b");
  EXPECT_EQ(list[4]->Name, "x");
}

}  // namespace
}  // namespace tarnwell::engine
