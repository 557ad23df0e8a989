// Commands that scan a volume say on stderr why a scan could not run, and
// a listing that lost folders to read errors does not exit 0.
#include <gtest/gtest.h>

#include <fstream>

#include "common/little_endian.h"
#include "tests/engine/exfat/exfat_entry_bytes.h"
#include "tests/support/fixtures.h"

namespace tarnwell {
namespace {

using testing::RunCli;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// The fixture's bytes cut to `bytes`, as an image file of its own.
std::string CutImage(const std::string& fixture, size_t bytes, const std::string& hint) {
  std::vector<uint8_t> image = testing::ReadBinaryFile(testing::FixturePath(fixture));
  image.resize(std::min(bytes, image.size()));
  return testing::WriteTempImage(image, hint, "cut.img");
}

bool Has(const std::string& text, const std::string& words) { return text.find(words) != std::string::npos; }

TEST(ScanFailureCommandTest, ListSaysWhyAVolumeCannotBeScanned) {
  const std::vector<uint8_t> fat = testing::ReadBinaryFile(testing::FixturePath("base/fat16.img"));
  const std::vector<uint8_t> ntfs = testing::ReadBinaryFile(testing::FixturePath("base/ntfs.img"));
  ASSERT_GT(fat.size(), 512u);
  ASSERT_GT(ntfs.size(), 512u);
  const size_t fatRoot = (LoadLE16(&fat[14]) + size_t{fat[16]} * LoadLE16(&fat[22])) * 512;
  const size_t mft = LoadLE64(&ntfs[0x30]) * ntfs[0x0D] * 512;
  // A path names a volume only when it can hold one: an image of a few
  // bytes is attached as a disk and named by its letter.
  struct Case {
    const char* name;
    std::string attach;
    std::string volume;
    const char* says;
  } cases[] = {
      {"a few bytes", "--image " + Quoted(CutImage("base/fat16.img", 300, "cut-tiny")), "A:", "the boot sector"},
      {"FAT16 without its root", "", Quoted(CutImage("base/fat16.img", fatRoot, "cut-fat")), "the root folder"},
      {"NTFS without its MFT", "", Quoted(CutImage("base/ntfs.img", mft, "cut-ntfs")), "MFT record 0"},
  };
  for (const Case& c : cases) {
    for (const char* command : {"list", "search", "recover"}) {
      std::string args = "-q --no-devices " + c.attach + " " + command + " " + c.volume;
      if (std::string(command) == "recover") args += " --out " + Quoted(testing::MakeTempFolder("cut-out"));
      const testing::CliRun run = RunCli(args);
      EXPECT_EQ(run.exitCode, 1) << c.name << " " << command;
      EXPECT_TRUE(Has(run.err, c.says)) << c.name << " " << command << ": " << run.err;
      EXPECT_TRUE(Has(run.err, "cut short")) << c.name << " " << command << ": " << run.err;
    }
  }
}

// Through a map that marks every sector after the root folder unread, the
// root's entries are listed and the read errors make the exit status 1.
TEST(ScanFailureCommandTest, ListWithReadErrorsExitsOne) {
  const std::string disk = testing::FixturePath("base/fat16.img");
  const std::vector<uint8_t> fat = testing::ReadBinaryFile(disk);
  ASSERT_GT(fat.size(), 512u);
  const size_t dataStart =
      (LoadLE16(&fat[14]) + size_t{fat[16]} * LoadLE16(&fat[22]) + LoadLE16(&fat[17]) * 32 / 512) * 512;
  const std::string map = testing::MakeTempFolder("list-bad") + "/bad.map";
  std::ofstream(map) << "0 + 1\n0 " << dataStart << " +\n" << dataStart << " " << fat.size() - dataStart << " -\n";
  const testing::CliRun run = RunCli("-q --no-devices --image " + Quoted(disk) + " --map " + Quoted(map) + " list C:");
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_TRUE(Has(run.out, "README.TXT")) << run.out;
  EXPECT_FALSE(run.err.empty());

  const testing::CliRun clean = RunCli("-q --no-devices --image " + Quoted(disk) + " list C:");
  EXPECT_EQ(clean.exitCode, 0) << clean.err;
}

// One file's entry set alone in a range: no folder places the clusters, so
// the geometry stays unknown and the file cannot be written.
TEST(ScanFailureCommandTest, RawExfatSaysWhyItRecoversNothing) {
  std::vector<uint8_t> range(64 * 512, 0);
  const std::vector<uint8_t> set = testing::EntrySet("lone.txt", 1000, 40);
  std::copy(set.begin(), set.end(), range.begin() + 8 * 512);
  const std::string image = testing::WriteTempImage(range, "raw-exfat-lone");
  const std::string out = testing::MakeTempFolder("raw-exfat-lone-out");
  const testing::CliRun run = RunCli("-q --no-devices --image " + Quoted(image) + " raw-exfat 0:0 --out " + Quoted(out));
  EXPECT_TRUE(Has(run.out, "lone.txt")) << run.out;
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Has(run.err, "cluster size")) << run.err;
}

}  // namespace
}  // namespace tarnwell
