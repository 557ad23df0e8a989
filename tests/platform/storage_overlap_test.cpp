// Whether an image written somewhere could land on the disk being copied,
// judged over a small sysfs tree of our own: two disks with partitions, a
// device-mapper device on one of them and a loop device whose backing file
// is a real file of the test. The device numbers are of the range kept for
// local use, so that they do not meet the real file system of the test's
// files.
#include "platform/storage_overlap.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>

#include "tests/support/fixtures.h"

namespace tarnwell::platform {
namespace {

namespace fs = std::filesystem;

class FakeSysfs {
 public:
  FakeSysfs() : root_(testing::MakeTempFolder("sysfs")) {
    backing_ = root_ + "/backing.img";
    std::ofstream(backing_) << "image";
    Device("devices/pci/block/sda", "240:0");
    Device("devices/pci/block/sda/sda1", "240:1", true);
    Device("devices/pci/block/sdb", "240:16");
    Device("devices/pci/block/sdb/sdb1", "240:17", true);
    Device("devices/pci/block/sdb/sdb2", "240:18", true);
    Device("devices/virtual/block/dm-0", "241:0");
    fs::create_directories(root_ + "/devices/virtual/block/dm-0/slaves");
    fs::create_directory_symlink("../../../../pci/block/sdb/sdb2", root_ + "/devices/virtual/block/dm-0/slaves/sdb2");
    Device("devices/virtual/block/loop0", "7:250");
    fs::create_directories(root_ + "/devices/virtual/block/loop0/loop");
    std::ofstream(root_ + "/devices/virtual/block/loop0/loop/backing_file") << backing_ << "\n";
    tables.sysfs = root_;
    tables.mountinfo = root_ + "/mountinfo";
    std::ofstream(tables.mountinfo) << "";
  }

  // The file system the backing file lies on.
  dev_t BackingFileSystem() const {
    struct stat st {};
    ::stat(backing_.c_str(), &st);
    return st.st_dev;
  }
  StorageSpot BackingFile() const {
    struct stat st {};
    ::stat(backing_.c_str(), &st);
    return {false, st.st_dev, st.st_ino};
  }
  const std::string& BackingPath() const { return backing_; }
  SystemTables tables;

 private:
  void Device(const std::string& dir, const std::string& numbers, bool partition = false) {
    fs::create_directories(root_ + "/" + dir);
    std::ofstream(root_ + "/" + dir + "/dev") << numbers << "\n";
    if (partition) std::ofstream(root_ + "/" + dir + "/partition") << "1\n";
    fs::create_directories(root_ + "/dev/block");
    fs::create_directory_symlink("../../" + dir, root_ + "/dev/block/" + numbers);
  }
  std::string root_;
  std::string backing_;
};

StorageSpot Block(unsigned majorNumber, unsigned minorNumber) { return {true, makedev(majorNumber, minorNumber), 0}; }

struct OverlapCase {
  const char* what;
  StorageSpot source;
  dev_t fileSystem;
  Overlap expected;
};

TEST(StorageOverlap, AFileSystemOnTheDiskBeingCopiedIsRefusedThroughEveryLayer) {
  FakeSysfs sys;
  const dev_t backingFs = sys.BackingFileSystem();
  const OverlapCase cases[] = {
      {"the disk's own partition", Block(240, 16), makedev(240, 17), Overlap::kSameDisk},
      {"the partition itself", Block(240, 17), makedev(240, 17), Overlap::kSameDisk},
      {"another partition of the same disk", Block(240, 17), makedev(240, 18), Overlap::kSameDisk},
      {"a mapped device on the disk", Block(240, 16), makedev(241, 0), Overlap::kSameDisk},
      {"a partition beside a mapped source", Block(241, 0), makedev(240, 17), Overlap::kSameDisk},
      {"another disk", Block(240, 16), makedev(240, 1), Overlap::kNone},
      {"a partition of another disk", Block(240, 1), makedev(240, 17), Overlap::kNone},
      {"a loop device whose file lies on the disk", Block(major(backingFs), minor(backingFs)), makedev(7, 250),
       Overlap::kSameDisk},
      {"a loop device whose file lies elsewhere", Block(240, 16), makedev(7, 250), Overlap::kNone},
      {"a file system mounted from the source image", sys.BackingFile(), makedev(7, 250), Overlap::kSameFile},
      {"beside the source image", sys.BackingFile(), backingFs, Overlap::kNone},
      {"beside the loop device's file", Block(7, 250), backingFs, Overlap::kNone},
  };
  for (const OverlapCase& c : cases) EXPECT_EQ(DeviceOverlap(c.source, c.fileSystem, sys.tables), c.expected) << c.what;
}

TEST(StorageOverlap, TheSourceFileItselfIsRefused) {
  FakeSysfs sys;
  EXPECT_EQ(DestinationOverlap(sys.BackingFile(), sys.BackingPath(), sys.tables), Overlap::kSameFile);
  // Through the loop device that reads it.
  EXPECT_EQ(DestinationOverlap(Block(7, 250), sys.BackingPath(), sys.tables), Overlap::kSameFile);
  // A new file beside it is fine; so is a path whose folder does not exist.
  EXPECT_EQ(DestinationOverlap(sys.BackingFile(), sys.BackingPath() + ".copy", sys.tables), Overlap::kNone);
  EXPECT_EQ(DestinationOverlap(Block(240, 16), "/nonexistent/folder/x.img", sys.tables), Overlap::kNone);
}

// A file system with no block device of its own (btrfs gives an anonymous
// number) is judged by the device its mount names.
TEST(StorageOverlap, AFileSystemWithoutADeviceNumberIsJudgedByItsMount) {
  FakeSysfs sys;
  std::string node;
  for (const char* candidate : {"/dev/loop0", "/dev/vda", "/dev/sda", "/dev/nvme0n1", "/dev/ram0"}) {
    struct stat st {};
    if (::stat(candidate, &st) == 0 && S_ISBLK(st.st_mode)) {
      node = candidate;
      break;
    }
  }
  if (node.empty()) GTEST_SKIP() << "no block device node to name in a mount";
  struct stat st {};
  ASSERT_EQ(::stat(node.c_str(), &st), 0);
  std::ofstream(sys.tables.mountinfo) << "36 25 0:99 / /data rw,relatime shared:1 - btrfs " << node << " rw\n";
  const StorageSpot source{true, st.st_rdev, 0};
  EXPECT_EQ(DeviceOverlap(source, makedev(0, 99), sys.tables), Overlap::kSameDisk);
  EXPECT_EQ(DeviceOverlap(source, makedev(0, 98), sys.tables), Overlap::kNone);
}

TEST(StorageOverlap, FreeRoomAndFolders) {
  const std::optional<uint64_t> free = FreeBytesIn(testing::MakeTempFolder("room"));
  ASSERT_TRUE(free);
  EXPECT_GT(*free, 0u);
  EXPECT_FALSE(FreeBytesIn("/nonexistent/folder"));
  EXPECT_EQ(FolderOf("a/b.img"), "a");
  EXPECT_EQ(FolderOf("b.img"), ".");
  EXPECT_EQ(FolderOf("/b.img"), "/");
}

}  // namespace
}  // namespace tarnwell::platform
