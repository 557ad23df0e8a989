// The command-line tree walk over NTFS records, which the same commands
// list and recover generically: paths, lost folders, loops, JSON fields.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "cli/entry_json.h"
#include "cli/entry_walk.h"
#include "engine/entry_order.h"
#include "engine/filetime.h"
#include "tests/engine/fat/fat_test_volume.h"
#include "tests/support/fixtures.h"
#include "tests/support/recording_window.h"

namespace tarnwell::cli {
namespace {

class NtfsWalkTest : public ::testing::Test {
 protected:
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
  engine::TUndelete engine{boxes, pump, {}};
  engine::TLogiDrive drive;

  void SetUp() override {
    drive.DriveName = "C:";
    drive.FsKind = engine::kNtfs;
    engine.CurrentDrive = &drive;
  }
  void Add(uint64_t parent, int64_t number, const std::string& name, bool folder, bool inUse,
           uint64_t created = 0) {
    auto r = std::make_unique<engine::tntfsfilerecord>();
    r->FileName.SetParentRecord(parent);
    r->RecordNumber = number;
    r->RecordSector = 1000 + 2 * number;  // read from the MFT, not made up by the scan
    r->Name = name;
    r->RecordFlags = inUse ? 1 : 0;
    r->DataSize = folder ? 0 : 10 * number;
    r->FileName.SetAttributes(folder ? engine::kNtfsAttrDirectory : 0x20);
    r->FileName.SetCreationTime(created);
    drive.NtfsEntries.push_back(std::move(r));
  }
  std::vector<std::string> Paths() {
    std::vector<std::string> paths;
    WalkEntries(engine, [&](const FoundEntry& e) { paths.push_back(e.path); });
    return paths;
  }
};

TEST_F(NtfsWalkTest, PathsLostFoldersAndLoops) {
  Add(0, 5, ".", true, true);
  Add(5, 30, "Photos", true, true);
  Add(30, 31, "cat.jpg", false, false);
  Add(5, 32, "notes.txt", false, true);
  Add(0, 90, "Lost 90", true, true);   // a lost folder: parent 0
  Add(90, 91, "orphan.doc", false, false);
  Add(30, 33, "Inner", true, true);
  Add(33, 30, "back to Photos", true, false);  // a child pointing back up
  engine::SortNtfsEntries(drive.NtfsEntries, true);
  const std::vector<std::string> paths = Paths();
  EXPECT_EQ(paths, (std::vector<std::string>{"Photos", "Photos/Inner", "Photos/Inner/back to Photos",
                                             "Photos/cat.jpg",
                                             "notes.txt", "Lost 90", "Lost 90/orphan.doc"}));
  const std::optional<FoundEntry> cat = FindEntryByPath(engine, "/photos/CAT.JPG");
  ASSERT_TRUE(cat);
  EXPECT_TRUE(cat->handle.IsDeleted());
  EXPECT_EQ(cat->handle.FolderKey(), 31u);
  EXPECT_EQ(cat->handle.Size(), 310u);
}

TEST_F(NtfsWalkTest, JsonLineOfARecord) {
  const uint64_t march = static_cast<uint64_t>((engine::DaysFromCivil(2024, 3, 1) -
                                                engine::DaysFromCivil(1601, 1, 1)) * 86400 + 43200) *
                         10000000ULL;
  Add(0, 5, ".", true, true);
  Add(5, 40, "报告.doc", false, false, march);
  engine::SortNtfsEntries(drive.NtfsEntries, true);
  std::vector<FoundEntry> found;
  WalkEntries(engine, [&](const FoundEntry& e) { found.push_back(e); });
  ASSERT_EQ(found.size(), 1u);
  const auto j = nlohmann::json::parse(EntryJsonLine(found[0]));
  EXPECT_EQ(j["status"], "deleted");
  EXPECT_EQ(j["key"], 40);
  EXPECT_EQ(j["created"], "2024-03-01T12:00:00.0000000Z");  // UTC, to 100 ns
  EXPECT_TRUE(j["modified"].is_null());             // FILETIME 0 is no stamp
}

}  // namespace
}  // namespace tarnwell::cli

namespace tarnwell::cli {
namespace {

TEST(DeepTreeWalkTest, AThousandLevelsOfLongNamesAreListedWithWholePaths) {
  // 1,000 nested folders of 255-character names (tests/fixtures/fat/
  // make_deep_tree.py) and a file at the bottom: every level is walked,
  // and each path is its parent's path and its own name, built once.
  testing::ScannedVolume volume(testing::FixturePath("fat/deep-tree.img"));
  ASSERT_TRUE(volume.Scanned());
  size_t entries = 0, folders = 0, longest = 0;
  std::string bottom;
  std::string previousFolder;
  WalkEntries(volume.Engine(), [&](const FoundEntry& e) {
    ++entries;
    longest = std::max(longest, e.path.size());
    if (e.handle.IsFolder()) {
      ++folders;
      if (!previousFolder.empty()) {
        EXPECT_EQ(e.path.compare(0, previousFolder.size() + 1, previousFolder + "/"), 0);
      }
      previousFolder = e.path;
    } else {
      bottom = e.path;
    }
  });
  EXPECT_EQ(folders, 1000u);
  EXPECT_EQ(entries, 1001u);
  const size_t deepest = 1000 * 255 + 999;
  EXPECT_EQ(previousFolder.size(), deepest);
  EXPECT_EQ(bottom, previousFolder + "/BOTTOM.TXT");
  EXPECT_EQ(longest, bottom.size());
}

}  // namespace
}  // namespace tarnwell::cli
