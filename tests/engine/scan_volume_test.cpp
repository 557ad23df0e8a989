#include <gtest/gtest.h>

#include <memory>

#include "disk/read_error_reporter.h"
#include "engine/undelete.h"
#include "tests/support/fixtures.h"
#include "tests/support/image_builder.h"
#include "tests/support/recording_window.h"
#include "tests/support/test_drives.h"

namespace tarnwell::engine {
namespace {

using testing::FixturePath;

// C: FAT16, D: NTFS, E: FAT12 with 4096-byte sectors, F: FAT32 with
// 2048-byte sectors (the last two made by others with mkfs.fat).
class ScanVolumeTest : public ::testing::Test {
 protected:
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
  testing::RecordingStatus status;
  testing::RecordingProgress progress;
  std::unique_ptr<TUndelete> engine;

  void SetUp() override {
    std::vector<std::unique_ptr<TLogiDrive>> drives;
    drives.push_back(testing::ImageDrive(FixturePath("base/fat16.img"), 'C'));
    drives.push_back(testing::ImageDrive(FixturePath("base/ntfs.img"), 'D'));
    drives.push_back(testing::ImageDrive(FixturePath("corpus/dfirntfs-fat-edge/fat_unusual_cluster.raw"), 'E'));
    drives.push_back(testing::ImageDrive(FixturePath("corpus/dfirntfs-fat-edge/fat32_small.raw"), 'F'));
    engine = std::make_unique<TUndelete>(boxes, pump, std::move(drives));
    ASSERT_EQ(engine->Drives.size(), 4u);
  }
  TLogiDrive& Drive(char letter) { return *engine->FindDrive(letter); }
  bool Scan(char letter, bool force) {
    return engine->ScanVolume(Drive(letter), force, status, progress).Ok();
  }
  // Forgets every volume: a scan that reads anything now fails.
  void DetachEverything() {
    for (auto& d : engine->Drives) d->Source.reset();
  }
  // The drive's volume is now the image's.
  void Attach(char letter, const std::string& image) {
    Drive(letter).Source = std::move(testing::ImageVolumes(FixturePath(image)).front());
  }
};

TEST_F(ScanVolumeTest, AcceptedVolumesKeepTheirBootSector) {
  const auto fat16 = testing::ReadBinaryFile(FixturePath("base/fat16.img"));
  engine->StopRequested = true;
  ASSERT_TRUE(Scan('C', false));
  TLogiDrive& c = Drive('C');
  EXPECT_EQ(engine->CurrentDrive, &c);
  EXPECT_FALSE(engine->Scanning);
  EXPECT_FALSE(engine->StopRequested);
  EXPECT_TRUE(c.Identified);
  EXPECT_EQ(c.FsKind, kFat16);
  EXPECT_TRUE(std::equal(c.BootSector.begin(), c.BootSector.end(), fat16.begin()));

  ASSERT_TRUE(Scan('D', false));
  EXPECT_EQ(Drive('D').FsKind, kNtfs);
  EXPECT_EQ(engine->CurrentDrive, &Drive('D'));
  EXPECT_TRUE(boxes.errors.empty());
}

TEST_F(ScanVolumeTest, LargeSectorVolumesAreRefusedNeverMisread) {
  for (char letter : {'E', 'F'}) {
    EXPECT_FALSE(Scan(letter, false)) << letter;
    const TLogiDrive& d = Drive(letter);
    EXPECT_TRUE(d.Identified);
    EXPECT_EQ(d.FsKind, kUnrecognised);
    EXPECT_EQ(d.EntryCount(), 0u);
    EXPECT_EQ(d.BootSector[0], 0) << "a refused boot sector is not kept";
    EXPECT_FALSE(engine->Scanning);
  }
  ASSERT_EQ(boxes.errors.size(), 2u);
  EXPECT_EQ(boxes.errors[0], "E: - Unrecognized drive format.");
  EXPECT_EQ(boxes.errors[1], "F: - Unrecognized drive format.");
  EXPECT_LE(boxes.errors[0].size(), 31u);
}

// Later selections without force neither read nor rescan: with every volume
// gone, an accepted drive still answers true and a refused one repeats its
// message; only a forced scan reads (and so fails now, silently).
TEST_F(ScanVolumeTest, SelectingAgainDoesNotReadTheDisk) {
  ASSERT_TRUE(Scan('C', false));
  ASSERT_FALSE(Scan('E', false));
  ASSERT_EQ(boxes.errors.size(), 1u);
  DetachEverything();

  EXPECT_TRUE(Scan('C', false));
  EXPECT_EQ(Drive('C').FsKind, kFat16);
  EXPECT_FALSE(Scan('E', false));
  ASSERT_EQ(boxes.errors.size(), 2u);
  EXPECT_EQ(boxes.errors[1], "E: - Unrecognized drive format.");
  // A refused drive never becomes current: the window still shows C:.
  EXPECT_EQ(engine->CurrentDrive, &Drive('C'));

  const size_t entries = Drive('C').EntryCount();
  ASSERT_GT(entries, 0u);
  EXPECT_FALSE(Scan('C', true));
  EXPECT_EQ(boxes.errors.size(), 2u);
  EXPECT_FALSE(engine->Scanning);
  // A forced rescan that cannot read keeps the entries the rows point at.
  EXPECT_EQ(Drive('C').EntryCount(), entries);
  EXPECT_EQ(engine->CurrentDrive, &Drive('C'));
}

// Scans and damaged-folder rescans refuse to start inside a running one
// (reached through the pump), and a nested busy operation puts back the
// flag it found instead of clearing it.
TEST_F(ScanVolumeTest, NestedScansAreRefusedAndTheBusyFlagSurvives) {
  ASSERT_TRUE(Scan('C', false));
  const size_t entries = Drive('C').EntryCount();
  engine->Scanning = true;
  EXPECT_FALSE(Scan('D', true));
  EXPECT_EQ(engine->CurrentDrive, &Drive('C'));
  EXPECT_EQ(Drive('C').EntryCount(), entries);
  EXPECT_TRUE(engine->Scanning);
  TMidEntry damaged;
  damaged.Status = kDamagedFolder;
  EXPECT_FALSE(engine->RescanDamagedFolder(damaged, status));
  EXPECT_TRUE(engine->Scanning);
  engine->Scanning = false;
}

// A forced scan reads sector 0 again: the refused drive, now holding a FAT16
// volume, is accepted.
TEST_F(ScanVolumeTest, ForcedScanIdentifiesAgain) {
  ASSERT_FALSE(Scan('E', false));
  DetachEverything();
  Attach('E', "base/fat16.img");
  ASSERT_NE(Drive('E').Source, nullptr);
  EXPECT_FALSE(Scan('E', false));
  EXPECT_EQ(boxes.errors.size(), 2u);
  EXPECT_TRUE(Scan('E', true));
  EXPECT_EQ(Drive('E').FsKind, kFat16);
  EXPECT_EQ(boxes.errors.size(), 2u);
}

// Sector 0 unreadable: false, no format message, and the drive stays not
// identified so that the next selection tries again.
TEST_F(ScanVolumeTest, UnreadableSectorZeroLeavesTheDriveUnidentified) {
  DetachEverything();
  EXPECT_FALSE(Scan('C', false));
  EXPECT_FALSE(Drive('C').Identified);
  EXPECT_TRUE(boxes.errors.empty());
  Attach('C', "base/fat16.img");
  EXPECT_TRUE(Scan('C', false));
  EXPECT_TRUE(Drive('C').Identified);
}

// A crafted NTFS boot sector whose 0xF6 carries high bytes is refused.
TEST(ScanVolumeCrafted, NtfsRecordSizeOtherThan1024IsRefused) {
  testing::ImageBuilder image(3 * 1024 * 1024);
  image.PutText(3, "NTFS    ").Put16(0x0B, 512).Put8(0x0D, 8).Put32(0x40, 0xFFFFFFF6);
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
  TUndelete engine(boxes, pump, testing::DriveList(testing::MemoryDrive(image.Take())));
  ASSERT_EQ(engine.Drives.size(), 1u);
  NullStatusPanel status;
  NullProgressBar progress;
  EXPECT_FALSE(engine.ScanVolume(*engine.Drives[0], false, status, progress));
  ASSERT_EQ(boxes.errors.size(), 1u);
  EXPECT_EQ(boxes.errors[0], "C: - Unrecognized drive format.");
}

}  // namespace
}  // namespace tarnwell::engine
