// Deleted files that live files were written over, on images made with real
// tools (FAT16 through mtools, exFAT through exfat-fuse): every copy that
// does not come out with the file's own bytes is flagged, and the ones
// nothing touched are not.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "engine/recovery/recovery_log.h"
#include "tests/engine/fat/fat_test_volume.h"

namespace tarnwell::engine {
namespace {

// A deleted short name shows its lost first byte as '?'.
TMidEntry* Locate(testing::ScannedVolume& s, const std::string& path) {
  if (TMidEntry* e = s.Find(path)) return e;
  std::string marked = path;
  marked[path.rfind('/') + 1] = '?';
  return s.Find(marked);
}

class OverwrittenImages : public ::testing::TestWithParam<const char*> {};

TEST_P(OverwrittenImages, EveryCopyWithOtherFilesBytesIsFlagged) {
  const std::string image = GetParam();
  testing::ScannedVolume s(testing::FixturePath("overwritten/" + image));
  ASSERT_TRUE(s.Scanned());
  const std::string out = testing::MakeTempFolder("overwritten_images");
  std::map<std::string, Recoverability> states;
  uint64_t overwritten = 0;
  int deleted = 0, wrong = 0;
  for (const testing::ManifestRow& row : testing::ManifestRows("overwritten/MANIFEST")) {
    if (row.image != image || row.kind != "file") continue;
    TMidEntry* e = Locate(s, row.path);
    ASSERT_NE(e, nullptr) << row.path;
    const EntryHandle handle = s.Engine().EntryOf(*e);
    if (row.state != "deleted") {
      EXPECT_EQ(handle.Recoverable(), Recoverability::kNone) << row.path;
      continue;
    }
    ++deleted;
    const Recoverability state = handle.Recoverable();
    states[row.path.substr(row.path.rfind('/') + 1)] = state;
    const std::string name = "f";
    const std::optional<OutputFolder> destination = OpenDestination(out, name, s.log);
    ASSERT_TRUE(destination);
    NullProgressBar progress;
    // Recovery writes what it can, overwritten or not.
    EXPECT_EQ(handle.Recover({*destination, s.log, s.status, progress, &name, &overwritten}),
              RecoverResult::kRecovered)
        << row.path;
    const bool exact = testing::Sha256OfFile(out + "/f") == row.sha256;
    std::remove((out + "/f").c_str());
    if (!exact) {
      ++wrong;
      EXPECT_TRUE(IsOverwritten(state)) << row.path << " comes out with other bytes but is "
                                        << RecoverabilityKey(state);
    } else {
      EXPECT_EQ(state, Recoverability::kIntact) << row.path << " comes out whole";
    }
  }
  EXPECT_EQ(deleted, 5);
  EXPECT_EQ(wrong, 2);
  // The story of the script that made the images.
  EXPECT_EQ(states["GONE2.TXT"], Recoverability::kOverwritten);
  EXPECT_EQ(states["GONE3.TXT"], Recoverability::kPartlyOverwritten);
  EXPECT_EQ(states["TMP1.TXT"], Recoverability::kIntact);
  EXPECT_EQ(states["GONE1.TXT"], Recoverability::kIntact);
  EXPECT_EQ(states["GONE4.TXT"], Recoverability::kIntact);
  EXPECT_EQ(overwritten, 2u);
  int flaggedLines = 0;
  for (const auto& line : s.log.lines) flaggedLines += line.icon == kLogStopped;
  EXPECT_EQ(flaggedLines, 2) << "one line for each overwritten copy";
}

INSTANTIATE_TEST_SUITE_P(MadeWithRealTools, OverwrittenImages,
                         ::testing::Values("fat16-overwritten.img", "exfat-overwritten.img"));

}  // namespace
}  // namespace tarnwell::engine
