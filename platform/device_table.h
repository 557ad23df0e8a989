#pragma once
// The process-wide table of physical disks and lettered volumes. It stands
// where the Windows drive letters and "\\.\PhysicalDriveN" names stood: disk
// images given to the program come first, then readable whole-disk block
// devices; every volume on them gets a drive letter.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/block_devices.h"
#include "platform/image_content.h"
#include "platform/unique_fd.h"

namespace tarnwell::platform {

inline constexpr uint64_t kSectorSize = 512;

// The sectors of an image, copied from a failing disk, that hold what was
// read from the disk: [first, end) runs, in order and apart. The disk's
// other sectors were never read; reading them fails, as it did on the disk,
// instead of returning the zeros the image holds there.
struct ReadableSectors {
  uint64_t diskBytes = 0;  // the disk the image copies
  std::vector<std::pair<uint64_t, uint64_t>> runs;
};

// Where the bytes of a disk come from: a file or device path, a read-only
// descriptor handed over by the desktop's disk service (readers duplicate
// it rather than reopen the path they may not open), an image format the
// disk layer decodes (path is then the image's first file), or (for tests
// and fuzzing) an in-memory image.
struct DiskOrigin {
  std::string path;
  std::shared_ptr<const UniqueFd> descriptor;
  std::shared_ptr<ImageContent> content;
  std::shared_ptr<const std::vector<uint8_t>> memory;
  std::shared_ptr<const ReadableSectors> readable;  // null: every sector
};

struct PhysicalDisk {
  DiskOrigin origin;
  std::string name;       // file name of an image, kernel name of a device
  std::string model;      // device model when known
  bool isImage = false;
  // What a block device is (a drive, a loop, a device-mapper device, an md
  // array) and what tells it apart (backing file, mapping name, level).
  DiskKind kind = DiskKind::kDisk;
  std::string kindDetail;
  // The format of an image: "raw", or the container's ("E01", "VHDX"...).
  std::string format;
  bool removable = false;
  uint64_t sizeBytes = 0;
  // A block device the user may not open yet: listed so that it can be
  // shown and authorised, but nothing can be read from it until
  // AuthoriseDisk hands over a descriptor.
  bool needsAuthorisation = false;
  // Why the disk stays locked (the disk service's answer), for the drive
  // lists; empty while nobody has asked.
  std::string authorisationNote;
  // The error the kernel gave when the device was opened (EACCES, EPERM):
  // as root, EPERM means no user or group change would help.
  int openError = 0;
};

// What a disk is, and what tells it apart, for the disk lists: "E01 image
// /cases/a.E01", "loop /dev/loop0: /srv/x.img", "dm /dev/dm-1: cryptdata
// (LUKS)", "md /dev/md0: raid1", "disk /dev/sda: MODEL".
std::string DiskKindText(const PhysicalDisk& disk);
// "image" for an image, else DiskKindName of its kind.
std::string DiskKindKey(const PhysicalDisk& disk);

// Opens a block device read-only; returns an invalid descriptor with errno
// set on failure. Replaceable so that "permission denied" can be tested
// without a real device or dropping root.
using DeviceOpener = std::function<UniqueFd(const std::string& path)>;

// A read-only descriptor of a disk whose file or device holds its sectors
// as they are: a duplicate of the one the disk service handed over, else
// the path opened afresh. Invalid while the disk needs authorisation, and
// for in-memory disks and image formats, whose files are not the disk.
UniqueFd OpenDiskReadOnly(const PhysicalDisk& disk);

// The size of an open image file or block device; nullopt for anything
// else (a folder, a pipe).
std::optional<uint64_t> SizeOfOpenFile(int fd);

// Whether the program runs with the rights of root (effective user 0).
bool RunningAsRoot();

// Windows drive types the system lists.
inline constexpr uint8_t kDriveRemovable = 2;
inline constexpr uint8_t kDriveFixed = 3;

struct VolumeEntry {
  char letter = 0;              // 'A'..'Z'
  int diskIndex = -1;           // index into Disks()
  uint64_t startSector = 0;     // first 512-byte sector on the disk
  uint64_t sectorCount = 0;
  uint8_t driveType = kDriveFixed;
};

class DeviceTable {
 public:
  static DeviceTable& Instance();

  // Attaches a disk or volume image whose file holds its sectors as they
  // are (a raw image). Returns false (with a reason) when the file cannot be
  // opened for reading or is not a regular file or device. Front ends attach
  // what a person names through disk::AttachImage, which knows the image
  // formats and comes here for raw ones. With `readable`, the image is a
  // copy of a failing disk: it counts as large as that disk, and only the
  // sectors given can be read.
  bool AttachImage(const std::string& path, std::string* error = nullptr,
                   std::shared_ptr<const ReadableSectors> readable = nullptr);
  // Attaches an image the disk layer decodes; path names its first file.
  void AttachImageContent(const std::string& path, std::shared_ptr<ImageContent> content);
  // Attaches an in-memory image under a display name (tests, fuzzing).
  void AttachMemoryImage(const std::string& name,
                         std::shared_ptr<const std::vector<uint8_t>> bytes);
  // Adds the whole-disk block devices of this machine: those it can read,
  // and those it may not open for lack of permission, marked as needing
  // authorisation. Devices failing for other reasons are left out.
  void AddBlockDevices();
  // The same over a given device list and opener (tests); no opener means
  // the real read-only open.
  void AddBlockDevices(const std::vector<BlockDeviceInfo>& devices, const DeviceOpener& open = nullptr);
  // Gives a locked disk the descriptor the disk service opened. The
  // descriptor must be open for reading only; false (and nothing changes)
  // otherwise or when the disk needs no authorisation. Its volumes get the
  // first free letters: letters already given stay, since windows hold
  // drives by them.
  bool AuthoriseDisk(int index, UniqueFd descriptor);
  // Records why a locked disk stays locked.
  void SetAuthorisationNote(int index, const std::string& note);
  // Forgets everything (tests).
  void Reset();

  const std::vector<PhysicalDisk>& Disks() const { return disks_; }
  const std::vector<VolumeEntry>& Volumes() const { return volumes_; }
  const VolumeEntry* FindVolume(char letter) const;
  const PhysicalDisk* Disk(int index) const;
  // Bumped whenever the table changes, so that readers holding open
  // sources know to reopen.
  uint64_t Generation() const { return generation_; }

 private:
  void AddDisk(PhysicalDisk disk, const std::vector<std::pair<uint64_t, uint64_t>>& partitions);
  void AssignLetters();
  // Letters for the volumes of one disk that has none yet, keeping every
  // letter already given.
  void AssignLettersTo(int diskIndex);

  struct PendingVolume {
    int diskIndex;
    uint64_t start, count;
    bool bareFloppy;
  };
  std::vector<PhysicalDisk> disks_;
  std::vector<PendingVolume> pending_;
  std::vector<VolumeEntry> volumes_;
  uint64_t generation_ = 1;
};

}  // namespace tarnwell::platform
