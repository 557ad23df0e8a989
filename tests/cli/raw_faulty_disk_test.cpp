// A raw recovery from a disk that really fails reads: the demo disk served
// through a FUSE file system that answers EIO for one sector, so every read
// the program makes crosses the kernel as a failing disk's would. Skipped
// where this machine cannot mount FUSE file systems.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "tests/support/fixtures.h"
#include "tests/support/json_lines.h"

namespace tarnwell {
namespace {

namespace fs = std::filesystem;
using testing::FixturePath;
using testing::JsonLines;
using testing::RunCli;

// The failing disk, mounted for the life of the object.
class FaultyDiskMount {
 public:
  FaultyDiskMount(const std::string& image, const std::string& badSectors) {
    mount_ = testing::MakeTempFolder("fuse-mount");
    pid_ = ::fork();
    if (pid_ == 0) {
      const std::string bad = "--bad=" + badSectors;
      ::execl("/usr/bin/python3", "python3", TARNWELL_FAULTY_DISK_SCRIPT, image.c_str(), mount_.c_str(),
              bad.c_str(), "--bad-ms=0", "--slow-ms=0", "--fail-whole", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 100 && pid_ > 0; ++i) {
      if (fs::exists(Disk())) return;
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) break;  // it could not mount
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    Stop();
  }
  ~FaultyDiskMount() { Stop(); }
  bool Mounted() const { return pid_ > 0; }
  std::string Disk() const { return mount_ + "/disk.img"; }

 private:
  void Stop() {
    if (pid_ <= 0) return;
    testing::ShellOutput("fusermount -u '" + mount_ + "' 2>/dev/null");
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  std::string mount_;
  pid_t pid_ = -1;
};

bool FuseUsable() {
  return ::access("/dev/fuse", R_OK | W_OK) == 0 && ::access("/usr/bin/fusermount", X_OK) == 0 &&
         testing::ShellOutput("/usr/bin/python3 -c 'import fusepy' 2>/dev/null && echo yes") == "yes\n";
}

TEST(RawRecoverFaultyDiskTest, AnUnreadableSectorCostsTheFileThatHoldsItAndNothingElse) {
  if (!FuseUsable()) GTEST_SKIP() << "no FUSE here (/dev/fuse, fusermount, python3-fusepy)";
  // Sector 3218 lies in "Quarterly Report 2024.txt" of the FAT32 partition,
  // inside the 1000-sector chunk that holds all of its folders.
  const std::string image = FixturePath("demo/demo-disk.img");
  FaultyDiskMount failing(image, "3218+1");
  if (!failing.Mounted()) GTEST_SKIP() << "the FUSE file system did not mount";
  const std::string disk = "--no-devices --image '" + failing.Disk() + "' ";

  const testing::CliRun scan = RunCli(disk + "raw-scan 0:2 --json");
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  const auto summary = JsonLines(scan.out).front();
  EXPECT_EQ(summary["fat_entries"], 16) << "as many as on a sound disk";
  int badLines = 0;
  for (const auto& line : summary["log"]) badLines += line["text"] == "无法读取扇区 3218";
  EXPECT_EQ(badLines, 1) << summary["log"].dump();

  const std::string folder = testing::MakeTempFolder("fuse-out");
  const testing::CliRun run = RunCli(disk + "raw-recover 0:2 --out '" + folder + "/failing'");
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.out.find("Quarterly Report 2024.txt - 恢复失败"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("1 failed or incomplete"), std::string::npos) << run.err;

  // Every other file is what a sound read of the same disk gives.
  const testing::CliRun sound = RunCli("--no-devices --image '" + image + "' raw-recover 0:2 --out '" + folder +
                                       "/sound'");
  ASSERT_EQ(sound.exitCode, 0) << sound.err;
  size_t compared = 0;
  for (const auto& file : fs::recursive_directory_iterator(folder + "/sound")) {
    if (!file.is_regular_file() || file.path().filename() == "Quarterly Report 2024.txt") continue;
    const fs::path twin = fs::path(folder) / "failing" / fs::relative(file.path(), folder + "/sound");
    ASSERT_TRUE(fs::exists(twin)) << twin;
    EXPECT_EQ(testing::ReadBinaryFile(twin.string()), testing::ReadBinaryFile(file.path().string())) << twin;
    ++compared;
  }
  EXPECT_GE(compared, 10u);
}

}  // namespace
}  // namespace tarnwell
