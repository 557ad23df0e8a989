// The raw-scan and raw-recover commands on the made raw-scan images.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/fixtures.h"
#include "tests/support/json_lines.h"

namespace tarnwell {
namespace {

using testing::FixturePath;
using testing::JsonLines;
using testing::RunCli;

std::string Raw(const std::string& name) { return "'" + FixturePath("raw/" + name) + "'"; }

TEST(RawScanCommandTest, JsonLinesGiveCountsAndGeometryThenOneLinePerItem) {
  const testing::CliRun run = RunCli("--no-devices raw-scan " + Raw("ntfs-zeroed.img") + ":0 --json");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto lines = JsonLines(run.out);
  ASSERT_FALSE(lines.empty());
  const auto& out = lines.front();
  EXPECT_FALSE(out.contains("items"));
  ASSERT_EQ(lines.size(), 1 + out["ntfs_records"].get<size_t>());
  EXPECT_EQ(out["fat_entries"], 0);
  EXPECT_GT(out["ntfs_records"].get<int>(), 20);
  EXPECT_EQ(out["geometry"]["NtfsClusterSectors"], 8);
  EXPECT_EQ(out["geometry"]["FatDataStartKnown"], false);
  EXPECT_EQ(out["log"].back()["text"],
            "找到 0 个 FAT 条目，" + std::to_string(out["ntfs_records"].get<int>()) + " 个 NTFS 条目");
  std::set<std::string> names;
  for (size_t i = 1; i < lines.size(); ++i) {
    const auto& item = lines[i];
    EXPECT_EQ(item["fs"], "ntfs");
    EXPECT_GT(item["record_sector"].get<uint64_t>(), 0u);
    EXPECT_GE(item["folder"].get<int>(), 0);
    names.insert(item["name"].get<std::string>());
  }
  EXPECT_TRUE(names.count("Long picture name.jpg") && names.count("Docs") && names.count("resident.txt"));
}

TEST(RawScanCommandTest, StaysInsideThePartitionScanned) {
  // On the demo disk the NTFS partition begins right where the FAT32 one
  // ends, inside the FAT32 scan's last 1000-sector chunk: none of its FILE
  // records may be counted as the FAT32 partition's.
  const std::string demo = "'" + FixturePath("demo/demo-disk.img") + "'";
  const testing::CliRun fat = RunCli("--no-devices raw-scan " + demo + ":2 --json");
  ASSERT_EQ(fat.exitCode, 0) << fat.err;
  const auto fatLines = JsonLines(fat.out);
  const auto& fatOut = fatLines.front();
  EXPECT_GT(fatOut["fat_entries"].get<int>(), 10);
  ASSERT_EQ(fatLines.size(), 1 + fatOut["fat_entries"].get<size_t>());
  for (size_t i = 1; i < fatLines.size(); ++i) {
    EXPECT_EQ(fatLines[i]["fs"], "fat");
    EXPECT_TRUE(fatLines[i].contains("cluster") && fatLines[i].contains("dir_sector")) << fatLines[i].dump();
    // The geometry is known on an intact FAT32 volume, so every item that
    // names a cluster inside it has its data's sector.
    if (fatLines[i]["cluster"].get<uint32_t>() >= 2) {
      EXPECT_FALSE(fatLines[i]["data_start"].is_null());
    }
  }
  EXPECT_EQ(fatOut["ntfs_records"], 0);
  const auto ntfsOut = JsonLines(RunCli("--no-devices raw-scan " + demo + ":3 --json").out).front();
  EXPECT_EQ(ntfsOut["fat_entries"], 0);
  EXPECT_GT(ntfsOut["ntfs_records"].get<int>(), 20);
}

TEST(RawRecoverCommandTest, ABadSectorOfAFailingDiskCostsOneFileNotTheScan) {
  // The demo disk attached with a ddrescue map that leaves sector 3218
  // unread: it lies in "Quarterly Report 2024.txt" of the FAT32 partition,
  // in the 1000-sector chunk that holds all of its folders.
  const std::string folder = testing::MakeTempFolder("raw-bad");
  const std::string map = folder + "/demo.map";
  constexpr uint64_t kBad = 3218 * 512, kDisk = 108544 * 512;
  char text[256];
  std::snprintf(text, sizeof text, "0 +\n0 0x%llX +\n0x%llX 0x200 -\n0x%llX 0x%llX +\n",
                static_cast<unsigned long long>(kBad), static_cast<unsigned long long>(kBad),
                static_cast<unsigned long long>(kBad + 512), static_cast<unsigned long long>(kDisk - kBad - 512));
  testing::ShellOutput("printf '" + std::string(text) + "' > '" + map + "'");
  const std::string disk = "--no-devices --image '" + FixturePath("demo/demo-disk.img") + "' --map '" + map + "' ";
  const testing::CliRun scan = RunCli(disk + "raw-scan 0:2 --json");
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  const auto summary = JsonLines(scan.out).front();
  EXPECT_EQ(summary["fat_entries"], 16) << "as many as without the bad sector";
  int badLines = 0;
  for (const auto& line : summary["log"]) badLines += line["text"] == "无法读取扇区 3218";
  EXPECT_EQ(badLines, 1);
  const testing::CliRun run = RunCli(disk + "raw-recover 0:2 --out '" + folder + "/out'");
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.out.find("Quarterly Report 2024.txt - 恢复失败"), std::string::npos) << run.out;
  EXPECT_EQ(run.err.find("0 failed or incomplete"), std::string::npos) << run.err;
}

TEST(RawRecoverCommandTest, FilesWrittenUnderAGuessedGeometryAreCountedUnverified) {
  // The reformatted FAT32 volume: its new boot sector gives the geometry.
  const testing::CliRun asMade = RunCli("--no-devices raw-scan " + Raw("fat32-reformatted.img") + ":0 --json");
  ASSERT_EQ(asMade.exitCode, 0) << asMade.err;
  EXPECT_EQ(JsonLines(asMade.out).front()["geometry"]["FatGeometryFrom"], "boot-sector");
  // Without boot sector, backup and two of its three old folders, only
  // the size table is left: said, and what is written from it is not
  // passed off as recovered.
  std::vector<uint8_t> bytes = testing::ReadBinaryFile(FixturePath("raw/fat32-reformatted.img"));
  for (const uint64_t sector : {0, 6, 1294, 1295})
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(sector * 512), 512, uint8_t{0});
  const std::string image = "'" + testing::WriteTempImage(bytes, "raw-guessed") + "'";
  const testing::CliRun scan = RunCli("--no-devices raw-scan " + image + ":0 --json");
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  EXPECT_EQ(JsonLines(scan.out).front()["geometry"]["FatGeometryFrom"], "guessed");
  const testing::CliRun run =
      RunCli("--no-devices raw-recover " + image + ":0 --out '" + testing::MakeTempFolder("raw-guessed-out") + "'");
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find("2 unverified (FAT geometry guessed)"), std::string::npos) << run.err;
}

TEST(RawScanCommandTest, TextListsFoldersAndTheUndeterminedMarker) {
  const testing::CliRun run = RunCli("--no-devices raw-scan " + Raw("fat32-reformatted.img") + ":0");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("找到 8 个 FAT 条目，0 个 NTFS 条目"), std::string::npos);
  EXPECT_NE(run.out.find("FatClusterSectors 1"), std::string::npos);
  EXPECT_NE(run.out.find("文件夹 000003"), std::string::npos);
  EXPECT_NE(run.out.find("Long picture name.jpg"), std::string::npos);
  const testing::CliRun ntfs = RunCli("--no-devices raw-scan " + Raw("ntfs-zeroed.img") + ":0");
  EXPECT_NE(ntfs.out.find("(undetermined)"), std::string::npos);
}

TEST(RawScanCommandTest, EachTextLineShowsItsJsonItemInFixedColumns) {
  // The text lines are built by hand; printf of the documented layout,
  // fed from the JSON line of the same item, is the oracle.
  for (const char* image : {"fat32-reformatted.img", "ntfs-zeroed.img", "gap.img"}) {
    const testing::CliRun text = RunCli("--no-devices raw-scan " + Raw(image) + ":0");
    const testing::CliRun json = RunCli("--no-devices raw-scan " + Raw(image) + ":0 --json");
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const auto items = JsonLines(json.out);
    ASSERT_GT(items.size(), 1u) << image;
    std::vector<std::string> lines;
    std::istringstream in(text.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_GE(lines.size(), items.size() - 1);
    const size_t first = lines.size() - (items.size() - 1);
    for (size_t i = 1; i < items.size(); ++i) {
      const auto& item = items[i];
      const std::string modified = item["modified"].is_null() ? "-" : item["modified"].get<std::string>();
      char expected[512];
      std::snprintf(expected, sizeof expected, "%-4s  文件夹 %.6d  %-3s  %12lld  %-19s  %s",
                    item["fs"].get<std::string>().c_str(), item["folder"].get<int>(),
                    item["is_dir"].get<bool>() ? "dir" : "", static_cast<long long>(item["size"].get<int64_t>()),
                    modified.c_str(), item["name"].get<std::string>().c_str());
      EXPECT_EQ(lines[first + i - 1], expected) << image << " item " << i;
    }
  }
}

TEST(RawScanCommandTest, RefusesTargetsThatNameNothing) {
  EXPECT_EQ(RunCli("--no-devices raw-scan " + Raw("gap.img") + ":9").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices raw-scan nonsense").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices raw-scan /no/such/image:0").exitCode, 2);
}

TEST(RawRecoverCommandTest, RecoversEachNumberedFolderIntoItsSubfolder) {
  const std::string out = testing::MakeTempFolder("raw-recover");
  const testing::CliRun run = RunCli("--no-devices raw-recover " + Raw("gap.img") + ":3 --out '" + out + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  namespace fs = std::filesystem;
  // On FAT16 the first folder made (DOCS) is cluster 2 itself, so no root
  // is added in front: folders 0, 1 and 2 are DOCS, DOCS/OLD and PICS.
  // DOCS/OLD is inside folder 0 and written only there.
  EXPECT_EQ(fs::file_size(out + "/文件夹 000000/ONE.TXT"), 1u);
  EXPECT_EQ(fs::file_size(out + "/文件夹 000000/OLD/BIG.TXT"), 70000u);
  EXPECT_FALSE(fs::exists(out + "/文件夹 000001"));
  EXPECT_EQ(fs::file_size(out + "/文件夹 000002/Long picture name.jpg"), 123457u);
  const std::vector<uint8_t> report = testing::ReadBinaryFile(out + "/文件夹 000000/Report for the year.txt");
  ASSERT_EQ(report.size(), 5000u);
  EXPECT_EQ(std::string(report.begin(), report.begin() + 8), "b b.txt ");
}

// What a recovery wrote: the top-level names, every folder and file by its
// path below the top level.
struct WrittenTree {
  std::set<std::string> top;
  size_t folders = 0;
  std::multiset<std::string> fileNames;
  std::multiset<std::string> fileHashes;
};

WrittenTree TreeBelow(const std::string& out) {
  WrittenTree tree;
  namespace fs = std::filesystem;
  for (const auto& f : fs::directory_iterator(out)) tree.top.insert(f.path().filename().string());
  for (const auto& f : fs::recursive_directory_iterator(out)) {
    if (f.is_directory()) ++tree.folders;
    if (f.is_regular_file()) tree.fileNames.insert(f.path().filename().string());
  }
  tree.fileHashes = testing::HashesBelow(out);
  return tree;
}

TEST(RawRecoverCommandTest, WritesEachFoundItemOnceInItsPlace) {
  {
    // Folders D nested 1,000 deep on FAT16: the first is cluster 2, the
    // top level; the 999 below it are each written once, inside their
    // parent, and the one file once at the bottom.
    const std::string image = Raw("nested.img");
    const testing::CliRun scan = RunCli("--no-devices raw-scan " + image + ":0 --json");
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_EQ(JsonLines(scan.out).front()["fat_entries"], 1000);  // 999 folders and the file
    const std::string out = testing::MakeTempFolder("raw-nested");
    const testing::CliRun run = RunCli("--no-devices raw-recover " + image + ":0 --out '" + out + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const WrittenTree tree = TreeBelow(out);
    EXPECT_EQ(tree.top, (std::set<std::string>{"文件夹 000000"}));
    EXPECT_EQ(tree.folders, 1000u);
    EXPECT_EQ(tree.fileNames, (std::multiset<std::string>{"LEAF.TXT"}));
    std::string deepest = out + "/文件夹 000000";
    for (int i = 0; i < 999; ++i) deepest += "/D";
    EXPECT_EQ(std::filesystem::file_size(deepest + "/LEAF.TXT"), 3000u);
  }
  {
    // The demo disk's FAT32 partition C:: its root (cluster 2, folder 0)
    // holds every other found folder, so it is the one top-level folder,
    // and each of the 12 files is written once, not again in folders 1-4.
    const std::string demo = "--no-devices --image '" + FixturePath("demo/demo-disk.img") + "' ";
    const std::string out = testing::MakeTempFolder("raw-once");
    const testing::CliRun run = RunCli(demo + "raw-recover C: --out '" + out + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const WrittenTree tree = TreeBelow(out);
    EXPECT_EQ(tree.top, (std::set<std::string>{"文件夹 000000"}));
    EXPECT_EQ(tree.fileNames.size(), 12u);
    EXPECT_EQ(std::set<std::string>(tree.fileNames.begin(), tree.fileNames.end()).size(), 12u);
  }
  {
    // A reformatted FAT32 partition: the new root holds nothing, so DOCS
    // and PICS (folders 1 and 3) are the top level and DOCS/OLD (folder 2)
    // is only inside DOCS; every file comes back once, byte-exact.
    const std::string out = testing::MakeTempFolder("raw-reformatted-once");
    const testing::CliRun run =
        RunCli("--no-devices raw-recover " + Raw("fat32-reformatted.img") + ":0 --out '" + out + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const WrittenTree tree = TreeBelow(out);
    EXPECT_EQ(tree.top, (std::set<std::string>{"文件夹 000001", "文件夹 000003"}));
    EXPECT_EQ(tree.folders, 3u);
    std::multiset<std::string> expected;
    for (const testing::ManifestRow& row : testing::ManifestRows("raw/MANIFEST"))
      if (row.image == "fat32-reformatted.img" && row.kind == "file") expected.insert(row.sha256);
    ASSERT_EQ(expected.size(), 7u);
    EXPECT_EQ(tree.fileHashes, expected);
  }
}

TEST(RawRecoverCommandTest, RecoversTheOldFilesOfAReformattedGptPartition) {
  // Entry 2 of the GPT disk is its basic-data FAT32 partition, formatted
  // again after its files were written.
  const std::string image = "'" + FixturePath("gpt/gpt-reformatted.img") + "'";
  const testing::CliRun scan = RunCli("--no-devices raw-scan " + image + ":2 --json");
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  EXPECT_EQ(JsonLines(scan.out).front()["fat_entries"], 4);  // OLD, two files, and BIG.TXT
  const std::string out = testing::MakeTempFolder("raw-gpt");
  const testing::CliRun run = RunCli("--no-devices raw-recover " + image + ":2 --out '" + out + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::map<std::string, std::string> starts;  // name -> first eight bytes
  for (const auto& f : std::filesystem::recursive_directory_iterator(out))
    if (f.is_regular_file()) {
      const std::vector<uint8_t> bytes = testing::ReadBinaryFile(f.path().string());
      starts[f.path().filename().string() + " " + std::to_string(bytes.size())] =
          std::string(bytes.begin(), bytes.begin() + std::min<size_t>(8, bytes.size()));
    }
  EXPECT_EQ(starts["Report for the year.txt 5000"], "a a.txt ");
  EXPECT_EQ(starts["BIG.TXT 70000"], "b b.txt ");
  EXPECT_EQ(starts["HOLIDAY.JPG 40000"].substr(0, 2), "\xFF\xD8");
}

TEST(RawRecoverCommandTest, ScansAndRecoversPartitionsPastTwoTebibytes) {
  // A sparse 3 TiB GPT disk whose FAT32 (entry 2) and NTFS (entry 4)
  // partitions both begin past sector 2^32.
  const std::string disk = "--no-devices --image '" + testing::AssembledSparseImage("wide/past-2tib.layout") + "' ";
  constexpr uint64_t kFatStart = 4294969344, kNtfsStart = 4295067648, kNtfsEnd = kNtfsStart + 32768;
  std::multiset<std::string> fatFiles, ntfsFiles;
  for (const testing::ManifestRow& row : testing::ManifestRows("wide/MANIFEST"))
    if (row.kind == "file") (row.partition == "1" ? fatFiles : ntfsFiles).insert(row.sha256);
  ASSERT_EQ(fatFiles.size(), 3u);
  ASSERT_EQ(ntfsFiles.size(), 3u);
  {
    const testing::CliRun scan = RunCli(disk + "raw-scan 0:2 --json");
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    const auto lines = JsonLines(scan.out);
    ASSERT_EQ(lines.size(), 7u);  // the summary, DOCS, OLD, PICS and three files
    EXPECT_EQ(lines[0]["geometry"]["FatGeometryFrom"], "boot-sector");
    EXPECT_GT(lines[0]["geometry"]["FatDataStart"].get<uint64_t>(), kFatStart);
    for (size_t i = 1; i < lines.size(); ++i) {
      EXPECT_GT(lines[i]["dir_sector"].get<uint64_t>(), kFatStart) << lines[i];
      EXPECT_GT(lines[i]["data_start"].get<int64_t>(), static_cast<int64_t>(kFatStart)) << lines[i];
    }
    const std::string out = testing::MakeTempFolder("raw-far-fat");
    const testing::CliRun run = RunCli(disk + "raw-recover 0:2 --fs fat --out '" + out + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(testing::HashesBelow(out), fatFiles);
  }
  {
    const testing::CliRun scan = RunCli(disk + "raw-scan 0:4 --json");
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    const auto lines = JsonLines(scan.out);
    ASSERT_GT(lines.size(), 1u);
    EXPECT_EQ(lines[0]["geometry"]["NtfsClusterSectors"], 8);
    for (size_t i = 1; i < lines.size(); ++i) {
      const uint64_t record = lines[i]["record_sector"].get<uint64_t>();
      EXPECT_TRUE(record >= kNtfsStart && record < kNtfsEnd) << lines[i];
    }
    const std::string out = testing::MakeTempFolder("raw-far-ntfs");
    const testing::CliRun run = RunCli(disk + "raw-recover 0:4 --fs ntfs --out '" + out + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::multiset<std::string> got = testing::HashesBelow(out);
    for (const std::string& sha : ntfsFiles) EXPECT_EQ(got.count(sha), 1u) << sha;
  }
}

TEST(RawRecoverCommandTest, CalibratesFromTwoItemsAndChecksTheirNames) {
  const std::string out = testing::MakeTempFolder("raw-calibrate");
  const testing::CliRun run = RunCli("--no-devices raw-recover " + Raw("fat16-zeroed.img") + ":0 --fs fat --out '" +
                                     out + "' --calibrate 1/BIG.TXT 2/NOTES.TXT");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(std::filesystem::file_size(out + "/文件夹 000002/NOTES.TXT"), 51200u);
  // Folder 1 (DOCS/OLD) is written inside folder 0, under its name.
  EXPECT_EQ(std::filesystem::file_size(out + "/文件夹 000000/OLD/small.txt"), 777u);
  EXPECT_EQ(RunCli("--no-devices raw-recover " + Raw("fat16-zeroed.img") + ":0 --out '" + out +
                   "' --calibrate 1/BIG.TXT 2/Missing.txt")
                .exitCode,
            2);
  EXPECT_EQ(RunCli("--no-devices raw-recover " + Raw("fat16-zeroed.img") + ":0 --out '" + out + "' --fs exfat")
                .exitCode,
            2);
}

}  // namespace
}  // namespace tarnwell
