#pragma once
// The process-wide table of physical disks and lettered volumes. It stands
// where the Windows drive letters and "\\.\PhysicalDriveN" names stood: disk
// images given to the program come first, then readable whole-disk block
// devices; every volume on them gets a drive letter.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell::platform {

inline constexpr uint64_t kSectorSize = 512;

// Where the bytes of a disk come from: a file or device path, or (for tests
// and fuzzing) an in-memory image.
struct DiskOrigin {
  std::string path;
  std::shared_ptr<const std::vector<uint8_t>> memory;
};

struct PhysicalDisk {
  DiskOrigin origin;
  std::string name;       // file name of an image, kernel name of a device
  std::string model;      // device model when known
  bool isImage = false;
  bool removable = false;
  uint64_t sizeBytes = 0;
};

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

  // Attaches a disk or volume image. Returns false (with a reason) when the
  // file cannot be opened for reading or is not a regular file or device.
  bool AttachImage(const std::string& path, std::string* error = nullptr);
  // Attaches an in-memory image under a display name (tests, fuzzing).
  void AttachMemoryImage(const std::string& name,
                         std::shared_ptr<const std::vector<uint8_t>> bytes);
  // Adds the readable whole-disk block devices of this machine.
  void AddBlockDevices();
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
