// list --bodyfile: the body file that fls -r -m writes, compared with fls
// itself on FAT12/16/32, exFAT and NTFS fixtures (made with real tools,
// and made by others on Windows), and read back by mactime.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "cli/body_file.h"
#include "tests/support/fixtures.h"

namespace tarnwell {
namespace {

using testing::FixturePath;
using testing::RunCli;
using testing::ShellOutput;

TEST(BodyFileNameTest, EscapesWhatWouldSplitOrBreakTheLine) {
  struct Case {
    const char* label;
    const char* mount;
    const char* path;
    bool deleted;
    const char* expected;
  };
  const Case cases[] = {
      {"root mount", "/", "docs/a.txt", false, "/docs/a.txt"},
      {"drive letter gets a slash", "C:", "a.txt", false, "C:/a.txt"},
      {"empty mount", "", "a.txt", false, "/a.txt"},
      {"deleted", "/", "old/b.doc", true, "/old/b.doc (deleted)"},
      {"control characters as fls", "/", "a\nb\x01" "c\x7F", false, "/a^b^c^"},
      {"pipe", "/", "a|b", false, "/a%7Cb"},
      {"percent before hex digits", "/", "100%41.txt", false, "/100%2541.txt"},
      {"percent left alone", "/", "100%.txt 5%z 9%A", false, "/100%.txt 5%z 9%A"},
      {"mount point escaped too", "/mnt|x/", "a", false, "/mnt%7Cx/a"},
      {"UTF-8 kept", "/", "文档/报告.txt", false, "/文档/报告.txt"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(cli::BodyFileName(c.mount, c.path, c.deleted), c.expected) << c.label;
}

TEST(BodyFileModeTest, TypesAndPermissionsAsFlsSpellsThem) {
  EXPECT_EQ(cli::BodyFileMode(false, true, false), "r/rrwxrwxrwx");
  EXPECT_EQ(cli::BodyFileMode(true, true, false), "d/drwxrwxrwx");
  EXPECT_EQ(cli::BodyFileMode(false, false, false), "-/rrwxrwxrwx");
  EXPECT_EQ(cli::BodyFileMode(true, false, true), "-/dr-xr-xr-x");
}

// One line of a body file, split at '|'.
struct BodyLine {
  std::string name, address, mode;
  uint64_t size = 0;
  int64_t atime = 0, mtime = 0, ctime = 0, crtime = 0;
  bool deleted = false;
};

std::vector<BodyLine> ParseBody(const std::string& text) {
  std::vector<BodyLine> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, '|');) f.push_back(field);
    EXPECT_EQ(f.size(), 11u) << line;
    if (f.size() != 11) continue;
    BodyLine b;
    b.name = f[1];
    b.address = f[2];
    b.mode = f[3];
    b.size = std::stoull(f[6]);
    b.atime = std::stoll(f[7]);
    b.mtime = std::stoll(f[8]);
    b.ctime = std::stoll(f[9]);
    b.crtime = std::stoll(f[10]);
    const std::string mark = " (deleted)";
    b.deleted = b.name.size() > mark.size() && b.name.compare(b.name.size() - mark.size(), mark.size(), mark) == 0;
    lines.push_back(b);
  }
  return lines;
}

std::string Leaf(const BodyLine& b) {
  std::string name = b.deleted ? b.name.substr(0, b.name.size() - 10) : b.name;
  return name.substr(name.rfind('/') + 1);
}

// Lines that are not compared: fls's virtual files ($MBR, $FAT1,
// $OrphanFiles), the second line it writes for every NTFS entry with its
// $FILE_NAME stamps, named streams, volume labels, the file systems' own
// metadata files (NTFS records 0-15 and those in $Extend, which the list
// shows in a lost folder; exFAT's bitmap and up-case table) and the
// records fls found without a name.
bool IsMetadataOrVirtual(const BodyLine& b) {
  const std::string leaf = Leaf(b);
  return b.mode[0] == 'v' || b.mode[0] == 'V' || b.name.find(" ($FILE_NAME)") != std::string::npos ||
         b.name.find("(Volume Label Entry)") != std::string::npos || leaf.find(':') != std::string::npos ||
         leaf[0] == '$' || b.name.find("/$Extend/") != std::string::npos || leaf.rfind("OrphanFile-", 0) == 0;
}

struct Volume {
  const char* label;
  std::string image;       // fixture path
  std::string ourTarget;   // how tarnwell-cli names the volume
  std::string flsOptions;  // the partition offset, where there is one
  size_t entries = 5;      // at least this many are compared
  // Written by Linux, whose created stamps carry a 10 ms field of exactly
  // 100 (one second). fls 4.11 adds that second only above 100; the body
  // file has it, so there the created time is fls's plus one.
  bool createdSecondAt100 = false;
};

std::map<std::string, BodyLine> ByAddress(const std::vector<BodyLine>& lines, const char* who,
                                          const char* volume) {
  std::map<std::string, BodyLine> by;
  for (const BodyLine& b : lines) {
    const auto [at, added] = by.emplace(b.address, b);
    // fls names a hard-linked NTFS record once per name, and so do we; the
    // first line of an address is compared, and none may come twice.
    if (!added && std::string(who) == "ours" && at->second.name == b.name)
      ADD_FAILURE() << volume << ": two lines for " << b.address << " " << b.name;
  }
  return by;
}

std::vector<BodyLine> Compared(const std::vector<BodyLine>& lines) {
  std::vector<BodyLine> kept;
  for (const BodyLine& b : lines)
    if (!IsMetadataOrVirtual(b)) kept.push_back(b);
  return kept;
}

std::vector<BodyLine> OurBody(const Volume& v) {
  const testing::CliRun run = RunCli("--no-devices " + v.ourTarget + " --bodyfile --mount-point /");
  EXPECT_EQ(run.exitCode, 0) << v.label << ": " << run.err;
  return ParseBody(run.out);
}

std::vector<BodyLine> FlsBody(const Volume& v) {
  return ParseBody(ShellOutput("fls -r -m / " + v.flsOptions + " '" + v.image + "'"));
}

// The same entries by their addresses, the same deleted mark and type,
// and the same four times to the second.
void ExpectSameAsFls(const Volume& v) {
  SCOPED_TRACE(v.label);
  const auto ours = ByAddress(Compared(OurBody(v)), "ours", v.label);
  const auto theirs = ByAddress(Compared(FlsBody(v)), "fls", v.label);
  ASSERT_GE(theirs.size(), v.entries);
  int createdSecondsAdded = 0;
  std::set<std::string> ourAddresses, theirAddresses;
  for (const auto& [a, b] : ours) ourAddresses.insert(a);
  for (const auto& [a, b] : theirs) theirAddresses.insert(a);
  EXPECT_EQ(ourAddresses, theirAddresses);
  for (const auto& [address, t] : theirs) {
    const auto it = ours.find(address);
    if (it == ours.end()) continue;
    const BodyLine& o = it->second;
    EXPECT_EQ(o.deleted, t.deleted) << t.name;
    // The type of the metadata; that of the name too, except where fls
    // found the entry as an orphan, without the directory entry's word.
    EXPECT_EQ(o.mode[2], t.mode[2]) << t.name;
    if (t.name.find("/$OrphanFiles/") == std::string::npos) {
      EXPECT_EQ(o.mode[0], t.mode[0]) << t.name;
    }
    EXPECT_EQ(o.atime, t.atime) << t.name;
    EXPECT_EQ(o.mtime, t.mtime) << t.name;
    EXPECT_EQ(o.ctime, t.ctime) << t.name;
    if (v.createdSecondAt100 && o.crtime == t.crtime + 1) {
      ++createdSecondsAdded;
    } else {
      EXPECT_EQ(o.crtime, t.crtime) << t.name;
    }
  }
  if (v.createdSecondAt100) {
    EXPECT_GT(createdSecondsAdded, 0);
  }
}

bool HaveSleuthKit() { return std::system("command -v fls >/dev/null 2>&1 && command -v mactime >/dev/null 2>&1") == 0; }

// A volume image listed by its path.
Volume Bare(const char* label, const std::string& fixture, size_t entries = 5, bool createdSecondAt100 = false) {
  const std::string image = FixturePath(fixture);
  return {label, image, "list '" + image + "'", "", entries, createdSecondAt100};
}

std::vector<Volume> FatVolumes() {
  return {
      Bare("FAT12 floppy", "base/fat12-floppy.img"),
      Bare("FAT16", "base/fat16.img"),
      Bare("FAT32", "base/fat32.img"),
      Bare("FAT32 with deleted folders", "fat-deleted/fat32-512.img"),
      // Written on Windows: stamps on both sides of a daylight-saving change.
      Bare("FAT12 across daylight saving", "corpus/dftt-05-fat-daylight/daylight.dd", 2),
      Bare("FAT16 with deleted files", "corpus/dftt-06-fat-undel/6-fat-undel.dd"),
      Bare("FAT with a deleted folder of 500 files", "corpus/dfirntfs-fat-deleted/fat_deleted_dir.raw", 500, true),
  };
}

std::vector<Volume> OtherVolumes() {
  const std::string partitioned = FixturePath("corpus/ntfs-samples-win10/ntfs-lastaccess.raw");
  return {
      Bare("exFAT", "exfat/exfat.img"),
      Bare("NTFS", "base/ntfs.img"),
      Bare("NTFS of many kinds", "ntfs/ntfs-mixed.img"),
      // Windows NTFS with deleted files, and one on a partition of a disk.
      Bare("NTFS with deleted files", "corpus/dftt-07-ntfs-undel/7-ntfs-undel.dd"),
      {"NTFS on a partition", partitioned, "--image '" + partitioned + "' list C:", "-o 128"},
  };
}

TEST(BodyFileTest, ListsWhatFlsListsWithItsAddressesAndTimes) {
  if (!HaveSleuthKit()) GTEST_SKIP() << "The Sleuth Kit is not installed";
  // FAT stamps are local time: both sides read them in the zone TZ names.
  testing::ScopedTimeZone utc("UTC");
  for (const Volume& v : FatVolumes()) ExpectSameAsFls(v);
  for (const Volume& v : OtherVolumes()) ExpectSameAsFls(v);
}

TEST(BodyFileTest, FatStampsFollowTheLocalZoneAsFlsReadsThem) {
  if (!HaveSleuthKit()) GTEST_SKIP() << "The Sleuth Kit is not installed";
  // A zone with daylight saving, given by rule (no zone database needed):
  // a stamp read as UTC, or with the wrong side of the change, is an hour
  // or five off.
  testing::ScopedTimeZone eastern("EST5EDT,M4.1.0,M10.5.0");
  for (const Volume& v : FatVolumes()) ExpectSameAsFls(v);
  // NTFS keeps UTC: the zone changes nothing.
  ExpectSameAsFls(OtherVolumes()[1]);
  // The exFAT fixture's stamps carry offset bytes that say UTC: they are
  // read in that zone, not TZ's (fls reads them as local time, five hours
  // off here).
  int seen = 0;
  for (const BodyLine& b : OurBody(OtherVolumes()[0]))
    if (b.name == "/big.bin") {
      ++seen;
      EXPECT_EQ(b.mtime, 1709294400);
    }
  EXPECT_EQ(seen, 1);
}

TEST(BodyFileTest, DeletedOnlyAndTheDriveLetterAsMountPoint) {
  const std::string image = FixturePath("base/fat16.img");
  const testing::CliRun run = RunCli("--no-devices --image '" + image + "' list C: --bodyfile --deleted");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::vector<BodyLine> lines = ParseBody(run.out);
  ASSERT_FALSE(lines.empty());
  for (const BodyLine& b : lines) {
    EXPECT_TRUE(b.deleted) << b.name;
    EXPECT_EQ(b.name.rfind("C:/", 0), 0u) << b.name;
  }
  EXPECT_NE(RunCli("--no-devices list '" + image + "' --bodyfile --json").exitCode, 0);
  EXPECT_NE(RunCli("--no-devices list '" + image + "' --mount-point /").exitCode, 0);
}

TEST(BodyFileTest, MactimeReadsEveryLine) {
  if (!HaveSleuthKit()) GTEST_SKIP() << "The Sleuth Kit is not installed";
  testing::ScopedTimeZone utc("UTC");
  const std::string folder = testing::MakeTempFolder("bodyfile_mactime");
  const std::string body = folder + "/body.txt";
  for (const char* image : {"base/fat16.img", "base/ntfs.img", "exfat/exfat.img"}) {
    SCOPED_TRACE(image);
    const testing::CliRun run = RunCli("--no-devices list '" + FixturePath(image) + "' --bodyfile --mount-point /");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string text = run.out;
    // A name with a '|' and one with "%41", as the writer escapes them.
    text += "0|" + cli::BodyFileName("/", "a|b%41.txt", true) + "|99|r/rrwxrwxrwx|0|0|5|1709294400|1709294400|0|1709294400\n";
    std::ofstream(body) << text;
    // -d: one comma-separated row per entry and time; the name is the last
    // field, in double quotes.
    std::istringstream rows(ShellOutput("mactime -b '" + body + "' -d -y -z UTC"));
    std::set<std::string> named;
    for (std::string row; std::getline(rows, row);) {
      const size_t at = row.find(",\"/");
      if (at != std::string::npos && row.back() == '"') named.insert(row.substr(at + 2, row.size() - at - 3));
    }
    for (const BodyLine& b : ParseBody(text)) {
      if (!b.atime && !b.mtime && !b.ctime && !b.crtime) continue;  // nothing to place on a timeline
      std::string decoded = b.name;
      for (size_t at; (at = decoded.find("%7C")) != std::string::npos;) decoded.replace(at, 3, "|");
      for (size_t at; (at = decoded.find("%25")) != std::string::npos;) decoded.replace(at, 3, "%");
      EXPECT_TRUE(named.count(decoded)) << decoded;
    }
    EXPECT_TRUE(named.count("/a|b%41.txt (deleted)"));
  }
}

}  // namespace
}  // namespace tarnwell
