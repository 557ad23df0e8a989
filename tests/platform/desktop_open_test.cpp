#include "platform/desktop_open.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/fixtures.h"

namespace tarnwell::platform {
namespace {

bool AppearsWithin(const std::string& path, std::chrono::seconds limit) {
  auto until = std::chrono::steady_clock::now() + limit;
  struct stat st {};
  while (std::chrono::steady_clock::now() < until) {
    if (::stat(path.c_str(), &st) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST(SpawnDetached, RunsTheProgramWithArgumentsTakenLiterally) {
  std::string dir = testing::MakeTempFolder("spawn");
  // A shell would expand these; exec must not.
  std::string target = dir + "/$(echo no) 'quoted' *";
  ASSERT_TRUE(SpawnDetached({"touch", target}));
  EXPECT_TRUE(AppearsWithin(target, std::chrono::seconds(10)));
}

TEST(SpawnDetached, ReportsAProgramThatCannotBeStarted) {
  EXPECT_FALSE(SpawnDetached({"tarnwell-no-such-program-here"}));
  EXPECT_FALSE(SpawnDetached({}));
  EXPECT_FALSE(OpenInDesktop(""));
}

}  // namespace
}  // namespace tarnwell::platform
