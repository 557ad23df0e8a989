#pragma once
// The device reader: one opened handle serves many reads of a physical disk
// or a volume. Handles are small integers; -1 means the open failed.
#include <cstdint>

namespace tarnwell::disk {

using DiskHandle = intptr_t;
inline constexpr DiskHandle kInvalidHandle = -1;

// Linux takes the device-name path that the NT family took.
bool IsNtPlatform();

DiskHandle OpenDiskDevice(int16_t driveCode);
// Reads count sectors at lba into buffer. bytesRead tells how many bytes
// arrived (fewer near the end of the source); the result is the read's
// success, not whether all bytes came.
bool ReadDiskSectors(DiskHandle handle, uint16_t count, void* buffer, int16_t driveCode,
                     uint32_t& bytesRead, uint64_t lba);
// The source behind an open handle, or null; it lives until the handle is
// closed. Scans read through it in large pieces and give it hints.
class SectorSource;
SectorSource* SourceOfHandle(DiskHandle handle);

// Closes a handle from OpenDiskDevice; closing -1 or an unknown handle does nothing.
bool CloseHandle(DiskHandle handle);

// Closes the handle when it goes out of scope.
class DiskDevice {
 public:
  explicit DiskDevice(int16_t driveCode) : code_(driveCode), handle_(OpenDiskDevice(driveCode)) {}
  ~DiskDevice() { CloseHandle(handle_); }
  DiskDevice(const DiskDevice&) = delete;
  DiskDevice& operator=(const DiskDevice&) = delete;
  bool IsOpen() const { return handle_ != kInvalidHandle; }
  DiskHandle Handle() const { return handle_; }
  SectorSource* Source() const { return SourceOfHandle(handle_); }
  bool Read(uint64_t lba, uint16_t count, void* buffer, uint32_t& bytesRead) {
    return ReadDiskSectors(handle_, count, buffer, code_, bytesRead, lba);
  }

 private:
  int16_t code_;
  DiskHandle handle_;
};

}  // namespace tarnwell::disk
