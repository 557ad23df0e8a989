// tarnwell-cli health on recorded drives: the exact table and verdict of
// each committed recording, the JSON form, and the ways it says no.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

#include "tests/support/fixtures.h"

namespace tarnwell::testing {
namespace {

std::string Recording(const std::string& name) {
  return FixtureSourcePath("health/" + name + ".smart");
}

// A recording file written for one test.
std::string WriteRecording(const std::string& text) {
  const std::string path = MakeTempFolder("replay") + "/drive.smart";
  std::ofstream(path) << text;
  return path;
}

TEST(HealthCli, RecordedDrivesPrintTheExpectedTables) {
  for (const char* name : {"healthy", "warning", "danger"}) {
    const CliRun run = RunCli("health --replay " + Recording(name));
    EXPECT_EQ(run.exitCode, 0) << name;
    EXPECT_EQ(run.out, ReadTextFile(FixtureSourcePath(std::string("health/") + name + ".expected.txt")))
        << name;
  }
}

TEST(HealthCli, DrivesWithoutATableSayWhyAndFail) {
  struct Case {
    const char* name;
    int exitCode;
    const char* message;
  };
  const Case cases[] = {{"enable-fails", 0, nullptr},  // silent, as the window is
                        {"atapi", 1, "读取属性错误。"},  // a CD drive keeps no attributes
                        {"attributes-fail", 1, "读取属性错误。"},
                        {"thresholds-fail", 1, "读取阈值错误。"}};
  for (const Case& c : cases) {
    const CliRun run = RunCli("health --replay " + Recording(c.name));
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
    EXPECT_EQ(run.out, ReadTextFile(FixtureSourcePath(std::string("health/") + c.name + ".expected.txt")))
        << c.name;
    if (c.message)
      EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    else
      EXPECT_EQ(run.err, "");
  }
}

TEST(HealthCli, JsonCarriesRowsAndVerdict) {
  const CliRun run = RunCli("health --replay " + Recording("danger") + " --json");
  ASSERT_EQ(run.exitCode, 0);
  const auto drive = nlohmann::json::parse(run.out);
  EXPECT_EQ(drive["drive"], 0);
  EXPECT_EQ(drive["model"], "TARNWELL REPLAY DISK 80");
  EXPECT_EQ(drive["serial"], "TW0000000003");
  EXPECT_EQ(drive["firmware"], "3.0");
  EXPECT_EQ(drive["capacity"], "74.53 GB");
  EXPECT_EQ(drive["verdict"], 2);
  EXPECT_EQ(drive["report"], " S.M.A.R.T. 报告 该硬盘驱动器处于危险状态，您应该考虑更换此硬盘。");
  const auto& rows = drive["attributes"];
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0]["id"], 5);
  EXPECT_EQ(rows[0]["status"], "危险");
  EXPECT_EQ(rows[0]["raw_value"], 2000);
  EXPECT_EQ(rows[1]["status"], "警告");
  EXPECT_EQ(rows[2]["slot"], 3);  // slot 2 is empty
  EXPECT_EQ(rows[2]["id_text"], "E5");
  EXPECT_EQ(rows[2]["name"], "未知属性");

  const CliRun healthy = RunCli("health --replay " + Recording("healthy") + " --json");
  const auto temperature = nlohmann::json::parse(healthy.out)["attributes"][7];
  EXPECT_EQ(temperature["id_text"], "C2");
  EXPECT_EQ(temperature["raw"], "00003412002D");
  EXPECT_EQ(temperature["average"], "45 摄氏度");
}

TEST(HealthCli, NoDriveFound) {
  const CliRun noIdentify = RunCli("health --replay " + WriteRecording("tarnwell-smart-replay 1\n"));
  EXPECT_EQ(noIdentify.exitCode, 1);
  EXPECT_EQ(noIdentify.out, "");
  // Without the machine's disks there is nothing to ask.
  const CliRun noDevices = RunCli("--no-devices health");
  EXPECT_EQ(noDevices.exitCode, 1);
  EXPECT_EQ(noDevices.out, "");
  const CliRun otherDrive = RunCli("--no-devices health --drive 2 --json");
  EXPECT_EQ(otherDrive.exitCode, 1);
}

TEST(HealthCli, UnreadableThresholdsShowNoVerdict) {
  std::string text = ReadTextFile(Recording("healthy"));
  text = text.substr(0, text.find("[thresholds]"));
  const CliRun run = RunCli("health --replay " + WriteRecording(text));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("S.M.A.R.T.:\n"), std::string::npos);
  EXPECT_EQ(run.out.find("报告"), std::string::npos);
  EXPECT_EQ(run.out.find("属性名称"), std::string::npos);
}

TEST(HealthCli, UsageErrors) {
  EXPECT_EQ(RunCli("health --replay /nonexistent/drive.smart").exitCode, 2);
  EXPECT_EQ(RunCli("health --replay " + WriteRecording("not a recording\n")).exitCode, 2);
  // Drive numbers go past 3 (every drive is listed), but not past one byte.
  EXPECT_EQ(RunCli("health --drive 255").exitCode, 2);
  EXPECT_EQ(RunCli("--no-devices health --drive 4").exitCode, 1);  // no such drive here
  EXPECT_EQ(RunCli("health --drive 0 --replay " + Recording("healthy")).exitCode, 2);
}

}  // namespace
}  // namespace tarnwell::testing
