// The carve command and raw-recover --carve on the signature-scan
// fixtures: what is listed, what is written and where, and the exit status.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "tests/support/fixtures.h"
#include "tests/support/json_lines.h"

namespace tarnwell {
namespace {

namespace fs = std::filesystem;
using testing::FixturePath;
using testing::JsonLines;
using testing::RunCli;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }
std::string Samples() { return Quoted(FixturePath("carve/samples.img")); }
std::string Card() { return Quoted(FixturePath("carve/card.img")); }

std::vector<testing::ManifestRow> Rows(const std::string& image) {
  std::vector<testing::ManifestRow> rows;
  for (const auto& row : testing::ManifestRows("carve/MANIFEST"))
    if (row.image == image) rows.push_back(row);
  return rows;
}

// The hashes of every sample that is recovered whole (the damaged one is
// written short), as often as the image holds it.
std::multiset<std::string> Undamaged() {
  std::multiset<std::string> hashes;
  for (const auto& row : Rows("samples.img"))
    if (!row.state.starts_with("damaged")) hashes.insert(row.sha256);
  return hashes;
}

TEST(CarveCommandTest, JsonListsEverySampleWithItsStatusAfterASummary) {
  const testing::CliRun run = RunCli("--no-devices carve " + Samples() + ":0 --json");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto lines = JsonLines(run.out);
  const auto rows = Rows("samples.img");
  ASSERT_EQ(lines.size(), 1 + rows.size());
  const auto& summary = lines.front();
  EXPECT_EQ(summary["found"]["validated"], rows.size() - 2);
  EXPECT_EQ(summary["found"]["joined"], 1);
  EXPECT_EQ(summary["found"]["damaged"], 1);
  EXPECT_EQ(summary["area"]["block_sectors"], 1);
  std::map<uint64_t, nlohmann::ordered_json> bySector;
  for (size_t i = 1; i < lines.size(); ++i) bySector[lines[i]["sector"].get<uint64_t>()] = lines[i];
  for (const auto& row : rows) {
    const auto& item = bySector[std::stoull(row.startSector)];
    const std::string status = row.state == "whole" ? "validated" : row.state.starts_with("fragmented") ? "joined" : "damaged";
    EXPECT_EQ(item["status"], status) << row.path;
    if (status != "damaged") {
      EXPECT_EQ(item["size"], row.size) << row.path;
    }
    EXPECT_EQ(item["pieces"].size(), status == "joined" ? 2u : 1u) << row.path;
  }
}

TEST(CarveCommandTest, RecoversByteExactIntoAFolderPerTypeAndSaysWhenOneIsDamaged) {
  const std::string out = testing::MakeTempFolder("carve-out");
  const testing::CliRun run = RunCli("-q --no-devices carve " + Samples() + ":0 --out " + Quoted(out));
  // The overwritten PNG is written only as far as it validated: incomplete.
  EXPECT_EQ(run.exitCode, 1) << run.err;
  const std::multiset<std::string> written = testing::HashesBelow(out);
  const std::multiset<std::string> expected = Undamaged();
  EXPECT_TRUE(std::includes(written.begin(), written.end(), expected.begin(), expected.end()));
  EXPECT_EQ(written.size(), expected.size() + 1);  // and the damaged PNG's validated part
  for (const auto& row : Rows("samples.img")) {
    if (!row.state.starts_with("damaged")) continue;
    char name[32];
    std::snprintf(name, sizeof name, "/png/damaged/f%07llu.png", std::stoull(row.startSector));
    ASSERT_TRUE(fs::exists(out + name)) << name;
    EXPECT_EQ(fs::file_size(out + name), std::stoull(row.state.substr(8)));
  }
  // The picture's EXIF date (2023-07-14 09:30:12 at +02:00) is its time.
  for (const auto& row : Rows("samples.img")) {
    if (!row.state.starts_with("fragmented")) continue;
    char name[32];
    std::snprintf(name, sizeof name, "/jpg/f%07llu.jpg", std::stoull(row.startSector));
    struct stat st {};
    ASSERT_EQ(::stat((out + name).c_str(), &st), 0) << name;
    EXPECT_EQ(st.st_mtime, 1689319812);
  }
}

TEST(CarveCommandTest, TypesLimitWhatIsFollowedAndAnUnknownTypeIsRefused) {
  const testing::CliRun run = RunCli("--no-devices carve " + Samples() + ":0 --json --types jpg,docx");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto lines = JsonLines(run.out);
  std::set<std::string> types;
  for (size_t i = 1; i < lines.size(); ++i) types.insert(lines[i]["type"].get<std::string>());
  EXPECT_EQ(types, (std::set<std::string>{"jpg", "docx"}));
  EXPECT_EQ(lines.size(), 1u + 10u);  // eight pictures, the one in two pieces, the letter
  EXPECT_EQ(RunCli("--no-devices carve " + Samples() + ":0 --types jpg,nonsense").exitCode, 2);
}

TEST(CarveCommandTest, AVolumeIsSearchedInItsFreeClustersUnlessAllBlocksAreAsked) {
  const std::string out = testing::MakeTempFolder("carve-card");
  const testing::CliRun run =
      RunCli("-q --no-devices --image " + Card() + " carve C: --json --out " + Quoted(out));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto lines = JsonLines(run.out);
  EXPECT_EQ(lines.front()["area"]["searched"], "free clusters of FAT16");
  EXPECT_EQ(lines.front()["area"]["block_sectors"], 4);
  std::multiset<std::string> deleted;
  for (const auto& row : Rows("card.img"))
    if (row.state == "deleted") deleted.insert(row.sha256);
  EXPECT_EQ(testing::HashesBelow(out), deleted);
  const testing::CliRun all = RunCli("--no-devices --image " + Card() + " carve C: --json --all-blocks");
  ASSERT_EQ(all.exitCode, 0) << all.err;
  EXPECT_EQ(JsonLines(all.out).size(), 1u + Rows("card.img").size());
}

TEST(CarveCommandTest, ALinkPlantedInTheDestinationIsNotFollowed) {
  const std::string out = testing::MakeTempFolder("carve-link");
  const std::string elsewhere = testing::MakeTempFolder("carve-elsewhere");
  ASSERT_EQ(::symlink(elsewhere.c_str(), (out + "/jpg").c_str()), 0);
  RunCli("-q --no-devices carve " + Samples() + ":0 --types jpg --out " + Quoted(out));
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_TRUE(fs::is_symlink(out + "/jpg"));
  EXPECT_FALSE(fs::is_empty(out + "/jpg_1"));
}

TEST(RawRecoverCarveTest, CarvedFilesThatFoundEntriesAccountForAreNotWrittenTwice) {
  // On the reformatted FAT32 fixture the raw scan finds every file by
  // name; the signature scan finds their text again, and leaves it out.
  const std::string img = Quoted(FixturePath("raw/fat32-reformatted.img"));
  const std::string out = testing::MakeTempFolder("raw-carve");
  const testing::CliRun run = RunCli("-q --no-devices raw-recover " + img + ":0 --out " + Quoted(out) + " --carve");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("6 left out as found by name"), std::string::npos) << run.err;
  for (const auto& entry : fs::directory_iterator(out))
    EXPECT_TRUE(entry.path().filename().string().starts_with("文件夹")) << entry.path();
  // Where no file system is left, everything comes from the signatures.
  const std::string carved = testing::MakeTempFolder("raw-carve-samples");
  const testing::CliRun samples =
      RunCli("-q --no-devices raw-recover " + Samples() + ":0 --out " + Quoted(carved) + " --carve");
  EXPECT_EQ(samples.exitCode, 1) << samples.err;  // the damaged PNG
  const std::multiset<std::string> written = testing::HashesBelow(carved);
  const std::multiset<std::string> expected = Undamaged();
  EXPECT_TRUE(std::includes(written.begin(), written.end(), expected.begin(), expected.end()));
  EXPECT_EQ(written.size(), expected.size() + 1);
  // A volume by its letter: the card holds only a root folder, which the
  // raw scan does not place, so every file comes from its signature.
  const std::string volume = testing::MakeTempFolder("raw-carve-volume");
  const testing::CliRun card =
      RunCli("-q --no-devices --image " + Card() + " raw-recover C: --out " + Quoted(volume) + " --carve");
  EXPECT_EQ(card.exitCode, 0) << card.err;
  EXPECT_EQ(testing::HashesBelow(volume).size(), Rows("card.img").size());
}

}  // namespace
}  // namespace tarnwell
