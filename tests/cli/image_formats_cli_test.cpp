// The command-line front end on the image-format fixtures, as a person
// would run it: every volume lists and recovers exactly what the raw image
// it was made from lists and recovers, and the disk list says the format.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

#include "tests/support/fixtures.h"
#include "tests/support/format_fixtures.h"
#include "tests/support/json_lines.h"

namespace tarnwell {
namespace {

using testing::FixturePath;
using testing::RunCli;

std::string Attach(const std::string& image) { return "--no-devices --image '" + image + "' "; }

// Runs a command and returns its standard output; the command must succeed.
std::string Out(const std::string& arguments) {
  const testing::CliRun run = RunCli(arguments);
  EXPECT_EQ(run.exitCode, 0) << arguments << "\n" << run.err;
  return run.out;
}

TEST(ImageFormatsCli, EveryVolumeListsAndRecoversAsTheRawImageDoes) {
  const auto fixtures =
      testing::FormatFixtures(testing::ReadTextFile(testing::FixtureSourcePath("formats/MANIFEST")));
  ASSERT_GE(fixtures.size(), 10u);
  size_t recovered = 0;  // some fixtures' volumes are empty; most are not
  for (const testing::FormatFixture& f : fixtures) {
    SCOPED_TRACE(f.image + " (" + f.how + ")");
    const std::string raw = Attach(FixturePath(f.raw));
    const std::string image = Attach(FixturePath("formats/" + f.image));
    const std::string volumes = Out(raw + "volumes --json");
    EXPECT_EQ(Out(image + "volumes --json"), volumes);
    for (const auto& volume : testing::JsonLines(volumes)) {
      const std::string letter = volume["letter"];
      SCOPED_TRACE(letter);
      if (volume["fs"] == "unrecognised") continue;
      EXPECT_EQ(Out(image + "list " + letter + " --json"), Out(raw + "list " + letter + " --json"));
      const std::string fromRaw = testing::MakeTempFolder("raw");
      const std::string fromImage = testing::MakeTempFolder("image");
      Out(raw + "recover " + letter + " --out '" + fromRaw + "'");
      Out(image + "recover " + letter + " --out '" + fromImage + "'");
      const auto hashes = testing::HashesBelow(fromRaw);
      recovered += hashes.size();
      EXPECT_EQ(testing::HashesBelow(fromImage), hashes);
    }
    // The partition tables read through the image are the raw image's.
    const auto rawDisks = testing::JsonLines(Out(raw + "disks --json"));
    const auto imageDisks = testing::JsonLines(Out(image + "disks --json"));
    ASSERT_EQ(imageDisks.size(), rawDisks.size());
    for (size_t i = 0; i + 1 < rawDisks.size(); ++i) EXPECT_EQ(imageDisks[i], rawDisks[i]);  // the volumes
    const auto& disk = imageDisks.back();
    EXPECT_EQ(disk["entries"], rawDisks.back()["entries"]);
    EXPECT_EQ(disk["name"], rawDisks.back()["name"]);
    EXPECT_EQ(disk["disk_kind"], "image");
    EXPECT_EQ(disk["path"], FixturePath("formats/" + f.image));
    EXPECT_NE(disk["format"], "raw");
    EXPECT_EQ(rawDisks.back()["format"], "raw");
  }
  EXPECT_GT(recovered, 100u);
}

TEST(ImageFormatsCli, DisksNamesTheFormatAndAnIncompleteSetIsRefused) {
  const std::string e01 = FixturePath("formats/demo.E01");
  const std::string text = Out(Attach(e01) + "disks");
  EXPECT_NE(text.find("0  物理驱动器 00H (53.00 MB)  108544 sectors  [E01 image " + e01 + "]\n"), std::string::npos)
      << text;

  const std::string folder = testing::MakeTempFolder("incomplete");
  std::filesystem::copy_file(FixturePath("formats/floppy.E01"), folder + "/floppy.E01");
  const testing::CliRun run = RunCli(Attach(folder + "/floppy.E01") + "volumes");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("cannot open image " + folder + "/floppy.E01: the E01 image set is incomplete"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace tarnwell
