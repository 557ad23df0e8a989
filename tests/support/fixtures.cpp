#include "tests/support/fixtures.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>
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

void ScopedDeviceTable::AddLockedDisk(const std::string& kernelName, int error) {
  platform::BlockDeviceInfo info;
  info.kernelName = kernelName;
  info.devicePath = "/dev/" + kernelName;
  info.sizeBytes = 4u << 20;
  platform::DeviceTable::Instance().AddBlockDevices({info}, [error](const std::string&) {
    errno = error;
    return platform::UniqueFd();
  });
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

std::string AssembledSparseImage(const std::string& layout) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(layout).parent_path();
  const std::string image = FixturePath((folder / fs::path(layout).stem()).string() + ".img");
  uint64_t size = 0;
  std::vector<std::pair<std::string, uint64_t>> pieces;
  std::istringstream lines(ReadTextFile(FixtureSourcePath(layout)));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    uint64_t number = 0;
    fields >> name >> number;
    if (name == "size")
      size = number;
    else
      pieces.emplace_back(FixturePath((folder / name).string()), number);
  }
  // An image older than a piece was built from an earlier version of it.
  bool fresh = fs::exists(image);
  for (const auto& piece : pieces)
    fresh = fresh && fs::last_write_time(piece.first) <= fs::last_write_time(image);
  if (fresh) return image;
  // Built under a temporary name and renamed, so that tests running at the
  // same time never see half an image.
  const std::string partial = image + ".part" + std::to_string(::getpid());
  { std::ofstream create(partial, std::ios::binary | std::ios::trunc); }
  fs::resize_file(partial, size);
  {
    std::fstream out(partial, std::ios::in | std::ios::out | std::ios::binary);
    for (const auto& [path, offset] : pieces) {
      const std::vector<uint8_t> bytes = ReadBinaryFile(path);
      out.seekp(static_cast<std::streamoff>(offset));
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
  }
  fs::rename(partial, image);
  return image;
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

std::string ShellOutput(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

ScopedTimeZone::ScopedTimeZone(const char* zone) {
  if (const char* tz = std::getenv("TZ")) saved_ = tz;
  ::setenv("TZ", zone, 1);
  ::tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (saved_)
    ::setenv("TZ", saved_->c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
}

std::string WriteTempImage(const std::vector<uint8_t>& bytes, const std::string& hint, const std::string& name) {
  const std::string path = MakeTempFolder(hint) + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::vector<std::vector<std::string>> TabSeparatedRows(const std::string& relative) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(ReadTextFile(FixtureSourcePath(relative)));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string>& cells = rows.emplace_back();
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
  }
  return rows;
}

std::vector<ManifestRow> ManifestRows(const std::string& manifest) {
  std::vector<ManifestRow> rows;
  for (const std::vector<std::string>& f : TabSeparatedRows(manifest)) {
    if (f.size() != 10 || f[7].empty() || f[7].find_first_not_of("0123456789") != std::string::npos) continue;
    rows.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6], std::stoull(f[7]), f[8], f[9]});
  }
  return rows;
}

std::string Sha256OfFile(const std::string& path) {
  std::string out;
  FILE* pipe = ::popen(("sha256sum '" + path + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buffer[128];
  if (std::fgets(buffer, sizeof buffer, pipe) && std::strlen(buffer) >= 64) out.assign(buffer, 64);
  ::pclose(pipe);
  return out;
}

std::multiset<std::string> HashesBelow(const std::string& folder) {
  std::multiset<std::string> hashes;
  FILE* pipe = ::popen(("find '" + folder + "' -type f -print0 | xargs -0 -r sha256sum").c_str(), "r");
  if (!pipe) return hashes;
  char line[8192];
  while (std::fgets(line, sizeof line, pipe)) hashes.insert(std::string(line, 64));
  ::pclose(pipe);
  return hashes;
}

}  // namespace tarnwell::testing
