// The list, recover, search and rescan-damaged commands, run as a user
// would run them, on the FAT fixture images.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
#include <sstream>

#include "tests/support/fixtures.h"
#include "tests/support/json_lines.h"

namespace tarnwell {
namespace {

using testing::FixturePath;
using testing::RunCli;

using testing::JsonLines;

std::string Image(const std::string& name) { return "'" + FixturePath("fat/" + name) + "'"; }

std::set<std::string> Paths(const std::vector<nlohmann::ordered_json>& lines) {
  std::set<std::string> paths;
  for (const auto& l : lines) paths.insert(l["path"].get<std::string>());
  return paths;
}

TEST(ListCommandTest, JsonLinesCarryEveryField) {
  const testing::CliRun run = RunCli("--no-devices list " + Image("fat16.img") + " --json");
  ASSERT_EQ(run.exitCode, 0);
  const auto lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 19u);
  const std::vector<std::string> keys = {"path",    "name",     "folder",   "deleted", "status",
                                         "size",    "created",  "modified", "accessed", "key"};
  // A deleted file says besides how much of its data is still its own.
  std::vector<std::string> deletedFileKeys = keys;
  deletedFileKeys.insert(deletedFileKeys.begin() + 5, "recoverable");
  for (const auto& l : lines) {
    std::vector<std::string> got;
    for (auto it = l.begin(); it != l.end(); ++it) got.push_back(it.key());
    EXPECT_EQ(got, l["deleted"] == true && l["folder"] == false ? deletedFileKeys : keys) << l["path"];
  }
  const auto find = [&](const std::string& path) {
    for (const auto& l : lines)
      if (l["path"] == path) return l;
    ADD_FAILURE() << path;
    return nlohmann::ordered_json();
  };
  const auto deep = find("Docs/Sub/深层文件.bin");
  EXPECT_EQ(deep["name"], "深层文件.bin");
  EXPECT_EQ(deep["size"], 4100);
  EXPECT_EQ(deep["status"], "existing");
  EXPECT_EQ(deep["modified"], "2024-03-01T12:00:00");
  EXPECT_EQ(deep["accessed"], "2024-03-01T00:00:00");
  const auto gone = find("Trash/Inner/图片.png");
  EXPECT_EQ(gone["deleted"], true);
  EXPECT_EQ(gone["status"], "deleted");
  EXPECT_EQ(find("Trash")["folder"], true);
  EXPECT_EQ(find("?one.txt")["deleted"], true);
  EXPECT_GE(find("fragmented.bin")["key"].get<int>(), 2);
}

TEST(ListCommandTest, DeletedOnlyAndDamagedFolders) {
  const auto deleted = JsonLines(RunCli("--no-devices list " + Image("fat16.img") + " --deleted --json").out);
  EXPECT_EQ(Paths(deleted), (std::set<std::string>{"?ELETED.BIN", "?one.txt", "Gone Long Name.jpg",
                                                   "Trash", "Trash/old letter.txt", "Trash/Inner",
                                                   "Trash/Inner/图片.png"}));
  const auto fat32 = JsonLines(RunCli("--no-devices list " + Image("fat32.img") + " --deleted --json").out);
  // The damaged folder's own cluster is free and no listed folder reaches
  // it (its high word is gone): its entries are listed as lost ones, by
  // their bytes, until a rescan finds the folder.
  EXPECT_EQ(Paths(fat32), (std::set<std::string>{"?emoved.txt", "?IGHDIR", "丢失的条目", "丢失的条目/inside one.txt",
                                                  "丢失的条目/?NSIDE2.BIN"}));
  for (const auto& line : fat32)
    if (line["path"] == "?IGHDIR") EXPECT_EQ(line["status"], "damaged");
  // Text form: one line per entry too.
  const testing::CliRun text = RunCli("--no-devices list " + Image("fat12.img"));
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 63);
}

TEST(ListCommandTest, UnusableVolumesFail) {
  const std::string folder = testing::MakeTempFolder("cli_bad");
  {
    std::vector<uint8_t> zeros(1 << 20, 0);
    FILE* f = std::fopen((folder + "/zeros.img").c_str(), "wb");
    std::fwrite(zeros.data(), 1, zeros.size(), f);
    std::fclose(f);
  }
  EXPECT_EQ(RunCli("--no-devices list '" + folder + "/zeros.img'").exitCode, 1);
  EXPECT_EQ(RunCli("--no-devices list '" + folder + "/missing.img'").exitCode, 2);
}

TEST(RecoverCommandTest, WholeVolumeAndChosenPaths) {
  const std::string out = testing::MakeTempFolder("cli_recover");
  const testing::CliRun all = RunCli("--no-devices recover " + Image("fat16.img") + " --out '" + out + "'");
  EXPECT_EQ(all.exitCode, 0);
  EXPECT_EQ(testing::ReadBinaryFile(out + "/Trash/Inner/图片.png").size(), 7002u);
  EXPECT_EQ(testing::ReadBinaryFile(out + "/fragmented.bin").size(), 12000u);
  EXPECT_EQ(testing::ReadBinaryFile(out + "/@one.txt").size(), 2500u);

  // One path twice into the same folder: nothing is overwritten.
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(RunCli("--no-devices recover " + Image("fat16.img") + " --out '" + out +
                     "' Docs/notes.txt")
                  .exitCode,
              0);
  EXPECT_EQ(testing::ReadBinaryFile(out + "/NOTES.TXT").size(), 300u);
  EXPECT_EQ(testing::ReadBinaryFile(out + "/NOTES_1.TXT").size(), 300u);

  const testing::CliRun missing =
      RunCli("--no-devices recover " + Image("fat16.img") + " --out '" + out + "' No/Such.file");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(RunCli("--no-devices recover " + Image("fat16.img") + " --out '" + out + "/absent'").exitCode, 2);
}

TEST(SearchCommandTest, NamesSizesFoldersAndDates) {
  auto search = [](const std::string& args) {
    const testing::CliRun run = RunCli("--no-devices search " + Image("fat16.img") + " --json " + args);
    EXPECT_EQ(run.exitCode, 0) << args;
    return Paths(JsonLines(run.out));
  };
  EXPECT_EQ(search("--name '*.TXT' --deleted-only"),
            (std::set<std::string>{"?one.txt", "Trash/old letter.txt"}));
  EXPECT_EQ(search("--name '*.TXT' --deleted-only --case"), (std::set<std::string>{}));
  EXPECT_EQ(search("--under Docs"),
            (std::set<std::string>{"Docs/NOTES.TXT", "Docs/report 2024.doc", "Docs/Sub",
                                   "Docs/Sub/深层文件.bin"}));
  EXPECT_EQ(search("--min-kb 4 --max-kb 5"),
            (std::set<std::string>{"Docs/Sub/深层文件.bin", "MixedCase Long Name.dat"}));
  EXPECT_EQ(search("--name '*.jpg,*.png'"),
            (std::set<std::string>{"Gone Long Name.jpg", "Trash/Inner/图片.png"}));
  EXPECT_EQ(search("--date-kind modified --from 2024-03-02").size(), 0u);
  EXPECT_EQ(search("--date-kind modified --from 2024-03-01 --to 2024-03-01").size(), 19u);
  EXPECT_EQ(RunCli("--no-devices search " + Image("fat16.img") + " --from 2024-13-01").exitCode, 2);
}

TEST(RescanDamagedCommandTest, FindsTheFolderAndListsIt) {
  const testing::CliRun run =
      RunCli("--no-devices rescan-damaged " + Image("fat32.img") + " '?IGHDIR' --json");
  ASSERT_EQ(run.exitCode, 0);
  const auto lines = JsonLines(run.out);
  EXPECT_EQ(Paths(lines), (std::set<std::string>{"?IGHDIR", "?IGHDIR/inside one.txt",
                                                 "?IGHDIR/?NSIDE2.BIN"}));
  EXPECT_EQ(lines[0]["key"].get<uint32_t>() >> 16, 1u);
  EXPECT_EQ(RunCli("--no-devices rescan-damaged " + Image("fat32.img") + " keep.txt").exitCode, 2);
}

}  // namespace
}  // namespace tarnwell
