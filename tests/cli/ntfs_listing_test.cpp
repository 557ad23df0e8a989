// The list and recover commands on NTFS volumes: what the JSON lines say of
// entries the scan made up, of named streams and of stamps.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

#include "tests/support/fixtures.h"
#include "tests/support/json_lines.h"

namespace tarnwell {
namespace {

using testing::FixturePath;
using testing::JsonLines;
using testing::RunCli;

std::vector<nlohmann::ordered_json> ListJson(const std::string& fixture) {
  const testing::CliRun run = RunCli("--no-devices list '" + FixturePath(fixture) + "' --json");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return JsonLines(run.out);
}

TEST(NtfsListingTest, NoSystemFilesAndAMadeUpFolderWithoutStamps) {
  int lost = 0;
  for (const auto& l : ListJson("ntfs/ntfs-mixed.img")) {
    const std::string path = l["path"].get<std::string>();
    EXPECT_EQ(path.find('$'), std::string::npos) << path;
    EXPECT_NE(path.rfind("[Folder]11", 0), 0u) << path;
    if (path.rfind("[Folder]", 0) == 0 && path.find('/') == std::string::npos) {
      ++lost;
      EXPECT_FALSE(l.contains("created") || l.contains("modified") || l.contains("accessed")) << l.dump();
    } else {
      EXPECT_TRUE(l.contains("created") && l.contains("modified") && l.contains("accessed")) << l.dump();
    }
  }
  EXPECT_EQ(lost, 1);
}

nlohmann::ordered_json Line(const std::vector<nlohmann::ordered_json>& lines, const std::string& path) {
  for (const auto& l : lines)
    if (l["path"] == path) return l;
  ADD_FAILURE() << path;
  return {};
}

TEST(NtfsListingTest, NamedStreamsAreEntriesThatSearchAndRecoverFind) {
  const std::string image = "'" + FixturePath("ntfs/ntfs-streams.img") + "'";
  const auto lines = ListJson("ntfs/ntfs-streams.img");
  const auto stream = Line(lines, "report.txt:thumbnail");
  EXPECT_EQ(stream["size"], 20000);
  EXPECT_EQ(stream["folder"], false);
  EXPECT_EQ(stream["modified"], Line(lines, "report.txt")["modified"]);
  EXPECT_EQ(Line(lines, "gone.txt:hidden")["status"], "deleted");
  EXPECT_EQ(Line(lines, "docs:summary")["size"], 5000);
  const auto found = JsonLines(RunCli("--no-devices search " + image + " --name '*:thumb*,*:hid*' --json").out);
  ASSERT_EQ(found.size(), 2u);
  const std::string out = testing::MakeTempFolder("stream_recover");
  const testing::CliRun run =
      RunCli("--no-devices recover " + image + " --out '" + out + "' 'report.txt:thumbnail' docs");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(testing::ShellOutput("cd '" + out + "' && find . -type f | sort"),
            "./docs/notes.bin\n./docs/notes.bin_备注\n./report.txt_thumbnail\n");
}

TEST(NtfsListingTest, StampsKeepTheirHundredNanosecondsInUtc) {
  testing::ScopedTimeZone zone("XST-2");  // the listing does not depend on the local zone
  const auto lines = ListJson("ntfs/ntfs-streams.img");
  // As istat shows them: an odd second, fractions, a year before 1980.
  const auto timed = Line(lines, "timed.txt");
  EXPECT_EQ(timed["modified"], "2023-07-14T09:26:53.1234567Z");
  EXPECT_EQ(timed["accessed"], "2023-07-15T18:01:07.9876543Z");
  EXPECT_EQ(Line(lines, "old.txt")["modified"], "1975-05-06T07:08:09.5000000Z");
  // The search tests the same stamps: 09:26:53.12 local 11:26:53.12, a day
  // in 1975.
  const std::string image = "'" + FixturePath("ntfs/ntfs-streams.img") + "'";
  const auto on = [&](const char* kind, const char* day) {
    std::string names;
    for (const auto& l : JsonLines(RunCli(std::string("--no-devices search ") + image + " --date-kind " + kind +
                                          " --from " + day + " --to " + day + " --json")
                                       .out))
      names += l["name"].get<std::string>() + " ";
    return names;
  };
  EXPECT_EQ(on("modified", "2023-07-14"), "timed.txt ");
  EXPECT_EQ(on("accessed", "1975-05-06"), "old.txt ");
  // A recovered copy carries the nanoseconds.
  const std::string out = testing::MakeTempFolder("timed_recover");
  ASSERT_EQ(RunCli("--no-devices recover " + image + " --out '" + out + "' timed.txt old.txt").exitCode, 0);
  EXPECT_EQ(testing::ShellOutput("stat -c '%y|%x' '" + out + "/timed.txt'"),
            "2023-07-14 11:26:53.123456700 +0200|2023-07-15 20:01:07.987654300 +0200\n");
  EXPECT_EQ(testing::ShellOutput("TZ=UTC stat -c '%y' '" + out + "/old.txt'"),
            "1975-05-06 07:08:09.500000000 +0000\n");
}

}  // namespace
}  // namespace tarnwell
