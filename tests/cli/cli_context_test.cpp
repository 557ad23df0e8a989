#include <gtest/gtest.h>

#include "cli/cli_context.h"
#include "platform/device_table.h"
#include "tests/support/fixtures.h"

namespace tarnwell::cli {
namespace {

using testing::FixturePath;

// VOLUME arguments: a letter names a lettered volume, anything else is an
// image attached on the spot, whose first volume is taken.
TEST(ResolveVolume, LettersAndImagePaths) {
  testing::ScopedDeviceTable table;
  CliContext context;
  context.noDevices = true;
  context.images = {FixturePath("base/mbr-disk.img")};
  const struct {
    std::string argument;
    std::optional<char> letter;
  } cases[] = {
      {"c", 'C'},
      {"D:", 'D'},
      {"f:", 'F'},
      {"G:", std::nullopt},
      {"1:", std::nullopt},
      {FixturePath("base/fat16.img"), 'G'},
      {FixturePath("base/fat12-floppy.img"), 'A'},
      {FixturePath("base/mbr-disk.img"), 'H'},
      {FixturePath("base/no-such.img"), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(context.ResolveVolume(c.argument), c.letter) << c.argument;
  EXPECT_EQ(platform::DeviceTable::Instance().Disks().size(), 4u);
}

// After a failed Prepare (the second image is missing) nothing goes on with
// the half-filled table, not even an image named as the volume.
TEST(ResolveVolume, FailedPrepareStaysFailed) {
  testing::ScopedDeviceTable table;
  CliContext context;
  context.noDevices = true;
  context.images = {FixturePath("base/fat16.img"), FixturePath("base/no-such.img")};
  EXPECT_FALSE(context.Prepare());
  EXPECT_FALSE(context.Prepare());
  EXPECT_EQ(context.ResolveVolume("c"), std::nullopt);
  EXPECT_EQ(context.ResolveVolume(FixturePath("base/ntfs.img")), std::nullopt);
}

}  // namespace
}  // namespace tarnwell::cli
