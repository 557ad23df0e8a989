// Block devices the user may not open: listed as needing authorisation
// rather than left out, and given letters only once a read-only descriptor
// arrives. The real opener meets a file it may not read in a child that
// runs without root, as a user would.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "disk/source_opener.h"
#include "platform/block_devices.h"
#include "platform/device_table.h"
#include "platform/volume_queries.h"
#include "tests/support/fixtures.h"

namespace tarnwell::platform {
namespace {

BlockDeviceInfo Device(const std::string& name, const std::string& path) {
  BlockDeviceInfo info;
  info.kernelName = name;
  info.devicePath = path;
  info.model = "Test Disk";
  info.sizeBytes = 3 * 1024 * 1024;
  info.partitions = {{2048, 2048}};
  return info;
}

UniqueFd OpenOrFailWith(const std::string& path, const std::string& failing, int error) {
  if (path == failing) {
    errno = error;
    return UniqueFd();
  }
  return UniqueFd::OpenReadOnly(path.c_str());
}

TEST(LockedDevicesTest, DeniedDevicesAreListedWithoutLettersOtherFailuresLeftOut) {
  testing::ScopedDeviceTable scope;
  auto& table = DeviceTable::Instance();
  const std::string image = testing::FixturePath("partitions/at2048.img");
  // sda is readable, sdb denied, sdc gone (an empty card reader).
  table.AddBlockDevices({Device("sda", image), Device("sdb", "/dev/locked"), Device("sdc", "/dev/gone")},
                        [](const std::string& path) {
                          return path == "/dev/gone" ? OpenOrFailWith(path, path, ENOMEDIUM)
                                                     : OpenOrFailWith(path, "/dev/locked", EACCES);
                        });
  ASSERT_EQ(table.Disks().size(), 2u);
  EXPECT_FALSE(table.Disks()[0].needsAuthorisation);
  EXPECT_TRUE(table.Disks()[1].needsAuthorisation);
  EXPECT_EQ(table.Disks()[1].sizeBytes, 3u * 1024 * 1024);  // the kernel's figure
  ASSERT_EQ(table.Volumes().size(), 1u);
  EXPECT_EQ(table.Volumes()[0].diskIndex, 0);
  EXPECT_EQ(disk::OpenSourceForDriveCode(1), nullptr);

  // A writable descriptor is refused; a read-only one unlocks the disk and
  // its partition gets the next letter.
  EXPECT_FALSE(table.AuthoriseDisk(1, UniqueFd(::open(image.c_str(), O_RDWR | O_CLOEXEC))));
  EXPECT_TRUE(table.Disks()[1].needsAuthorisation);
  EXPECT_FALSE(table.AuthoriseDisk(0, UniqueFd::OpenReadOnly(image.c_str())));  // not locked
  ASSERT_TRUE(table.AuthoriseDisk(1, UniqueFd::OpenReadOnly(image.c_str())));
  ASSERT_EQ(table.Volumes().size(), 2u);
  EXPECT_EQ(table.Volumes()[1].diskIndex, 1);
  EXPECT_TRUE(QueryDriveReady(table.Volumes()[1].letter));
  EXPECT_NE(disk::OpenSourceForDriveCode(1), nullptr);
}

TEST(LockedDevicesTest, AuthorisingLaterKeepsTheLettersWindowsHoldAndTheRefusalIsKept) {
  testing::ScopedDeviceTable scope;
  auto& table = DeviceTable::Instance();
  const std::string image = testing::FixturePath("partitions/at2048.img");
  // sdb sits between two readable disks; root may still be refused (EPERM).
  table.AddBlockDevices({Device("sda", image), Device("sdb", "/dev/locked"), Device("sdc", image)},
                        [](const std::string& path) { return OpenOrFailWith(path, "/dev/locked", EPERM); });
  EXPECT_EQ(table.Disks()[1].openError, EPERM);
  EXPECT_EQ(table.Disks()[0].openError, 0);
  ASSERT_EQ(table.Volumes().size(), 2u);
  EXPECT_EQ(table.Volumes()[1].letter, 'D');
  ASSERT_TRUE(table.AuthoriseDisk(1, UniqueFd::OpenReadOnly(image.c_str())));
  ASSERT_EQ(table.Volumes().size(), 3u);
  // sdc keeps D:, which a window may be showing; sdb's volume comes next.
  EXPECT_EQ(table.FindVolume('D')->diskIndex, 2);
  EXPECT_EQ(table.FindVolume('E')->diskIndex, 1);
  EXPECT_EQ(table.Disks()[1].openError, 0);
}

TEST(LockedDevicesTest, UnreadableFileIsListedAsNeedingAuthorisationForAPlainUser) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "tarnwell-locked-disk.img";
  {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    std::filesystem::resize_file(file, 1024 * 1024);
  }
  ASSERT_EQ(::chmod(file.c_str(), 0), 0);

  // Root reads anything, so the child gives up root before it looks; the
  // verdict comes back as its exit status.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    auto& table = DeviceTable::Instance();
    table.Reset();
    table.AddBlockDevices({Device("sdq", file.string())});
    const bool listed = table.Disks().size() == 1 && table.Disks()[0].needsAuthorisation &&
                        table.Volumes().empty();
    ::_exit(listed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  std::filesystem::remove(file);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace tarnwell::platform
