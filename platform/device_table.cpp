#include "platform/device_table.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <linux/fs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/blkid_probe.h"
#include "platform/block_devices.h"
#include "platform/unique_fd.h"

namespace tarnwell::platform {
namespace {

// The largest floppy format (2.88 MB); a bare volume no larger than this on
// an image or a removable device gets A: or B:, as floppy drives did.
constexpr uint64_t kFloppyMaxBytes = 2949120;

// The partitions that hold volumes: an extended container holds tables.
std::vector<std::pair<uint64_t, uint64_t>> VolumesOf(const std::vector<ProbedPartition>& partitions) {
  std::vector<std::pair<uint64_t, uint64_t>> volumes;
  for (const ProbedPartition& p : partitions)
    if (!p.extendedContainer) volumes.emplace_back(p.startSector, p.sectorCount);
  return volumes;
}

VolumeEntry LetteredVolume(int diskIndex, uint64_t start, uint64_t count, bool removable, char letter) {
  VolumeEntry v;
  v.letter = letter;
  v.diskIndex = diskIndex;
  v.startSector = start;
  v.sectorCount = count;
  v.driveType = removable ? kDriveRemovable : kDriveFixed;
  return v;
}

}  // namespace

std::optional<uint64_t> SizeOfOpenFile(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return std::nullopt;
  if (S_ISREG(st.st_mode)) return static_cast<uint64_t>(st.st_size);
  if (S_ISBLK(st.st_mode)) {
    uint64_t bytes = 0;
    if (ioctl(fd, BLKGETSIZE64, &bytes) == 0) return bytes;
  }
  return std::nullopt;
}

std::string DiskKindKey(const PhysicalDisk& disk) { return disk.isImage ? "image" : DiskKindName(disk.kind); }

std::string DiskKindText(const PhysicalDisk& disk) {
  const std::string where = disk.origin.path.empty() ? disk.name : disk.origin.path;
  if (disk.isImage) return disk.format + " image " + where;
  const std::string detail = disk.kind == DiskKind::kDisk ? disk.model : disk.kindDetail;
  return DiskKindKey(disk) + " " + where + (detail.empty() ? "" : ": " + detail);
}

UniqueFd OpenDiskReadOnly(const PhysicalDisk& disk) {
  if (disk.needsAuthorisation || disk.origin.memory || disk.origin.content) return UniqueFd();
  if (disk.origin.descriptor) return UniqueFd(::fcntl(disk.origin.descriptor->get(), F_DUPFD_CLOEXEC, 0));
  return UniqueFd::OpenReadOnly(disk.origin.path.c_str());
}

DeviceTable& DeviceTable::Instance() {
  static DeviceTable table;
  return table;
}

void DeviceTable::Reset() {
  disks_.clear();
  pending_.clear();
  volumes_.clear();
  ++generation_;
}

bool DeviceTable::AttachImage(const std::string& path, std::string* error,
                              std::shared_ptr<const ReadableSectors> readable) {
  // A FIFO given as an image would block the open until some writer came.
  UniqueFd fd = UniqueFd::OpenReadOnlyNoWait(path.c_str());
  if (!fd.valid()) {
    if (error) *error = path + ": " + std::strerror(errno);
    return false;
  }
  const std::optional<uint64_t> size = SizeOfOpenFile(fd.get());
  if (!size) {
    if (error) *error = path + ": not a disk image file or block device";
    return false;
  }
  PhysicalDisk disk;
  disk.origin.path = path;
  disk.name = std::filesystem::path(path).filename().string();
  disk.isImage = true;
  disk.format = "raw";
  // An image written sparse may end before the disk it copies does.
  const uint64_t bytes = readable ? std::max(*size, readable->diskBytes) : *size;
  disk.sizeBytes = bytes;
  disk.origin.readable = std::move(readable);
  AddDisk(std::move(disk), VolumesOf(ProbePartitions(fd.get(), bytes)));
  return true;
}

void DeviceTable::AttachImageContent(const std::string& path, std::shared_ptr<ImageContent> content) {
  PhysicalDisk disk;
  disk.origin.path = path;
  disk.name = std::filesystem::path(path).filename().string();
  disk.isImage = true;
  disk.format = content->FormatName();
  disk.sizeBytes = content->SizeBytes();
  const std::vector<ProbedPartition> partitions = ProbePartitions(*content);
  disk.origin.content = std::move(content);
  AddDisk(std::move(disk), VolumesOf(partitions));
}

void DeviceTable::AttachMemoryImage(const std::string& name,
                                    std::shared_ptr<const std::vector<uint8_t>> bytes) {
  PhysicalDisk disk;
  disk.name = name;
  disk.isImage = true;
  disk.format = "raw";
  disk.sizeBytes = bytes ? bytes->size() : 0;
  disk.origin.memory = std::move(bytes);
  AddDisk(std::move(disk), {});
}

void DeviceTable::AddBlockDevices() {
  AddBlockDevices(ListBlockDevices());
}

void DeviceTable::AddBlockDevices(const std::vector<BlockDeviceInfo>& devices, const DeviceOpener& open) {
  for (const BlockDeviceInfo& dev : devices) {
    UniqueFd fd = open ? open(dev.devicePath) : UniqueFd::OpenReadOnly(dev.devicePath.c_str());
    const int openError = fd.valid() ? 0 : errno;
    const bool denied = openError == EACCES || openError == EPERM;
    // An empty card reader or a vanished device: nothing to list.
    if (!fd.valid() && !denied) continue;
    PhysicalDisk disk;
    disk.origin.path = dev.devicePath;
    disk.name = dev.kernelName;
    disk.model = dev.model;
    disk.kind = dev.kind;
    disk.kindDetail = dev.kindDetail;
    disk.removable = dev.removable;
    disk.needsAuthorisation = denied;
    disk.openError = openError;
    // The kernel's size stands until the device itself can be asked.
    disk.sizeBytes = fd.valid() ? SizeOfOpenFile(fd.get()).value_or(dev.sizeBytes) : dev.sizeBytes;
    std::vector<std::pair<uint64_t, uint64_t>> parts;
    for (const auto& p : dev.partitions) parts.emplace_back(p.startSector, p.sectorCount);
    // The kernel makes no partitions on device-mapper devices, nor on loop
    // devices set up without partition scanning: their tables are read as
    // an image's are.
    if (parts.empty() && fd.valid()) parts = VolumesOf(ProbePartitions(fd.get(), disk.sizeBytes));
    AddDisk(std::move(disk), parts);
  }
}

bool DeviceTable::AuthoriseDisk(int index, UniqueFd descriptor) {
  if (index < 0 || index >= static_cast<int>(disks_.size()) || !descriptor.valid()) return false;
  PhysicalDisk& disk = disks_[static_cast<size_t>(index)];
  if (!disk.needsAuthorisation) return false;
  // Whatever the service hands over, nothing here may be able to write
  // through it.
  const int flags = ::fcntl(descriptor.get(), F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) != O_RDONLY) {
    disk.authorisationNote = "the disk service did not open the disk read-only";
    return false;
  }
  if (const std::optional<uint64_t> size = SizeOfOpenFile(descriptor.get())) disk.sizeBytes = *size;
  disk.origin.descriptor = std::make_shared<const UniqueFd>(std::move(descriptor));
  disk.needsAuthorisation = false;
  disk.authorisationNote.clear();
  disk.openError = 0;
  AssignLettersTo(index);  // its volumes get letters now
  return true;
}

void DeviceTable::SetAuthorisationNote(int index, const std::string& note) {
  if (index >= 0 && index < static_cast<int>(disks_.size())) disks_[static_cast<size_t>(index)].authorisationNote = note;
}

void DeviceTable::AddDisk(PhysicalDisk disk,
                          const std::vector<std::pair<uint64_t, uint64_t>>& partitions) {
  const int index = static_cast<int>(disks_.size());
  const uint64_t diskSectors = disk.sizeBytes / kSectorSize;
  if (partitions.empty()) {
    // A disk without a partition table is one volume.
    const bool floppy = (disk.isImage || disk.removable) && disk.sizeBytes <= kFloppyMaxBytes;
    pending_.push_back({index, 0, diskSectors, floppy});
  } else {
    for (const auto& [start, count] : partitions) {
      if (start >= diskSectors) continue;
      pending_.push_back({index, start, std::min(count, diskSectors - start), false});
    }
  }
  disks_.push_back(std::move(disk));
  AssignLetters();
}

void DeviceTable::AssignLetters() {
  volumes_.clear();
  char floppyLetter = 'A';
  char nextLetter = 'C';
  for (const PendingVolume& p : pending_) {
    // A locked disk's volumes get letters once it is authorised; until
    // then nothing could read them.
    if (disks_[static_cast<size_t>(p.diskIndex)].needsAuthorisation) continue;
    char letter = 0;
    if (p.bareFloppy && floppyLetter <= 'B') letter = floppyLetter++;
    else if (nextLetter <= 'Z') letter = nextLetter++;
    if (!letter) continue;  // more volumes than letters: reachable as disks only
    volumes_.push_back(LetteredVolume(p.diskIndex, p.start, p.count, disks_[static_cast<size_t>(p.diskIndex)].removable, letter));
  }
  ++generation_;
}

void DeviceTable::AssignLettersTo(int diskIndex) {
  auto taken = [this](char letter) {
    return std::any_of(volumes_.begin(), volumes_.end(), [letter](const VolumeEntry& v) { return v.letter == letter; });
  };
  for (const PendingVolume& p : pending_) {
    if (p.diskIndex != diskIndex) continue;
    char letter = 0;
    for (char c = p.bareFloppy ? 'A' : 'C'; c <= 'Z' && !letter; ++c)
      if (!taken(c)) letter = c;
    if (!letter) continue;  // more volumes than letters: reachable as disks only
    volumes_.push_back(LetteredVolume(p.diskIndex, p.start, p.count, disks_[static_cast<size_t>(p.diskIndex)].removable, letter));
  }
  ++generation_;
}

bool RunningAsRoot() { return ::geteuid() == 0; }

const VolumeEntry* DeviceTable::FindVolume(char letter) const {
  for (const VolumeEntry& v : volumes_)
    if (v.letter == letter) return &v;
  return nullptr;
}

const PhysicalDisk* DeviceTable::Disk(int index) const {
  if (index < 0 || index >= static_cast<int>(disks_.size())) return nullptr;
  return &disks_[index];
}

}  // namespace tarnwell::platform
