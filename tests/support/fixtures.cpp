#include "tests/support/fixtures.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "disk/volume_reader.h"
#include "platform/device_table.h"

namespace tarnwell::testing {

std::string FixturePath(const std::string& relative) {
  return std::string(TARNWELL_FIXTURE_DIR) + "/" + relative;
}

std::string FixtureSourcePath(const std::string& relative) {
  return std::string(TARNWELL_FIXTURE_SOURCE_DIR) + "/" + relative;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<uint8_t> ReadBinaryFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

ScopedDeviceTable::ScopedDeviceTable() {
  platform::DeviceTable::Instance().Reset();
  disk::CloseVolumeSources();
}

ScopedDeviceTable::~ScopedDeviceTable() {
  platform::DeviceTable::Instance().Reset();
  disk::CloseVolumeSources();
}

void ScopedDeviceTable::AttachImage(const std::string& path) {
  std::string error;
  ASSERT_TRUE(platform::DeviceTable::Instance().AttachImage(path, &error)) << error;
}

void ScopedDeviceTable::AttachMemory(const std::string& name, std::vector<uint8_t> bytes) {
  platform::DeviceTable::Instance().AttachMemoryImage(
      name, std::make_shared<const std::vector<uint8_t>>(std::move(bytes)));
}

std::string MakeTempFolder(const std::string& hint) {
  namespace fs = std::filesystem;
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = hint;
  if (info) name = std::string(info->test_suite_name()) + "." + info->name() + "." + hint;
  for (char& c : name)
    if (c == '/') c = '_';
  const fs::path dir = fs::temp_directory_path() / "tarnwell-tests" /
                       (name + "." + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

CliRun RunCli(const std::string& arguments) {
  CliRun run;
  char errPath[] = "/tmp/tarnwell-cli-stderr.XXXXXX";
  const int errFd = ::mkstemp(errPath);
  if (errFd < 0) return run;
  ::close(errFd);
  const std::string command =
      std::string(TARNWELL_CLI_PATH) + " " + arguments + " 2>" + errPath;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  run.err = ReadTextFile(errPath);
  ::unlink(errPath);
  return run;
}

}  // namespace tarnwell::testing
