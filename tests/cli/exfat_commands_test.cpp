// The exFAT fixture volumes through the command-line front end, checked
// against The Sleuth Kit: every path fls lists is listed (deleted ones
// included, and nothing more), and every file comes back as icat and the
// manifest give it.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <sstream>

#include "tests/support/fixtures.h"

namespace tarnwell {
namespace {

using testing::FixturePath;
using testing::RunCli;

// The frozen clock of the fixture script, 2024-03-01 12:00:00 UTC.
constexpr time_t kFixtureStamp = 1709294400;

std::string Image(const std::string& name) { return "'" + FixturePath("exfat/" + name) + "'"; }

std::string Sha256(const std::string& command) {
  const std::string out = testing::ShellOutput(command + " | sha256sum");
  return out.substr(0, out.find(' '));
}

struct TskEntry {
  std::string inode;
  bool folder = false;
  bool deleted = false;
};

// fls -r -p: "r/r * 1926:\tpath". The volume's own metadata (label,
// bitmap, up-case table, boot sector, FAT, orphan folder) is not a file.
std::map<std::string, TskEntry> TskListing(const std::string& image) {
  std::map<std::string, TskEntry> entries;
  std::istringstream in(testing::ShellOutput("fls -r -p " + image));
  for (std::string line; std::getline(in, line);) {
    const size_t tab = line.find(":\t");
    if (tab == std::string::npos) continue;
    const std::string path = line.substr(tab + 2);
    if (line[0] == 'v' || line[0] == 'V' || path[0] == '$' ||
        path.find("(Volume Label Entry)") != std::string::npos)
      continue;
    TskEntry e;
    e.folder = line[0] == 'd';
    e.deleted = line.find(" * ") != std::string::npos;
    const size_t numberStart = line.find_last_of(" ", tab) + 1;
    e.inode = line.substr(numberStart, tab - numberStart);
    entries[path] = e;
  }
  return entries;
}

std::map<std::string, nlohmann::json> Listing(const std::string& image) {
  const testing::CliRun run = RunCli("--no-devices list " + image + " --json");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::map<std::string, nlohmann::json> lines;
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line);) {
    const nlohmann::json j = nlohmann::json::parse(line);
    lines[j["path"].get<std::string>()] = j;
  }
  return lines;
}

struct ManifestFile {
  uint64_t size;
  std::string sha256;
  bool deleted;
};

std::map<std::string, ManifestFile> ManifestFiles(const std::string& image) {
  std::map<std::string, ManifestFile> files;
  for (const testing::ManifestRow& row : testing::ManifestRows("exfat/manifest.tsv"))
    if (row.image == image && row.kind == "file") files[row.path] = {row.size, row.sha256, row.state == "deleted"};
  return files;
}

TEST(ExfatListTest, ListsExactlyWhatTheSleuthKitLists) {
  const auto tsk = TskListing(Image("exfat.img"));
  const auto ours = Listing(Image("exfat.img"));
  ASSERT_GT(tsk.size(), 70u);
  std::set<std::string> tskPaths, ourPaths;
  for (const auto& [path, e] : tsk) tskPaths.insert(path);
  for (const auto& [path, j] : ours) ourPaths.insert(path);
  EXPECT_EQ(ourPaths, tskPaths);
  for (const auto& [path, e] : tsk) {
    const auto it = ours.find(path);
    if (it == ours.end()) continue;
    EXPECT_EQ(it->second["folder"].get<bool>(), e.folder) << path;
    EXPECT_EQ(it->second["deleted"].get<bool>(), e.deleted) << path;
  }
  // Sizes and stamps as written (the clock was frozen at 12:00:00).
  const auto& big = ours.at("big.bin");
  EXPECT_EQ(big["size"], 3000000);
  EXPECT_EQ(big["modified"], "2024-03-01T12:00:00.00Z");  // an instant: its UTC offset is kept
  EXPECT_EQ(ours.at("oldfolder/old report.doc")["status"], "deleted");
}

TEST(ExfatRecoverTest, EveryFileComesBackAsIcatAndTheManifestHaveIt) {
  const std::string out = testing::MakeTempFolder("exfat_recover");
  const testing::CliRun run =
      RunCli("--no-devices recover " + Image("exfat.img") + " --out '" + out + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto tsk = TskListing(Image("exfat.img"));
  const auto manifest = ManifestFiles("exfat.img");
  int compared = 0;
  for (const auto& [path, e] : tsk) {
    if (e.folder) continue;
    const std::string ours = Sha256("cat '" + out + "/" + path + "'");
    EXPECT_EQ(ours, Sha256("icat " + Image("exfat.img") + " " + e.inode)) << path;
    const auto m = manifest.find(path);
    ASSERT_NE(m, manifest.end()) << path;
    EXPECT_EQ(ours, m->second.sha256) << path;
    EXPECT_EQ(m->second.deleted, e.deleted) << path;
    ++compared;
  }
  EXPECT_EQ(compared, static_cast<int>(manifest.size()));
}

// istat's modification ("Written") time of an inode. The fixture volumes
// were written with offset bytes of 0x80 (UTC), and istat reads exFAT
// stamps as wall-clock time, so in UTC it gives the stamps' instants.
time_t TskWritten(const std::string& image, const std::string& inode) {
  const std::string out = testing::ShellOutput("istat -z UTC " + image + " " + inode);
  const size_t at = out.find("Written:\t");
  std::tm tm{};
  if (at == std::string::npos || !::strptime(out.c_str() + at + 9, "%Y-%m-%d %H:%M:%S", &tm)) return -1;
  return ::timegm(&tm);
}

time_t ModifiedTime(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : -1;
}

TEST(ExfatRecoverTest, FilesAndFoldersKeepTheirModificationTimes) {
  // West of UTC: a stamp read as local time instead of with its offset
  // comes out three hours late.
  testing::ScopedTimeZone west("XST+3");
  const std::string out = testing::MakeTempFolder("exfat_times");
  const testing::CliRun run =
      RunCli("--no-devices recover " + Image("exfat.img") + " --out '" + out + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  int folders = 0, files = 0;
  for (const auto& [path, e] : TskListing(Image("exfat.img"))) {
    const time_t expected = TskWritten(Image("exfat.img"), e.inode);
    ASSERT_GT(expected, 0) << path;
    EXPECT_EQ(ModifiedTime(out + "/" + path), expected) << path;
    ++(e.folder ? folders : files);
  }
  EXPECT_EQ(files, static_cast<int>(ManifestFiles("exfat.img").size()));
  EXPECT_EQ(folders, 7) << "the deleted oldfolder and the nested docs folders among them";
}

TEST(ExfatVolumesTest, ShowsTheFileSystemAndTheLabel) {
  const testing::CliRun run =
      RunCli("--no-devices --image " + Image("exfat.img") + " volumes --json");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json line = nlohmann::json::parse(run.out.substr(0, run.out.find('\n')));
  EXPECT_EQ(line["fs"], "exFAT");
  EXPECT_EQ(line["label"], "相机卡 2024");
}

TEST(ExfatSearchTest, NamesDeletedOnlyAndSubtree) {
  auto search = [](const std::string& args) {
    const testing::CliRun run = RunCli("--no-devices search " + Image("exfat.img") + " --json " + args);
    EXPECT_EQ(run.exitCode, 0) << args;
    std::set<std::string> paths;
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);)
      paths.insert(nlohmann::json::parse(line)["path"].get<std::string>());
    return paths;
  };
  EXPECT_EQ(search("--deleted-only --name '*.txt'"),
            (std::set<std::string>{"deleted.txt", "中文目录/已删除的文件.txt", "oldfolder/notes.txt"}));
  EXPECT_EQ(search("--under docs --name '*.bin'"),
            (std::set<std::string>{"docs/fragmented.bin", "docs/interleaved.bin"}));
  // Above 2 MB: only the large file (its 64-bit size is what is compared).
  EXPECT_EQ(search("--min-kb 2048 --max-kb 4096"), (std::set<std::string>{"big.bin"}));
}

TEST(ExfatPartitionSearchTest, FindsTheVolumeWhoseSlotWasWiped) {
  const testing::CliRun run = RunCli("--no-devices --image " + Image("exfat-mbr-wiped.img") +
                                     " find-partitions 0 --json");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json result = nlohmann::json::parse(run.out);
  ASSERT_EQ(result["entries"].size(), 1u);
  const auto& found = result["entries"][0];
  EXPECT_EQ(found["kind"], "found");
  EXPECT_EQ(found["start"], 2048);
  EXPECT_EQ(found["sectors"], 61440);
  EXPECT_EQ(found["label"], "LOSTPART");
}

TEST(ExfatBootRegionTest, TheBackupServesWhenTheMainRegionIsDamaged) {
  const std::string folder = testing::MakeTempFolder("exfat_boot");
  const std::string copy = folder + "/damaged.img";
  ASSERT_EQ(testing::ShellOutput("cp " + Image("exfat.img") + " '" + copy + "' && echo ok"), "ok\n");
  // One byte of the main region's boot code: its checksum fails.
  testing::ShellOutput("printf 'X' | dd of='" + copy + "' bs=1 seek=300 conv=notrunc status=none");
  EXPECT_EQ(Listing("'" + copy + "'").size(), Listing(Image("exfat.img")).size());
  // The backup's checksum sector too: neither region is sound.
  testing::ShellOutput("printf 'X' | dd of='" + copy + "' bs=1 seek=" + std::to_string(23 * 512) +
        " conv=notrunc status=none");
  const testing::CliRun run = RunCli("--no-devices list '" + copy + "'");
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(run.out, "");
}

TEST(ExfatRawScanTest, ADriveLetterScansItsVolumeAndNothingToScanIsSaid) {
  // The volume behind C: is the bare image: its letter finds what its disk
  // entry finds.
  const auto scan = [](const std::string& target) {
    return RunCli("--no-devices --image " + Image("exfat-reformatted.img") + " raw-exfat " + target + " --json");
  };
  const testing::CliRun byEntry = scan("0:0");
  const testing::CliRun byLetter = scan("C:");
  ASSERT_EQ(byEntry.exitCode, 0) << byEntry.err;
  ASSERT_EQ(byLetter.exitCode, 0) << byLetter.err;
  const nlohmann::json entry = nlohmann::json::parse(byEntry.out);
  const nlohmann::json letter = nlohmann::json::parse(byLetter.out);
  EXPECT_GT(letter["sets"].get<int>(), 10);
  EXPECT_EQ(letter["sets"], entry["sets"]);
  EXPECT_EQ(letter["geometry"], entry["geometry"]);
  // An image of no sectors has nothing to scan, by entry or by letter.
  const std::string empty = testing::WriteTempImage({}, "exfat_empty");
  for (const std::string command : {"raw-exfat 0:0", "raw-scan 0:0", "raw-exfat C:"}) {
    const testing::CliRun run = RunCli("--no-devices --image '" + empty + "' " + command);
    EXPECT_EQ(run.exitCode, 2) << command << ": " << run.err;
  }
}

TEST(ExfatRawScanTest, TheReformattedCardGivesBackItsContiguousFiles) {
  // The quick format left a new, empty root; the old folders' clusters
  // still hold their entry sets, free now: the standard scan lists them
  // as lost entries, and nothing else.
  const testing::CliRun listed = RunCli("--no-devices list " + Image("exfat-reformatted.img"));
  EXPECT_EQ(listed.exitCode, 0);
  std::istringstream lines(listed.out);
  int lost = 0;
  for (std::string line; std::getline(lines, line);) {
    EXPECT_NE(line.find("丢失的条目/"), std::string::npos) << line;
    lost += line.find("丢失的条目/entry number ") != std::string::npos;
  }
  EXPECT_EQ(lost, 50);
  EXPECT_NE(listed.out.find("丢失的条目/reports/2024/summary.txt"), std::string::npos);

  const std::string out = testing::MakeTempFolder("exfat_raw");
  testing::ScopedTimeZone west("XST+3");
  const testing::CliRun run = RunCli("--no-devices --image " + Image("exfat-reformatted.img") +
                                     " raw-exfat 0:0 --json --out '" + out + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json result = nlohmann::json::parse(run.out);
  // 4 KiB clusters, heap at sector 4096, as mkfs.exfat laid the old volume out.
  EXPECT_EQ(result["geometry"]["cluster_sectors"], 8);
  EXPECT_EQ(result["geometry"]["heap_start"], 4096);

  std::map<std::string, ManifestFile> byLeaf;
  for (const auto& [path, file] : ManifestFiles("exfat.img"))
    byLeaf[path.substr(path.rfind('/') + 1)] = file;
  int exact = 0;
  bool summaryUnderItsFolders = false;
  for (const auto& item : result["items"]) {
    const std::string path = item["path"];
    if (item["folder"] || !item["contiguous"]) continue;
    const auto m = byLeaf.find(path.substr(path.rfind('/') + 1));
    ASSERT_NE(m, byLeaf.end()) << path;
    EXPECT_EQ(item["size"].get<uint64_t>(), m->second.size) << path;
    EXPECT_EQ(Sha256("cat '" + out + "/" + path + "'"), m->second.sha256) << path;
    EXPECT_EQ(ModifiedTime(out + "/" + path), kFixtureStamp) << path;
    ++exact;
    const std::string tail = "/reports/2024/summary.txt";
    summaryUnderItsFolders |=
        path.size() > tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
  }
  // The old subfolders' files: those of the many-file folder, the nested
  // summary, the Chinese folder's and the photos (deleted ones included).
  EXPECT_GE(exact, 55);
  EXPECT_TRUE(summaryUnderItsFolders);
  // A folder whose own set was found (reports and 2024 below the lost
  // docs folder) gets its times once its files are in.
  int timedFolders = 0;
  for (const auto& item : result["items"]) {
    if (!item["folder"]) continue;
    const std::string path = item["path"];
    EXPECT_EQ(ModifiedTime(out + "/" + path), kFixtureStamp) << path;
    ++timedFolders;
  }
  EXPECT_EQ(timedFolders, 2);
}

}  // namespace
}  // namespace tarnwell
