// `image` copies a disk to an image with its map; `--image IMAGE --map MAP`
// lets the scans know which sectors of such a copy were never read.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>

#include "tests/support/fixtures.h"

namespace tarnwell::cli {
namespace {

using testing::RunCli;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

TEST(ImageCommand, CopiesAnImageAndGoesOnFromItsMapWhenRunAgain) {
  const std::string source = testing::FixturePath("base/fat16.img");
  const std::string folder = testing::MakeTempFolder("image-cli");
  const std::string copy = folder + "/copy.img";
  const std::string command = "-q --no-devices image " + Quoted(source) + " --out " + Quoted(copy);
  const testing::CliRun first = RunCli(command);
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_NE(first.out.find("copied:    16777216 of 16777216 bytes (100.00%)"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("bad areas: 0 (0 bytes)"), std::string::npos) << first.out;
  EXPECT_EQ(testing::ReadBinaryFile(copy), testing::ReadBinaryFile(source));
  EXPECT_NE(testing::ReadTextFile(copy + ".map").find("\n0x00000000  0x01000000  +\n"), std::string::npos);

  // Run again, the map says everything is there: nothing is read.
  const testing::CliRun again = RunCli(command);
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_NE(again.out.find("reads:     0 (0 failed)"), std::string::npos) << again.out;

  // A file that is there without its map is never written over.
  std::ofstream(folder + "/mine.img") << "mine";
  const testing::CliRun taken =
      RunCli("-q --no-devices image " + Quoted(source) + " --out " + Quoted(folder + "/mine.img"));
  EXPECT_EQ(taken.exitCode, 2);
  EXPECT_NE(taken.err.find("已存在"), std::string::npos) << taken.err;
  EXPECT_EQ(testing::ReadTextFile(folder + "/mine.img"), "mine");
}

TEST(ImageCommand, APartitionOrAVolumeIsCopiedAlone) {
  const std::string disk = testing::FixturePath("base/mbr-disk.img");
  const std::vector<uint8_t> bytes = testing::ReadBinaryFile(disk);
  const std::string folder = testing::MakeTempFolder("image-part");
  // Entry 3 of the drive list is the second primary partition (34816 +
  // 73728 sectors); E: is the first logical one (110592 + 8192).
  struct Case {
    std::string source;
    size_t start, count;
  } cases[] = {{"0:3", 34816, 73728}, {"E:", 110592, 8192}};
  for (const Case& c : cases) {
    const std::string copy = folder + "/" + c.source.substr(0, 1) + ".img";
    const testing::CliRun run =
        RunCli("-q --no-devices --image " + Quoted(disk) + " image " + c.source + " --out " + Quoted(copy));
    EXPECT_EQ(run.exitCode, 0) << c.source << run.err;
    const std::vector<uint8_t> expected(bytes.begin() + c.start * 512, bytes.begin() + (c.start + c.count) * 512);
    EXPECT_EQ(testing::ReadBinaryFile(copy), expected) << c.source;
  }
}

// The sector a file's data starts in, found by its bytes.
std::optional<size_t> SectorHolding(const std::vector<uint8_t>& image, const std::vector<uint8_t>& data) {
  for (size_t s = 0; (s + 1) * 512 <= image.size(); ++s)
    if (data.size() >= 512 && std::equal(data.begin(), data.begin() + 512, image.begin() + s * 512)) return s;
  return std::nullopt;
}

// A disk whose one sector cannot be read (an image read through a map that
// marks it bad): the copy says so and exits 1, and the copy's own map makes
// recovery from the copy report the file on that sector instead of giving
// it back with zeros in its place.
TEST(ImageCommand, ABadSectorIsCarriedThroughTheCopyToTheRecovery) {
  const std::string disk = testing::FixturePath("base/fat16.img");
  const std::string folder = testing::MakeTempFolder("image-bad");
  const std::string plain = testing::MakeTempFolder("image-bad-plain");
  ASSERT_EQ(RunCli("-q --no-devices recover " + Quoted(disk) + " --out " + Quoted(plain)).exitCode, 0);
  const std::vector<uint8_t> image = testing::ReadBinaryFile(disk);
  const std::optional<size_t> sector = SectorHolding(image, testing::ReadBinaryFile(plain + "/photos/holiday.jpg"));
  ASSERT_TRUE(sector);
  const std::string damage = folder + "/damage.map";
  std::ofstream(damage) << "0 + 1\n0 " << *sector * 512 << " +\n" << *sector * 512 << " 512 -\n"
                        << (*sector + 1) * 512 << " " << image.size() - (*sector + 1) * 512 << " +\n";

  const std::string copy = folder + "/copy.img";
  const testing::CliRun run = RunCli("-q --no-devices --image " + Quoted(disk) + " --map " + Quoted(damage) +
                                     " image 0 --out " + Quoted(copy) + " --retries 2");
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.out.find("bad areas: 1 (512 bytes)"), std::string::npos) << run.out;
  EXPECT_EQ(testing::ShellOutput("ddrescuelog -b512 -l- " + Quoted(copy + ".map")), std::to_string(*sector) + "\n");

  const std::string withMap = testing::MakeTempFolder("image-bad-with-map");
  const testing::CliRun careful = RunCli("-q --no-devices --image " + Quoted(copy) + " --map " +
                                         Quoted(copy + ".map") + " recover C: --out " + Quoted(withMap));
  EXPECT_EQ(careful.exitCode, 1);
  EXPECT_NE(careful.err.find("1 failed or incomplete"), std::string::npos) << careful.err;
  for (const char* other : {"/文档/中文文件.txt", "/README.TXT"})
    EXPECT_EQ(testing::ReadBinaryFile(withMap + other), testing::ReadBinaryFile(plain + other)) << other;

  // Without its map the copy hands out the zeros it holds there.
  const std::string blind = testing::MakeTempFolder("image-bad-without-map");
  EXPECT_EQ(RunCli("-q --no-devices --image " + Quoted(copy) + " recover C: --out " + Quoted(blind)).exitCode, 0);
  EXPECT_NE(testing::ReadBinaryFile(blind + "/photos/holiday.jpg"), testing::ReadBinaryFile(plain + "/photos/holiday.jpg"));
}

TEST(ImageCommand, MapsAndOptionsThatCannotBeUsed) {
  const std::string disk = Quoted(testing::FixturePath("base/fat16.img"));
  const std::string folder = testing::MakeTempFolder("image-args");
  std::ofstream(folder + "/gap.map") << "0 + 1\n0 512 +\n1024 512 +\n";
  const struct {
    const char* what;
    std::string arguments;
    const char* says;
  } cases[] = {
      {"a map before any image", "--map x.map --image " + disk + " volumes", "--map"},
      {"two maps for one image", "--image " + disk + " --map a --map b volumes", "--map"},
      {"a damaged map", "--image " + disk + " --map " + Quoted(folder + "/gap.map") + " volumes", "第 3 行"},
      {"a missing map", "--image " + disk + " --map " + Quoted(folder + "/none.map") + " volumes", "无法读取映射文件"},
      {"negative retries", "image " + disk + " --out " + Quoted(folder + "/x.img") + " --retries -1", "retries"},
      {"a source that is no disk", "image " + Quoted(folder) + " --out " + Quoted(folder + "/x.img"), "no disk"},
  };
  for (const auto& c : cases) {
    const testing::CliRun run = RunCli("-q --no-devices " + c.arguments);
    EXPECT_EQ(run.exitCode, 2) << c.what;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.what << ": " << run.err;
  }
  const testing::CliRun help = RunCli("help image");
  EXPECT_NE(help.out.find("--retries"), std::string::npos) << help.out;
  EXPECT_NE(RunCli("help").out.find("image"), std::string::npos);
}

}  // namespace
}  // namespace tarnwell::cli
