// The disks and find-partitions commands, run as a user would.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "tests/support/fixtures.h"
#include "tests/support/json_lines.h"

namespace tarnwell::cli {
namespace {

using testing::FixturePath;
using testing::RunCli;

using testing::JsonLines;

std::string Image(const std::string& fixture) { return "'" + FixturePath(fixture) + "'"; }

TEST(DisksCommandTest, ListsVolumesThenDisksWithTheirEntries) {
  const auto run = RunCli("--no-devices --image " + Image("partitions/extended.img") + " disks --json");
  ASSERT_EQ(run.exitCode, 0);
  const auto lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 5u);  // four volumes, then the disk
  EXPECT_EQ(lines[0]["code"], -'C');
  EXPECT_EQ(lines[0]["name"], "(C:) PRIMARY");
  const nlohmann::json& disk = lines[4];
  EXPECT_EQ(disk["code"], 0);
  EXPECT_EQ(disk["name"], "物理驱动器 00H (64.00 MB)");
  EXPECT_EQ(disk["total_sectors"], 131072);
  std::vector<std::string> kinds;
  for (const auto& e : disk["entries"]) kinds.push_back(e["kind"]);
  EXPECT_EQ(kinds, (std::vector<std::string>{"disk", "free", "primary", "extended", "logical",
                                             "extended", "logical", "free", "extended", "logical",
                                             "free"}));
  const nlohmann::json& logical = disk["entries"][4];
  EXPECT_EQ(logical["index"], 4);
  EXPECT_EQ(logical["type"], 6);
  EXPECT_EQ(logical["start"], 12288);
  EXPECT_EQ(logical["sectors"], 8192);
  EXPECT_EQ(logical["label"], "(D:) LOGICALONE");
}

TEST(DisksCommandTest, GptDisksListTheirPartitionsNamesTypesAndGaps) {
  const auto run = RunCli("--no-devices --image " + Image("gpt/gpt.img") + " disks --json");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 5u);  // the four partitions as volumes, then the disk
  const nlohmann::json& disk = lines[4];
  std::vector<std::string> kinds;
  for (const auto& e : disk["entries"]) kinds.push_back(e["kind"]);
  EXPECT_EQ(kinds, (std::vector<std::string>{"disk", "gpt", "gpt", "free", "gpt", "gpt", "free"}));
  const nlohmann::json& fat = disk["entries"][2];
  EXPECT_EQ(fat["type"], 0xEE);
  EXPECT_EQ(fat["start"], 18432);
  EXPECT_EQ(fat["sectors"], 69632);
  EXPECT_EQ(fat["label"], "(D:) GPTFAT32");
  EXPECT_EQ(fat["name"], "Basic data FAT");
  EXPECT_EQ(fat["type_name"], "Microsoft 基本数据分区");
  EXPECT_EQ(fat["type_guid"], "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
  EXPECT_EQ(fat["guid"], "6A7E0002-0000-4000-8000-000000000001");
  EXPECT_EQ(disk["entries"][4]["name"], "数据 NTFS");
  EXPECT_EQ(disk["entries"][3]["start"], 88064);
  EXPECT_EQ(disk["entries"][3]["sectors"], 4096);
  EXPECT_FALSE(disk["entries"][3].contains("name"));

  const auto text = RunCli("--no-devices --image " + Image("gpt/gpt.img") + " disks");
  EXPECT_NE(text.out.find("    1  EE          2048       16384  gpt       (C:) EFI  \"EFI system partition\" "
                          "[EFI 系统分区]\n"),
            std::string::npos)
      << text.out;
}

TEST(DisksCommandTest, SizesPastTwoTebibytesAreWhole) {
  const auto run = RunCli("--no-devices --image '" + testing::AssembledSparseImage("gpt/gpt-3tib.layout") +
                          "' disks --json");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto lines = JsonLines(run.out);
  ASSERT_FALSE(lines.empty());
  const nlohmann::json& disk = lines.back();
  EXPECT_EQ(disk["total_sectors"], 6442450944u);
  EXPECT_EQ(disk["entries"][0]["sectors"], 6442450944u);
  EXPECT_EQ(disk["entries"][3]["sectors"], uint64_t{1} << 32);
  EXPECT_EQ(disk["entries"][4]["start"], 4295100416u);
  EXPECT_EQ(disk["entries"][4]["label"], "(E:) FARFAT");
}

TEST(DisksCommandTest, TextListsTypesInHex) {
  const auto run = RunCli("--no-devices --image " + Image("partitions/at2048.img") + " disks");
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("0  物理驱动器 00H (43.00 MB)  88066 sectors  [raw image " +
                         testing::FixturePath("partitions/at2048.img") + "]\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("    2  0C          2048       69632  primary   (C:) ABCDEF\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("    4  00         88064           2  free"), std::string::npos);
}

TEST(FindPartitionsCommandTest, FindsTheWipedPartitionsOfAnImage) {
  const auto run =
      RunCli("--no-devices find-partitions " + Image("partitions/extended-wiped.img") + " --json");
  ASSERT_EQ(run.exitCode, 0);
  const auto lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 1u);
  const nlohmann::json& out = lines[0];
  EXPECT_EQ(out["start_sector"], 0);
  EXPECT_EQ(out["sector_count"], 131072);
  ASSERT_EQ(out["log"].size(), 2u);
  EXPECT_EQ(out["log"][0]["text"], "正在开始智能扫描 ...");
  EXPECT_EQ(out["log"][1]["text"], "智能扫描已完成");
  std::vector<std::pair<uint64_t, uint32_t>> found;
  for (const auto& e : out["entries"]) {
    EXPECT_EQ(e["kind"], "found");
    EXPECT_EQ(e["type"], 255);
    found.emplace_back(e["start"], e["sectors"]);
  }
  EXPECT_EQ(found, (std::vector<std::pair<uint64_t, uint32_t>>{
                       {2048, 8192}, {12288, 8192}, {24576, 8192}, {36865, 16383}}));
  EXPECT_EQ(out["entries"][2]["label"], "LOGICALTWO");
}

TEST(FindPartitionsCommandTest, RangeInMegabytesLimitsTheSearch) {
  // 12 MB to 20 MB: sectors 24576 to 40960, read in whole chunks.
  const auto run = RunCli("--no-devices --image " + Image("partitions/extended-wiped.img") +
                          " find-partitions 0 --start-mb 20 --end-mb 12");
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("正在开始智能扫描 ...\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("    0  FF         24576        8192  found     LOGICALTWO\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("    1  FF         36865       16383  found"), std::string::npos);
  EXPECT_EQ(run.out.find("12288"), std::string::npos);
}

TEST(FindPartitionsCommandTest, RefusesRangesPastTheEndAndUnknownDrives) {
  const std::string image = Image("partitions/at63.img");
  EXPECT_EQ(RunCli("--no-devices --image " + image + " find-partitions 0 --start-mb 40 --end-mb 90").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices --image " + image + " find-partitions 0 --start-mb 5 --end-mb 5").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices --image " + image + " find-partitions 3").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices --image " + image + " find-partitions -67").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices find-partitions /nonexistent.img").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices --image " + image + " find-partitions 0 --start-mb 39").exitCode, 0);
}

}  // namespace
}  // namespace tarnwell::cli
