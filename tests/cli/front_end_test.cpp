// What scripts and shells rely on beside the commands themselves: the
// version, help per command, the completion script and the progress line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "cli/progress_line.h"
#include "tests/support/fixtures.h"

namespace tarnwell::cli {
namespace {

using testing::RunCli;

TEST(FrontEndTest, VersionAndHelpPerCommand) {
  const testing::CliRun version = RunCli("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "tarnwell-cli " TARNWELL_EXPECTED_VERSION "\n");

  const testing::CliRun help = RunCli("help list");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--deleted"), std::string::npos);
  EXPECT_EQ(help.out, RunCli("list --help").out);

  const testing::CliRun all = RunCli("help");
  EXPECT_EQ(all.exitCode, 0);
  for (const char* command : {"volumes", "list", "recover", "raw-recover", "completion"})
    EXPECT_NE(all.out.find(command), std::string::npos) << command;

  const testing::CliRun unknown = RunCli("help nosuch");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("nosuch"), std::string::npos);
}

// Completes the words given as bash would, through the generated script.
std::string Complete(const std::string& script, const std::string& words, int current) {
  const std::string path = testing::MakeTempFolder("completion") + "/tarnwell-cli";
  std::ofstream(path) << script;
  std::string command = "bash -c 'source " + path + "; COMP_WORDS=(" + words + "); COMP_CWORD=" +
                        std::to_string(current) + "; _tarnwell_cli; echo \"${COMPREPLY[*]}\"'";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  if (pipe) ::pclose(pipe);
  return out;
}

TEST(FrontEndTest, BashCompletionFollowsTheCommandDefinitions) {
  const testing::CliRun run = RunCli("completion bash");
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(Complete(run.out, "tarnwell-cli li", 1), "list\n");
  EXPECT_EQ(Complete(run.out, "tarnwell-cli --no-devices list C: --de", 4), "--deleted\n");
  EXPECT_EQ(Complete(run.out, "tarnwell-cli --qu", 1), "--quiet\n");
  EXPECT_EQ(Complete(run.out, "tarnwell-cli help raw-r", 2), "raw-recover\n");
  EXPECT_EQ(RunCli("completion zsh").exitCode, 2);
}

TEST(FrontEndTest, ProgressLineShowsRateAndTimeLeft) {
  const std::string half = ProgressLine(50, 10.0, 100ull * 1024 * 1024);
  EXPECT_EQ(half, " 50% [############------------]  5.0 MB/s  0:10 left");
  // Nothing to extrapolate from yet; unknown size gives no rate; done
  // gives no time left; nonsense percentages are clamped.
  EXPECT_EQ(ProgressLine(0, 3.0, 1000), "  0% [------------------------]");
  EXPECT_EQ(ProgressLine(25, 30.0, 0), " 25% [######------------------]  1:30 left");
  EXPECT_EQ(ProgressLine(140, 2.0, 2048), "100% [########################]  1.0 KB/s");
  EXPECT_EQ(ProgressLine(1, 40.0, 0), "  1% [------------------------]  1:06:00 left");
}

// What a scan draws on stderr: in a pseudo-terminal (made by `script`) its
// status and progress line, redrawn in place, unless --quiet; in a pipe
// nothing.
std::string ScanStderr(const std::string& options, bool terminal) {
  const std::string list = std::string("'") + TARNWELL_CLI_PATH + "' --no-devices " + options + "list '" +
                           testing::FixturePath("fat/fat16.img") + "'";
  const std::string command =
      terminal ? "script -qec \"" + list + " > /dev/null\" /dev/null" : list + " 2>&1 > /dev/null";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  if (pipe) ::pclose(pipe);
  return out;
}

TEST(FrontEndTest, ProgressOnlyOnATerminalAndNotWhenQuiet) {
  EXPECT_NE(ScanStderr("", true).find("\r\033[K"), std::string::npos);
  EXPECT_EQ(ScanStderr("--quiet ", true), "");
  EXPECT_EQ(ScanStderr("", false), "");
}

}  // namespace
}  // namespace tarnwell::cli
