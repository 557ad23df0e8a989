// Deleted files whose clusters live files took since: the listing says so
// in both forms, and a recovery that writes them says which ones, counts
// them and does not end in success.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <sstream>

#include "tests/support/fixtures.h"
#include "tests/support/json_lines.h"

namespace tarnwell {
namespace {

using testing::FixturePath;
using testing::RunCli;

std::string Image(const std::string& name) { return "'" + FixturePath("overwritten/" + name) + "'"; }

class OverwrittenCommands : public ::testing::TestWithParam<const char*> {
 protected:
  // FAT shows a deleted short name with '?' for its lost first byte.
  std::string Deleted(const std::string& leaf) const {
    return std::string(GetParam()).rfind("fat16", 0) == 0 ? "DATA/?" + leaf.substr(1) : "DATA/" + leaf;
  }
};

TEST_P(OverwrittenCommands, ListingSaysHowMuchOfEachDeletedFileIsLeft) {
  const testing::CliRun run = RunCli("--no-devices list " + Image(GetParam()) + " --json");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::map<std::string, nlohmann::ordered_json> byPath;
  for (const auto& line : testing::JsonLines(run.out)) byPath[line["path"].get<std::string>()] = line;
  EXPECT_EQ(byPath[Deleted("GONE2.TXT")]["recoverable"], "overwritten");
  EXPECT_EQ(byPath[Deleted("GONE3.TXT")]["recoverable"], "partly-overwritten");
  EXPECT_EQ(byPath[Deleted("GONE1.TXT")]["recoverable"], "intact");
  EXPECT_FALSE(byPath["DATA/KEEP1.TXT"].contains("recoverable")) << "existing files have no state";
  EXPECT_FALSE(byPath["DATA"].contains("recoverable"));

  const testing::CliRun text = RunCli("--no-devices list " + Image(GetParam()) + " --deleted");
  ASSERT_EQ(text.exitCode, 0);
  std::map<std::string, std::string> lineOf;
  std::istringstream lines(text.out);
  for (std::string line; std::getline(lines, line);) lineOf[line.substr(line.rfind("  ") + 2)] = line;
  EXPECT_EQ(lineOf[Deleted("GONE2.TXT")].rfind("deleted  overwritten ", 0), 0u) << lineOf[Deleted("GONE2.TXT")];
  EXPECT_EQ(lineOf[Deleted("GONE3.TXT")].rfind("deleted  partly-overwritten ", 0), 0u);
  EXPECT_EQ(lineOf[Deleted("GONE4.TXT")].rfind("deleted  intact ", 0), 0u);
}

TEST_P(OverwrittenCommands, RecoveryWritesThemButCountsThemApartAndFails) {
  const std::string out = testing::MakeTempFolder("overwritten_cli");
  const testing::CliRun run = RunCli("--no-devices recover " + Image(GetParam()) + " --out '" + out + "'");
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find(", 0 failed or incomplete, 2 overwritten"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("ONE2.TXT:  已被覆盖"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("ONE3.TXT:  部分被覆盖"), std::string::npos) << run.out;

  // Only files nothing took: a plain success.
  const std::string intact = testing::MakeTempFolder("intact_cli");
  const testing::CliRun clean = RunCli("--no-devices recover " + Image(GetParam()) + " --out '" + intact + "' '" +
                                       Deleted("GONE1.TXT") + "' '" + Deleted("GONE4.TXT") + "'");
  EXPECT_EQ(clean.exitCode, 0) << clean.err;
  EXPECT_NE(clean.err.find("2 selected, 0 failed or incomplete, 0 overwritten"), std::string::npos) << clean.err;
}

INSTANTIATE_TEST_SUITE_P(FatAndExfat, OverwrittenCommands,
                         ::testing::Values("fat16-overwritten.img", "exfat-overwritten.img"));

}  // namespace
}  // namespace tarnwell
