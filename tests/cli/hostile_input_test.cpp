// The recovery and listing commands against crafted volumes and careless
// arguments: nothing is written through a link in the destination, names
// holding "/" are recovered, every failure is said and counted, and bad
// arguments are refused with a message.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/terminal_text.h"
#include "engine/entry_count.h"
#include "tests/engine/exfat/exfat_entry_bytes.h"
#include "tests/engine/fat/fat_test_volume.h"
#include "tests/support/fixtures.h"

namespace tarnwell {
namespace {

namespace fs = std::filesystem;
using testing::RunCli;

constexpr uint8_t kFile = 0x20;
constexpr uint8_t kDir = 0x10;

std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::string WriteImage(const std::vector<uint8_t>& bytes, const std::string& hint) {
  return testing::WriteTempImage(bytes, hint, "volume.img");
}

// A long-name entry holding the whole name (at most 13 characters) in
// front of its short entry.
void LongName(testing::CraftedFat& v, uint32_t sector, uint32_t slot, const std::u16string& name,
              const std::string& short83) {
  uint8_t sum = 0;
  for (char c : short83) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + static_cast<uint8_t>(c));
  std::vector<uint8_t> e(32, 0xFF);
  e[0] = 0x41;
  e[11] = 0x0F;
  e[12] = 0;
  e[13] = sum;
  e[26] = e[27] = 0;
  static const int kAt[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  for (size_t i = 0; i < 13; ++i) {
    const uint16_t ch = i < name.size() ? name[i] : (i == name.size() ? 0 : 0xFFFF);
    e[kAt[i]] = static_cast<uint8_t>(ch & 0xFF);
    e[kAt[i] + 1] = static_cast<uint8_t>(ch >> 8);
  }
  v.Raw(sector, slot, e);
}

// A destination alone in a box: whatever escaped it would show beside it.
struct BoxedOut {
  std::string box = testing::MakeTempFolder("boxed");
  std::string out = box + "/out";
  BoxedOut() { fs::create_directory(out); }
  size_t Beside() const {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(box)) n += e.path() != out;
    return n;
  }
};

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(HostileRecoverTest, TopLevelNamesHoldingSlashAreRecoveredAndCanBeNamedByKey) {
  testing::CraftedFat v(engine::kFat16, 1 + 8 + 1 + 200, 8);
  const uint32_t root = v.RootSector();
  LongName(v, root, 0, u"../evil.bin", "EVIL~1  BIN");
  v.Entry(root, 1, "EVIL~1  BIN", kFile, 5, 3);
  v.SetFat(5, 0xFFFF);
  v.Fill(v.ClusterSector(5), 'e');
  LongName(v, root, 2, u"a/b", "AB~1       ");
  v.Entry(root, 3, "AB~1       ", kDir, 6, 0);
  v.Dots(6, 0);
  v.SetFat(6, 0xFFFF);
  v.Entry(v.ClusterSector(6), 2, "IN      TXT", kFile, 7, 2);
  v.SetFat(7, 0xFFFF);
  v.Fill(v.ClusterSector(7), 'i');
  const std::string image = WriteImage(v.Take(), "slash");

  BoxedOut whole;
  const testing::CliRun run = RunCli("--no-devices recover " + Quote(image) + " --out " + Quote(whole.out));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(FileText(whole.out + "/.._evil.bin"), "eee");
  EXPECT_EQ(FileText(whole.out + "/a_b/IN.TXT"), "ii");
  EXPECT_EQ(whole.Beside(), 0u);

  // The name cannot be given as a path; its key from list --json can.
  const testing::CliRun list = RunCli("--no-devices list " + Quote(image) + " --json");
  int64_t key = -1;
  std::istringstream lines(list.out);
  for (std::string line; std::getline(lines, line);) {
    const auto j = nlohmann::json::parse(line);
    if (j["name"] == "../evil.bin") key = j["key"].get<int64_t>();
  }
  ASSERT_GE(key, 0) << list.out;
  BoxedOut one;
  const testing::CliRun byKey =
      RunCli("--no-devices recover " + Quote(image) + " --out " + Quote(one.out) + " --key " + std::to_string(key));
  EXPECT_EQ(byKey.exitCode, 0) << byKey.err;
  EXPECT_EQ(FileText(one.out + "/.._evil.bin"), "eee");
  EXPECT_FALSE(fs::exists(one.out + "/a_b"));
  EXPECT_EQ(RunCli("--no-devices recover " + Quote(image) + " --out " + Quote(one.out) + " --key 99").exitCode, 1);
}

TEST(HostileRecoverTest, FailuresInsideAFolderAreLoggedCountedAndFailTheRun) {
  testing::CraftedFat v(engine::kFat16, 1 + 8 + 1 + 200, 8);
  const uint32_t root = v.RootSector();
  v.Entry(root, 0, "BOX        ", kDir, 12, 0);
  v.Dots(12, 0);
  v.SetFat(12, 0xFFFF);
  const uint32_t box = v.ClusterSector(12);
  v.Entry(box, 2, "GOOD    TXT", kFile, 20, 10);
  v.SetFat(20, 0xFFFF);
  v.Fill(v.ClusterSector(20), 'g');
  v.Entry(box, 3, "NODATA  BIN", kFile, 1, 700);         // cluster 1 holds no data
  v.Entry(box, 4, "HUGE    BIN", kFile, 40, 0xFFFFFF00u);  // far beyond the volume
  const std::string image = WriteImage(v.Take(), "inside");

  BoxedOut dest;
  const testing::CliRun run = RunCli("--no-devices recover " + Quote(image) + " --out " + Quote(dest.out));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(FileText(dest.out + "/BOX/GOOD.TXT"), std::string(10, 'g'));
  EXPECT_NE(run.out.find("NODATA.BIN:  恢复失败"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("HUGE.BIN:  恢复失败"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("2 failed"), std::string::npos) << run.err;
  // The huge file holds what the volume has from its first cluster on.
  EXPECT_LE(fs::file_size(dest.out + "/BOX/HUGE.BIN"), 200u * 512);
}

// 126 entries share one cluster and each claims almost 4 GiB: legitimate
// cross-links, but together more than the destination can take. Nothing is
// written unless --force says to go on.
TEST(HostileRecoverTest, CrossLinkedEntriesTooLargeForTheDestinationAreRefusedUnlessForced) {
  const std::string image = WriteImage(testing::CrossLinkedVolume(), "crosslinked");
  constexpr uint64_t kEach = testing::kCrossLinkedFileClaims;
  constexpr int files = testing::kCrossLinkedFiles;
  BoxedOut dest;
  const engine::RoomCheck room = engine::CheckRoom(dest.out, kEach * files);
  if (room.Fits()) GTEST_SKIP() << "the destination has room for " << room.planned << " bytes";

  const testing::CliRun refused = RunCli("-q --no-devices recover " + Quote(image) + " --out " + Quote(dest.out));
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find(std::to_string(kEach * files) + " bytes"), std::string::npos) << refused.err;
  // Free space moves while the test runs (other writers share the disk), so
  // the figure is checked against this test's own reading within 1 GiB.
  const size_t has = refused.err.find(" has ");
  ASSERT_NE(has, std::string::npos) << refused.err;
  const uint64_t reported = std::stoull(refused.err.substr(has + 5));
  const uint64_t measured = *room.available;
  EXPECT_LE((reported > measured ? reported - measured : measured - reported), uint64_t{1} << 30) << refused.err;
  EXPECT_TRUE(fs::is_empty(dest.out));

  const testing::CliRun forced =
      RunCli("-q --no-devices recover " + Quote(image) + " --out " + Quote(dest.out) + " --force");
  EXPECT_TRUE(fs::exists(dest.out + "/BOX/F000.BIN")) << forced.err;
  EXPECT_TRUE(fs::exists(dest.out + "/BOX/F125.BIN")) << forced.err;
}

TEST(HostileListTest, ControlCodesInNamesNeverReachTheTerminal) {
  testing::CraftedFat v(engine::kFat16, 1 + 8 + 1 + 200, 8);
  LongName(v, v.RootSector(), 0, u"\x1b[2Jx\a\r\n\x9b", "X~1        ");
  v.Entry(v.RootSector(), 1, "X~1        ", kFile, 0, 0);
  const std::string image = WriteImage(v.Take(), "control");
  const testing::CliRun text = RunCli("--no-devices list " + Quote(image));
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("?[2Jx????"), std::string::npos) << text.out;
  for (char c : text.out) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 1) << "no forged lines";
  const testing::CliRun json = RunCli("--no-devices list " + Quote(image) + " --json");
  EXPECT_EQ(nlohmann::json::parse(json.out)["name"], "\x1b[2Jx\a\r\n\xc2\x9b");
  EXPECT_EQ(cli::TerminalSafe("a\x7f\xc2\x85\xc2\xa0" "b"), "a??\xc2\xa0" "b");  // DEL, C1 NEL; not NBSP
  // At the ends, in a row, and a lead byte with nothing after it.
  EXPECT_EQ(cli::TerminalSafe("\x1b" "ab\x01\x02" "c\xc2\x9b"), "?ab??c?");
  EXPECT_EQ(cli::TerminalSafe("x\xc2"), "x\xc2");
  EXPECT_EQ(cli::TerminalSafe(""), "");
  std::string line = "kept ";
  cli::AppendTerminalSafe(line, "a\nb");
  EXPECT_EQ(line, "kept a?b");
}

TEST(HostileListTest, RawExfatNamesAndDirectionControlsNeverReachTheTerminal) {
  // An exFAT entry set found in a raw range, its name holding ESC, BEL,
  // CR, LF and a NUL: shown as "?" each, and the NUL does not cut it.
  std::vector<uint8_t> range(64 * 512, 0);
  static constexpr char kName[] = "x\x1b[2J\a\r\n\0y.txt";
  const std::vector<uint8_t> set = testing::EntrySet(std::string(kName, sizeof kName - 1), 10, 40);
  std::copy(set.begin(), set.end(), range.begin() + 8 * 512);
  const std::string image = WriteImage(range, "raw-exfat-names");
  const testing::CliRun run = RunCli("-q --no-devices --image " + Quote(image) + " raw-exfat 0:0");
  EXPECT_NE(run.out.find("x?[2J????y.txt"), std::string::npos) << run.out;
  for (char c : run.out) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << "no forged lines";

  // Right-to-left override and the other embeddings and isolates (a GPT
  // partition's name, a file name) are controls on a terminal too; other
  // characters of the same block are not.
  EXPECT_EQ(cli::TerminalSafe("evil\u202Etxt.exe"), "evil?txt.exe");
  EXPECT_EQ(cli::TerminalSafe("\u202A\u202B\u202C\u202D\u2066\u2067\u2068\u2069"), "????????");
  EXPECT_EQ(cli::TerminalSafe("a\u2029\u2065\u206A\u2014b"), "a\u2029\u2065\u206A\u2014b");
  EXPECT_EQ(cli::TerminalSafe("end\xe2\x80"), "end\xe2\x80");
}

TEST(HostileRawRecoverTest, ALinkPlantedInTheDestinationIsNotWrittenThrough) {
  BoxedOut dest;
  const std::string elsewhere = testing::MakeTempFolder("elsewhere");
  ASSERT_EQ(::symlink(elsewhere.c_str(), (dest.out + "/文件夹 000000").c_str()), 0);
  const testing::CliRun run = RunCli("--no-devices raw-recover '" + testing::FixturePath("raw/gap.img") +
                                     "':3 --out " + Quote(dest.out));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_EQ(fs::file_size(dest.out + "/文件夹 000000_1/ONE.TXT"), 1u);
  EXPECT_TRUE(fs::is_symlink(dest.out + "/文件夹 000000"));
}

TEST(HostileArgumentsTest, UnusableDestinationsImagesAndBoundsAreRefusedWithAMessage) {
  const std::string folder = testing::MakeTempFolder("bad-args");
  const std::string file = folder + "/plain";
  std::ofstream(file) << "x";
  const std::string gap = "'" + testing::FixturePath("raw/gap.img") + "':3";
  for (const std::string& out : {file, file + "/below"}) {
    const testing::CliRun run = RunCli("--no-devices raw-recover " + gap + " --out " + Quote(out));
    EXPECT_EQ(run.exitCode, 2) << out;
    EXPECT_NE(run.err.find(out), std::string::npos) << run.err;
  }
  for (size_t size : {0, 1, 511}) {
    const std::string image = WriteImage(std::vector<uint8_t>(size, 0xF6), "tiny");
    for (const std::string& command : {"list " + Quote(image), "recover " + Quote(image) + " --out " + Quote(folder)}) {
      const testing::CliRun run = RunCli("--no-devices " + command);
      EXPECT_EQ(run.exitCode, 2) << command;
      EXPECT_NE(run.err.find("too small"), std::string::npos) << command << run.err;
    }
  }
  // A replay "file" that is a FIFO would wait for a writer forever.
  const std::string fifo = folder + "/replay.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& replay : {fifo, folder}) {
    const testing::CliRun run = RunCli("health --replay " + Quote(replay));
    EXPECT_EQ(run.exitCode, 2) << replay;
    EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
  }
  const std::string fat16 = "'" + testing::FixturePath("fat/fat16.img") + "'";
  EXPECT_EQ(RunCli("--no-devices search " + fat16 + " --max-kb -1").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices search " + fat16 + " --min-kb -5").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices search " + fat16 + " --max-kb lots").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices search " + fat16 + " --max-kb 0").exitCode, 0);
}

}  // namespace
}  // namespace tarnwell
