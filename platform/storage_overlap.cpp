#include "platform/storage_overlap.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "platform/device_table.h"
#include "platform/unique_fd.h"

namespace tarnwell::platform {
namespace {

namespace fs = std::filesystem;

// Stacks of devices are shallow; the cap only guards against a loop device
// whose backing file lies on itself.
constexpr int kDeepest = 16;

using FileId = std::pair<dev_t, ino_t>;

std::string DevNumbers(dev_t device) {
  return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

std::string FirstLine(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::optional<dev_t> DevOfFile(const fs::path& path) {
  unsigned majorNumber = 0, minorNumber = 0;
  char colon = 0;
  std::istringstream in(FirstLine(path));
  if (!(in >> majorNumber >> colon >> minorNumber) || colon != ':') return std::nullopt;
  return makedev(majorNumber, minorNumber);
}

std::optional<FileId> IdOfPath(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

// Every device a device rests on, itself included, and the backing files of
// the loop devices met on the way (when loops are followed).
class DeviceStack {
 public:
  DeviceStack(const SystemTables& tables, bool followLoops) : tables_(tables), followLoops_(followLoops) {}

  void Add(dev_t device, int depth = 0) {
    if (depth > kDeepest || !devices_.insert(device).second) return;
    std::error_code ec;
    const fs::path dir = fs::canonical(tables_.sysfs + "/dev/block/" + DevNumbers(device), ec);
    // No block device: a file system without one of its own (btrfs and
    // others show an anonymous number); its mount says what it lies on.
    if (ec) return AddMountSource(device, depth);
    if (fs::exists(dir / "partition", ec)) {
      if (const auto disk = DevOfFile(dir.parent_path() / "dev")) Add(*disk, depth + 1);
    }
    for (const auto& member : fs::directory_iterator(dir / "slaves", ec))
      if (const auto dev = DevOfFile(member.path() / "dev")) Add(*dev, depth + 1);
    if (!followLoops_) return;
    if (const auto backing = IdOfPath(FirstLine(dir / "loop" / "backing_file"))) {
      backingFiles_.insert(*backing);
      Add(backing->first, depth + 1);
    }
  }

  bool Meets(const DeviceStack& other) const {
    for (const dev_t device : other.devices_)
      if (devices_.count(device)) return true;
    return false;
  }
  bool RestsOn(const FileId& file) const { return backingFiles_.count(file) > 0; }

 private:
  // mountinfo: "36 25 0:45 / /home rw,relatime shared:1 - btrfs /dev/sdb2 rw"
  void AddMountSource(dev_t device, int depth) {
    std::ifstream in(tables_.mountinfo);
    const std::string numbers = DevNumbers(device);
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      std::string id, parent, devNumbers;
      if (!(words >> id >> parent >> devNumbers) || devNumbers != numbers) continue;
      const size_t dash = line.find(" - ");
      if (dash == std::string::npos) continue;
      std::istringstream tail(line.substr(dash + 3));
      std::string type, source;
      struct stat st {};
      if (tail >> type >> source && !source.empty() && source[0] == '/' && ::stat(source.c_str(), &st) == 0 &&
          S_ISBLK(st.st_mode))
        Add(st.st_rdev, depth + 1);
    }
  }

  const SystemTables& tables_;
  bool followLoops_;
  std::set<dev_t> devices_;
  std::set<FileId> backingFiles_;
};

std::optional<StorageSpot> SpotOfStat(const struct stat& st) {
  if (S_ISBLK(st.st_mode)) return StorageSpot{true, st.st_rdev, 0};
  if (S_ISREG(st.st_mode)) return StorageSpot{false, st.st_dev, st.st_ino};
  return std::nullopt;
}

// The file behind a loop device, the file itself otherwise.
std::optional<FileId> SourceFile(const StorageSpot& source, const SystemTables& tables) {
  if (!source.blockDevice) return FileId{source.device, source.inode};
  return IdOfPath(FirstLine(tables.sysfs + "/dev/block/" + DevNumbers(source.device) + "/loop/backing_file"));
}

Overlap Judge(const StorageSpot& source, dev_t destination, const std::optional<FileId>& destinationFile,
              const SystemTables& tables) {
  DeviceStack below(tables, true);
  below.Add(destination);
  if (source.blockDevice) {
    DeviceStack copied(tables, false);
    copied.Add(source.device);
    if (below.Meets(copied)) return Overlap::kSameDisk;
  }
  const std::optional<FileId> file = SourceFile(source, tables);
  return file && (destinationFile == file || below.RestsOn(*file)) ? Overlap::kSameFile : Overlap::kNone;
}

}  // namespace

std::optional<StorageSpot> SpotOfDescriptor(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return SpotOfStat(st);
}

std::optional<StorageSpot> SpotOfDisk(const PhysicalDisk& disk) {
  const UniqueFd fd = OpenDiskReadOnly(disk);
  return fd.valid() ? SpotOfDescriptor(fd.get()) : std::nullopt;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

Overlap DestinationOverlap(const StorageSpot& source, const std::string& path, const SystemTables& tables) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return Judge(source, st.st_dev, FileId{st.st_dev, st.st_ino}, tables);
  if (::stat(FolderOf(path).c_str(), &st) == 0) return Judge(source, st.st_dev, std::nullopt, tables);
  return Overlap::kNone;  // nowhere to write: creating the file will say so
}

Overlap DeviceOverlap(const StorageSpot& source, dev_t fileSystem, const SystemTables& tables) {
  return Judge(source, fileSystem, std::nullopt, tables);
}

std::optional<uint64_t> FreeBytesIn(const std::string& folder) {
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) return std::nullopt;
  return static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
}

}  // namespace tarnwell::platform
