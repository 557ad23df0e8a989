// A scan that cannot run says why: what it was reading, where, and whether
// the source ended, refused the read or held a damaged structure.
#include <gtest/gtest.h>

#include "common/little_endian.h"
#include "tests/engine/fat/fat_test_volume.h"
#include "tests/support/fixtures.h"

namespace tarnwell::engine {
namespace {

using disk::OutcomeKind;
using disk::ReadFailure;
using testing::CraftedFat;
using testing::ScannedVolume;

bool Says(const disk::Outcome& o, const std::string& words) { return o.Text().find(words) != std::string::npos; }

TEST(ScanOutcomeTest, VolumesCutShortSayWhereTheyEnd) {
  {  // Fewer bytes than one sector: not even the boot sector is there.
    ScannedVolume s(std::vector<uint8_t>(300, 0xEB));
    ASSERT_FALSE(s.Scanned());
    EXPECT_EQ(s.ScanOutcome().read.failure, ReadFailure::kOutOfRange);
    EXPECT_TRUE(Says(s.ScanOutcome(), "boot sector")) << s.ScanOutcome().Text();
  }
  {  // FAT16 with its boot sector and FAT but not its root folder.
    CraftedFat v(kFat16, 1 + 8 + 1 + 200, 8);
    std::vector<uint8_t> bytes = v.Take();
    bytes.resize(static_cast<size_t>(v.RootSector()) * 512);
    ScannedVolume s(std::move(bytes));
    ASSERT_FALSE(s.Scanned());
    const disk::Outcome& o = s.ScanOutcome();
    EXPECT_EQ(o.kind, OutcomeKind::kReadFailed);
    EXPECT_EQ(o.read.failure, ReadFailure::kOutOfRange);
    EXPECT_EQ(o.sector, v.RootSector());
    EXPECT_TRUE(Says(o, "the root folder")) << o.Text();
    EXPECT_TRUE(Says(o, "cut short")) << o.Text();
  }
  {  // NTFS cut where its MFT begins.
    std::vector<uint8_t> bytes = testing::ReadBinaryFile(testing::FixturePath("base/ntfs.img"));
    ASSERT_GT(bytes.size(), 512u);
    const uint64_t mft = LoadLE64(&bytes[0x30]) * bytes[0x0D];
    ASSERT_LT(mft * 512, bytes.size());
    bytes.resize(static_cast<size_t>(mft) * 512);
    ScannedVolume s(std::move(bytes));
    ASSERT_FALSE(s.Scanned());
    EXPECT_EQ(s.ScanOutcome().read.failure, ReadFailure::kOutOfRange);
    EXPECT_EQ(s.ScanOutcome().sector, mft);
    EXPECT_TRUE(Says(s.ScanOutcome(), "MFT record 0")) << s.ScanOutcome().Text();
  }
}

TEST(ScanOutcomeTest, DamagedRootsAreToldFromReadErrors) {
  CraftedFat v(kFat32, 1 + 8 + 200, 8);
  v.Builder().Put32(44, 0x0FFFFFF0);  // the root cluster lies past the data area
  ScannedVolume s(v.Take());
  ASSERT_FALSE(s.Scanned());
  EXPECT_EQ(s.ScanOutcome().kind, OutcomeKind::kDamaged);
  EXPECT_TRUE(Says(s.ScanOutcome(), "outside the data area")) << s.ScanOutcome().Text();

  // A root that reads: a lost sub-folder costs only itself.
  CraftedFat ok(kFat16, 1 + 8 + 1 + 200, 8);
  ok.Entry(ok.RootSector(), 0, "GONE       ", 0x10, 60000, 0);
  ok.Entry(ok.RootSector(), 1, "KEEP    TXT", 0x20, 0, 0);
  ScannedVolume kept(ok.Take());
  EXPECT_TRUE(kept.Scanned()) << kept.ScanOutcome().Text();
  EXPECT_EQ(kept.Entries().size(), 2u) << "the file beside the lost folder is listed";
}

}  // namespace
}  // namespace tarnwell::engine
