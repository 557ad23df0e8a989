#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "tests/support/fixtures.h"

namespace tarnwell::cli {
namespace {

using testing::FixturePath;
using testing::RunCli;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Images(std::initializer_list<const char*> fixtures) {
  std::string args = "--no-devices";
  for (const char* f : fixtures) args += " --image '" + FixturePath(f) + "'";
  return args;
}

struct Volume {
  const char* letter;
  int64_t bytes;
  const char* size;
  const char* label;
  const char* fs;
};

void ExpectJsonLines(const std::string& out, const std::vector<Volume>& expected) {
  const auto lines = Lines(out);
  ASSERT_EQ(lines.size(), expected.size()) << out;
  for (size_t i = 0; i < expected.size(); ++i) {
    const auto j = nlohmann::json::parse(lines[i]);
    EXPECT_EQ(j.at("letter"), expected[i].letter);
    EXPECT_EQ(j.at("type"), 3);
    EXPECT_EQ(j.at("total_bytes"), expected[i].bytes);
    EXPECT_EQ(j.at("size_text"), expected[i].size);
    EXPECT_EQ(j.at("label"), expected[i].label);
    EXPECT_EQ(j.at("fs"), expected[i].fs);
  }
}

TEST(VolumesCommand, MbrDiskListsEachPartitionAsJson) {
  const auto run = RunCli(Images({"base/mbr-disk.img"}) + " volumes --json");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  ExpectJsonLines(run.out, {{"C:", 16777216, "16.00 MB", "PRIMARY1", "FAT16"},
                            {"D:", 37748736, "36.00 MB", "PRIMARY2", "FAT32"},
                            {"E:", 4194304, "4.00 MB", "LOGICAL5", "FAT12"},
                            {"F:", 16777216, "16.00 MB", "资料盘", "NTFS"}});
}

TEST(VolumesCommand, DemoDiskAndBareVolumes) {
  auto run = RunCli(Images({"demo/demo-disk.img"}) + " volumes --json");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  ExpectJsonLines(run.out, {{"C:", 37748736, "36.00 MB", "DEMOFAT32", "FAT32"},
                            {"D:", 16777216, "16.00 MB", "DEMONTFS", "NTFS"}});

  // Refused volumes are listed as unrecognised; listing is no scan, so no
  // message box is raised.
  run = RunCli(Images({"base/fat12-floppy.img", "base/ntfs.img",
                       "corpus/dfirntfs-fat-edge/fat_unusual_cluster.raw"}) +
               " volumes --json");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  ExpectJsonLines(run.out, {{"A:", 1474560, "1.41 MB", "FLOPPY12", "FAT12"},
                            {"C:", 16777216, "16.00 MB", "NTFSVOL", "NTFS"},
                            {"D:", 16777216, "16.00 MB", "无名称", "unrecognised"}});
  EXPECT_EQ(run.err, "");
}

TEST(VolumesCommand, TextLinesCarryLetterTypeSizeFsAndLabel) {
  const auto run = RunCli(Images({"demo/demo-disk.img"}) + " volumes");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out;
  const char* expected[][5] = {{"C:", "fixed", "36.00 MB", "FAT32", "DEMOFAT32"},
                               {"D:", "fixed", "16.00 MB", "NTFS", "DEMONTFS"}};
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(lines[i].rfind(expected[i][0], 0), 0u) << lines[i];
    size_t at = 0;
    for (const char* field : expected[i]) {
      const size_t found = lines[i].find(field, at);
      ASSERT_NE(found, std::string::npos) << field << " in " << lines[i];
      at = found + std::strlen(field);
    }
  }
}

TEST(VolumesCommand, MissingOrUnreadableImageExitsWithStatusTwo) {
  const std::string folder = testing::MakeTempFolder("cli");
  for (const std::string& image : {folder + "/no-such.img", folder}) {
    const auto run = RunCli("--no-devices --image '" + image + "' volumes");
    EXPECT_EQ(run.exitCode, 2) << image;
    EXPECT_EQ(run.out, "") << image;
    EXPECT_NE(run.err.find(image), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("cannot open image"), std::string::npos) << run.err;
  }
}

// A FIFO named as an image is refused at once instead of waiting for a
// writer (run under timeout, so a hang shows as status 124).
TEST(VolumesCommand, FifoIsRefusedWithoutWaiting) {
  const std::string fifo = testing::MakeTempFolder("fifo") + "/pipe.img";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string command = std::string("timeout 20 ") + TARNWELL_CLI_PATH +
                              " --no-devices --image '" + fifo + "' volumes >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST(VolumesCommand, UsageErrorsExitWithStatusTwo) {
  EXPECT_EQ(RunCli("--no-devices").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices no-such-command").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices volumes --bogus").exitCode, 2);
  EXPECT_EQ(RunCli("--help").exitCode, 0);
}

}  // namespace
}  // namespace tarnwell::cli
